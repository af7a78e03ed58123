#include "app/DataFolder.h"

#include "core/Error.h"
#include "core/Log.h"
#include "core/Texts.h"
#include "store/BookFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace brio {

QString resolveDataFolder()
{
    const QString home = qEnvironmentVariable("BRIOSMS_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QDir(home).absolutePath());
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("BrioSMS"));
}

namespace {

// What an installation leaves in the data folder: the empty address book
// and the folder of the plug-ins.
void fillDataFolder(const QString &folder)
{
    createBook(QDir(folder).filePath(QStringLiteral("BrioSMS.MDB")));
    if (!QDir(folder).mkdir(QStringLiteral("Plugins")))
        throw Error(ErrorNo::InvalidPath,
                    Texts::tr("Impossibile creare la cartella '%1'")
                        .arg(QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("Plugins")))));
}

} // namespace

namespace {

bool provisionFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists()) {
        // Made by the user first, or a new disk: empty, it is filled where
        // it is.
        if (!info.isDir())
            throw Error(ErrorNo::InvalidPath,
                        Texts::tr("La cartella dei dati \"%1\" non è una cartella (è un file o un dispositivo). "
                                  "Indicare una cartella in BRIOSMS_HOME, o toglierla per usare quella predefinita.")
                            .arg(QDir::toNativeSeparators(folder)));
        if (!QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            return false;
        fillDataFolder(folder);
        return true;
    }
    const QString parent = info.absolutePath();
    if (!QDir().mkpath(parent))
        throw Error(ErrorNo::InvalidPath, Texts::tr("'%1' non è un percorso valido").arg(parent));

    QTemporaryDir staging(QDir(parent).filePath(info.fileName() + QStringLiteral(".new-XXXXXX")));
    if (!staging.isValid())
        throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile creare la cartella '%1'").arg(folder));
    fillDataFolder(staging.path());
    if (!QDir().rename(staging.path(), folder)) {
        if (QFileInfo(folder).isDir())
            return false; // another start made it meanwhile
        throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile creare la cartella '%1'").arg(folder));
    }
    staging.setAutoRemove(false);
    return true;
}

} // namespace

bool provisionDataFolder(const QString &folder)
{
    const bool made = provisionFolder(folder);
    // After the folder is filled: a log file first would make a new folder look used.
    log::openFile(folder);
    return made;
}

} // namespace brio
