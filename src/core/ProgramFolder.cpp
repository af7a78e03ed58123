#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace brio {

namespace {

QString &chosenFolder()
{
    static QString folder;
    return folder;
}

} // namespace

QString programFolder()
{
    if (!chosenFolder().isEmpty())
        return chosenFolder();
    // Before the application exists (a plug-in still choosing whether to
    // load the window system), the kernel tells.
    if (!QCoreApplication::instance())
        return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString &folder)
{
    chosenFolder() = folder;
}

} // namespace brio
