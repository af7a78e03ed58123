#include "context/AppState.h"

#include <QDir>

namespace brio {

QString AppState::databasePath() const
{
    return QDir(InstallDir).filePath(QStringLiteral("BrioSMS.MDB"));
}

QString AppState::pluginsPath() const
{
    return QDir(InstallDir).filePath(QStringLiteral("Plugins"));
}

void AppState::InitGlobals()
{
    ServerChecksDone = false;
}

} // namespace brio
