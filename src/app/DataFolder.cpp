#include "app/DataFolder.h"

#include "core/Error.h"
#include "store/Database.h"
#include "store/Schema.h"

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

bool provisionDataFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists())
        return false;
    const QString parent = info.absolutePath();
    if (!QDir().mkpath(parent))
        throw Error(ErrorNo::InvalidPath, QStringLiteral("'%1' non è un percorso valido").arg(parent));

    QTemporaryDir staging(QDir(parent).filePath(info.fileName() + QStringLiteral(".new-XXXXXX")));
    if (!staging.isValid())
        throw Error(ErrorNo::InvalidPath, QStringLiteral("Impossibile creare la cartella '%1'").arg(folder));
    {
        auto db = Database::open(QDir(staging.path()).filePath(QStringLiteral("BrioSMS.MDB")), QString(),
                                 Database::Mode::Shared, true);
        createDeliveredTables(*db);
        UpgradeSchema(*db);
        fillDefaultAllowedCodes(*db);
    }
    QDir(staging.path()).mkdir(QStringLiteral("Plugins"));
    if (!QDir().rename(staging.path(), folder)) {
        if (QFileInfo(folder).isDir())
            return false; // another start made it meanwhile
        throw Error(ErrorNo::InvalidPath, QStringLiteral("Impossibile creare la cartella '%1'").arg(folder));
    }
    staging.setAutoRemove(false);
    return true;
}

} // namespace brio
