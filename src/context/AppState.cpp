#include "context/AppState.h"

#include <QDir>

namespace brio {

void AppState::setDataFolder(const QString &folder)
{
    InstallDir = folder;
    book.setPath(QDir(folder).filePath(QStringLiteral("BrioSMS.MDB")));
}

QString AppState::pluginsPath() const
{
    return QDir(InstallDir).filePath(QStringLiteral("Plugins"));
}

} // namespace brio
