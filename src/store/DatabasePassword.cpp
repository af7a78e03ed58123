#include "store/DatabasePassword.h"

#include "core/Error.h"
#include "core/Texts.h"
#include "store/BookFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brio {

namespace {

constexpr int kDiskError = 3043;
const QByteArray kPlainHeader("SQLite format 3\0", 16);

[[noreturn]] void throwDiskError(const QString &what, const QString &path)
{
    throw Error(kDiskError, Texts::tr("Errore del disco (%1 di '%2'): %3")
                                .arg(what, QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno))));
}

// Data reaches the disk only on fsync; a rename is durable only once its
// directory has been synced too.
void syncToDisk(const QString &path, bool directory)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), directory ? (O_RDONLY | O_DIRECTORY) : O_RDWR);
    if (fd < 0)
        throwDiskError(QStringLiteral("apertura"), path);
    const int rc = ::fsync(fd);
    const int saved = errno;
    ::close(fd);
    errno = saved;
    if (rc != 0)
        throwDiskError(QStringLiteral("scrittura"), path);
}

void exportCopy(Database &source, const QString &copy, const QString &key)
{
    // ATTACH opens with the flags of the source connection, which creates
    // nothing: an empty file is an empty database.
    QFile empty(copy);
    if (!empty.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(kDiskError, Texts::tr("Errore del disco (creazione di '%1'): %2")
                                    .arg(QDir::toNativeSeparators(copy), empty.errorString()));
    empty.close();
    // An empty (not null) key makes the attached file plain; null would
    // borrow the key of the source.
    source.run(QStringLiteral("ATTACH DATABASE ? AS brio_new KEY ?"), {copy, key.isNull() ? QString(QLatin1String("")) : key});
    try {
        source.run(QStringLiteral("SELECT sqlcipher_export('brio_new')"));
        // The export copies the rows, not the book's format number.
        source.exec(QStringLiteral("PRAGMA brio_new.user_version = %1")
                        .arg(source.scalar(QStringLiteral("PRAGMA main.user_version"))));
    } catch (const Error &) {
        source.exec(QStringLiteral("DETACH DATABASE brio_new"));
        throw;
    }
    source.exec(QStringLiteral("DETACH DATABASE brio_new"));
    // The copy's transaction is committed: a journal left beside it is not hot.
    QFile::remove(copy + QStringLiteral("-journal"));
}

void verifyCopy(Database &source, const QString &copy, const QString &key)
{
    const auto target = Database::open(copy, key);
    const QStringList tables = source.tableNames();
    for (const QString &table : tables) {
        const QString count = QStringLiteral("SELECT count(*) FROM ") + quotedName(table);
        if (!target->tableExists(table) || target->scalar(count) != source.scalar(count)) {
            throw Error(ErrorNo::DatabaseGeneric,
                        Texts::tr("Errore del database: la copia cifrata non corrisponde (%1)").arg(table));
        }
    }
}

// The engine's locks show only a program in the middle of a transaction. One
// that merely has the file open would go on writing into the replaced file
// and lose its work, so any other process with the file open counts as
// holding it.
bool openedByAnotherProcess(const QString &path)
{
#ifdef __linux__
    struct stat target;
    if (::stat(QFile::encodeName(path).constData(), &target) != 0)
        return false;
    const long self = long(::getpid());
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return false;
    bool found = false;
    while (!found) {
        const dirent *process = ::readdir(proc);
        if (!process)
            break;
        char *end = nullptr;
        const long pid = std::strtol(process->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self)
            continue;
        const QByteArray fdDir = QByteArray("/proc/") + process->d_name + "/fd";
        DIR *fds = ::opendir(fdDir.constData()); // other users' processes are not readable
        if (!fds)
            continue;
        while (const dirent *fd = ::readdir(fds)) {
            struct stat st;
            const QByteArray link = fdDir + '/' + fd->d_name;
            if (fd->d_name[0] != '.' && ::stat(link.constData(), &st) == 0 && st.st_dev == target.st_dev
                && st.st_ino == target.st_ino) {
                found = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return found;
#else
    Q_UNUSED(path);
    return false;
#endif
}

void reopen(std::unique_ptr<Database> &db, QString &key, const QString &path, const QString &password)
{
    db = openWithPassword(path, password, Database::Mode::Shared, &key);
    db->useWriteAheadLog(); // the new file starts without it
}

// After a failed change the file holds the old or the new key: open it with
// whichever works, so that the run and the setting follow the file.
void reopenAfterFailure(std::unique_ptr<Database> &db, QString &key, const QString &path, const QStringList &keys,
                        const KeyChanged &keyChanged)
{
    for (const QString &candidate : keys) {
        try {
            reopen(db, key, path, candidate);
            if (keyChanged)
                keyChanged(key);
            return;
        } catch (const Error &) {
        }
    }
    // Without the book every later action would fail with an error nobody
    // could read; say it now.
    throw Error(ErrorNo::DatabaseGeneric,
                Texts::tr("La modifica della password non è stata completata e la rubrica '%1' non può "
                          "essere riaperta: chiudere BrioSMS e riavviarlo")
                    .arg(QDir::toNativeSeparators(path)));
}

} // namespace

bool isPlainDatabaseFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(kPlainHeader.size());
    return head.isEmpty() || head == kPlainHeader;
}

bool isEncryptedDatabaseFile(const QString &path)
{
    return QFileInfo(path).isFile() && !isPlainDatabaseFile(path);
}

std::unique_ptr<Database> openWithPassword(const QString &path, const QString &password, Database::Mode mode,
                                           QString *usedKey)
{
    // A key given to a plain file would make the engine read it as
    // encrypted and refuse it.
    const QString key = isPlainDatabaseFile(path) ? QString() : password;
    auto db = Database::open(path, key, mode);
    if (usedKey)
        *usedKey = key;
    return db;
}

void changeDatabaseKey(std::unique_ptr<Database> &db, QString &key, const QString &path, const QString &newPassword,
                       const KeyChanged &keyChanged, const PasswordChangeHook &hook)
{
    const QString copy = path + QStringLiteral(".new");
    auto reached = [&hook](PasswordChangeStep step) {
        if (hook)
            hook(step);
    };

    const auto refuseIfOpenElsewhere = [&path] {
        if (openedByAnotherProcess(path))
            throw Error(ErrorNo::DatabaseLocked, Texts::tr("Il database è aperto da un altro programma"));
    };
    refuseIfOpenElsewhere();
    // The copy replaces the file by name: rows still in a write-ahead log
    // beside it would be replayed into the new file at the next opening. So
    // the log is checkpointed into the file and left first; this also fails
    // while another connection has the file open.
    db->leaveWriteAheadLog();
    // Taken while our own connection is still open, so that a refusal
    // leaves the run exactly as it was.
    QString oldKey;
    std::unique_ptr<Database> held;
    try {
        held = openWithPassword(path, key, Database::Mode::Exclusive, &oldKey);
        refuseIfOpenElsewhere(); // one may have come meanwhile
    } catch (const Error &) {
        held.reset();
        db->useWriteAheadLog();
        throw;
    }
    db.reset();

    bool replaced = false;
    try {
        reached(PasswordChangeStep::Exclusive);
        removeChangeLeftovers(path); // of an earlier change that was cut short
        exportCopy(*held, copy, newPassword);
        reached(PasswordChangeStep::Exported);
        syncToDisk(copy, false);
        reached(PasswordChangeStep::Synced);
        verifyCopy(*held, copy, newPassword);
        reached(PasswordChangeStep::Verified);

        // A copy readable by others would give the address book away.
        if (!QFile::setPermissions(copy, QFileInfo(path).permissions()))
            throwDiskError(QStringLiteral("permessi"), copy);
        if (::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) != 0)
            throwDiskError(QStringLiteral("sostituzione"), path);
        replaced = true;
        reached(PasswordChangeStep::Replaced);
        syncToDisk(QFileInfo(path).absolutePath(), true);
        reached(PasswordChangeStep::DirectorySynced);

        held.reset();
        key = newPassword;
        if (keyChanged)
            keyChanged(key);
        reached(PasswordChangeStep::SettingSaved);

        reopen(db, key, path, newPassword);
    } catch (...) {
        held.reset();
        if (!replaced)
            removeChangeLeftovers(path);
        reopenAfterFailure(db, key, path, replaced ? QStringList{newPassword, oldKey} : QStringList{oldKey, newPassword},
                           keyChanged);
        throw;
    }
}

} // namespace brio
