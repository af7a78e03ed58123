#include "store/BookFile.h"

#include "core/Error.h"
#include "core/Texts.h"
#include "store/Database.h"
#include "store/DatabasePassword.h"
#include "store/Schema.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace brio {

namespace {

// The engine's smallest page: no database file is shorter.
constexpr qint64 kSmallestDatabase = 512;

const char *const kBookTables[] = {"tab_destinatari", "tab_liste",      "tab_membri", "tab_dest_msg",
                                   "tab_dest_number", "tab_dest_liste", "tab_accesso"};

} // namespace

BookFileKind inspectBookFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return BookFileKind::Folder;
    if (!info.exists())
        return BookFileKind::Missing;
    if (info.size() == 0)
        return BookFileKind::Empty;
    if (info.size() < kSmallestDatabase)
        return BookFileKind::TooShort;
    return isPlainDatabaseFile(path) ? BookFileKind::Plain : BookFileKind::Other;
}

void createBook(const QString &path)
{
    QTemporaryFile staging(path + QStringLiteral(".nuova-XXXXXX"));
    if (!staging.open())
        throw Error(ErrorNo::InvalidPath,
                    Texts::tr("Impossibile creare la rubrica '%1': %2").arg(path, staging.errorString()));
    staging.close();
    {
        auto db = Database::open(staging.fileName());
        createDeliveredTables(*db);
        UpgradeSchema(*db);
        fillDefaultAllowedCodes(*db);
        db->useWriteAheadLog();
    }
    if (std::rename(QFile::encodeName(staging.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile creare la rubrica '%1'").arg(path));
    staging.setAutoRemove(false);
}

bool hasAddressBookTables(Database &db)
{
    QStringList names = db.tableNames();
    for (QString &n : names)
        n = n.toLower();
    for (const char *table : kBookTables) {
        if (!names.contains(QLatin1String(table)))
            return false;
    }
    return true;
}

bool isIntact(Database &db)
{
    try {
        Statement st = db.prepare(QStringLiteral("PRAGMA quick_check(1)"));
        return st.next() && st.text(0) == QLatin1String("ok");
    } catch (const Error &e) {
        if (e.number() == ErrorNo::DatabaseLocked)
            throw;
        return false;
    }
}

void removeChangeLeftovers(const QString &path)
{
    const QString copy = path + QStringLiteral(".new");
    for (const char *suffix : {"-journal", "-wal", "-shm", ""})
        QFile::remove(copy + QLatin1String(suffix));
}

} // namespace brio
