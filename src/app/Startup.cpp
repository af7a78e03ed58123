#include "app/Startup.h"

#include "core/Error.h"
#include "core/Log.h"
#include "core/Texts.h"
#include "gateway/GatewaySession.h"
#include "net/ServerServices.h"
#include "net/Brand.h"
#include "app/BookDialogues.h"
#include "store/BookFile.h"
#include "store/DiskErrors.h"
#include "store/Schema.h"

#include <QDir>
#include <QFileInfo>

namespace brio {

void AskDatabasePassword(Context &ctx)
{
    if (databasePasswordNeeded(ctx))
        ctx.windows().showPasswordWindow();
}

void OpenDB(Context &ctx, const QString &password)
{
    Book &book = ctx.state.book;
    book.close();
    QString key;
    std::unique_ptr<Database> db = openWithPassword(book.path(), password, Database::Mode::Shared, &key);
    book.adopt(std::move(db), key); // the key is empty for a file without password, whatever was typed
}

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A file that is not a book the program can use is never changed: the user
// may still get the rows out of it, or put it back.
int refuseBook(Context &ctx, const QString &what)
{
    ctx.state.book.close();
    ctx.message(Icon::Critical,
                what.arg(native(ctx.state.book.path()))
                    + Texts::tr("\nIl file è stato lasciato com'era. Per ricominciare con una rubrica vuota, "
                                "rinominare la cartella \"%1\" e riavviare BrioSMS.")
                          .arg(native(ctx.state.InstallDir)));
    return 1;
}

int bookInUse(Context &ctx)
{
    ctx.state.book.close();
    ctx.message(Icon::Exclamation,
                Texts::tr("La rubrica \"%1\" è in uso da un altro programma (per esempio un plug-in).\n"
                          "Chiudere l'altro programma e riavviare BrioSMS.")
                    .arg(native(ctx.state.book.path())));
    return 1;
}

// The first of the book, its journal files and its folder that may not be
// written; empty when all may. The engine would open such a book read-only
// and fail later in words of its own.
QString readOnlyPlace(const QString &book)
{
    for (const QString &path : {book, book + QStringLiteral("-wal"), book + QStringLiteral("-shm")}) {
        const QFileInfo info(path);
        if (info.exists() && !info.isWritable())
            return path;
    }
    const QString folder = QFileInfo(book).absolutePath();
    return QFileInfo(folder).isWritable() ? QString() : folder;
}

// Failures of the disk, not of the book: said as they are.
bool isDiskFault(const Error &e)
{
    return e.number() == ErrorNo::ReadOnly || e.number() == ErrorNo::DiskFull || e.number() == ErrorNo::DiskError;
}

// The book is intact but cannot be written: nothing to start over from.
int cannotWrite(Context &ctx, const QString &why)
{
    ctx.state.book.close();
    ctx.message(Icon::Critical, Texts::tr("Impossibile aprire la rubrica \"%1\": %2\nIl file è stato lasciato com'era.")
                                    .arg(native(ctx.state.book.path()), why));
    return 1;
}

QString damaged()
{
    return Texts::tr("Il file della rubrica \"%1\" è danneggiato e non può essere letto.");
}

// Opens the book into DB and makes sure it is one; returns 0, or the exit
// status after telling the user why not.
int openBook(Context &ctx)
{
    const BookFileKind kind = inspectBookFile(ctx.state.book.path());
    switch (kind) {
    case BookFileKind::Missing:
        // The folder was there already, with other things in it.
        ctx.message(Icon::Critical, Texts::tr("Nella cartella dei dati \"%1\" non c'è il file della rubrica \"%2\": "
                                              "non è la cartella di BrioSMS, o la rubrica è stata spostata.")
                                        .arg(native(ctx.state.InstallDir), native(ctx.state.book.path())));
        return 1;
    case BookFileKind::Folder:
        return refuseBook(ctx, Texts::tr("Al posto del file della rubrica \"%1\" c'è una cartella."));
    case BookFileKind::TooShort:
        return refuseBook(ctx, Texts::tr("Il file della rubrica \"%1\" è troppo corto per essere una rubrica."));
    case BookFileKind::Empty:
        // It holds nothing: a new book takes its place.
        createBook(ctx.state.book.path());
        break;
    default:
        break;
    }
    if (const QString place = readOnlyPlace(ctx.state.book.path()); !place.isEmpty())
        return cannotWrite(ctx, Texts::tr("\"%1\" è in sola lettura, e BrioSMS deve poter scrivere nella rubrica, "
                                          "nella sua cartella e nei file accanto che ne tengono le modifiche.")
                                    .arg(native(place)));
    AskDatabasePassword(ctx);
    try {
        OpenDB(ctx, ctx.state.book.password());
    } catch (const Error &e) {
        if (e.number() == ErrorNo::DatabaseLocked)
            return bookInUse(ctx);
        if (isDiskFault(e))
            return cannotWrite(ctx, e.description());
        if (kind == BookFileKind::Plain)
            return refuseBook(ctx, damaged());
        // Random bytes cannot be told from an encrypted book.
        ctx.message(Icon::Exclamation, Texts::tr("La password inserita non è valida."));
        return 1;
    }
    // Checked before anything is written to it.
    try {
        if (!hasAddressBookTables(ctx.db()))
            return refuseBook(ctx, Texts::tr("Il file \"%1\" non contiene una rubrica di BrioSMS."));
        if (!isIntact(ctx.db()))
            return refuseBook(ctx, damaged());
    } catch (const Error &e) {
        if (isDiskFault(e))
            return cannotWrite(ctx, e.description());
        if (e.number() != ErrorNo::DatabaseLocked)
            throw;
        return bookInUse(ctx);
    }
    return 0;
}

} // namespace

bool OpenBook(Context &ctx)
{
    // Before anything else: a copy left by a password removal cut short is
    // the address book in plain text.
    removeChangeLeftovers(ctx.state.book.path());
    qCInfo(lcApp, "opening the address book");
    try {
        if (openBook(ctx) != 0)
            return false;
        syncPasswordSetting(ctx); // a password change cut short may have left it behind
        UpgradeSchema(ctx.db());
        addUniqueNumberIndex(ctx.db());
        ctx.db().useWriteAheadLog();
        qCInfo(lcApp, "address book open, format %lld", ctx.db().scalar(QStringLiteral("PRAGMA user_version")));
    } catch (const Error &e) {
        ctx.state.book.close();
        ReportError(ctx, e);
        return false;
    }
    return true;
}

int Main(Context &ctx)
{
    ctx.settings.set(Key::InstallDir, QDir::toNativeSeparators(ctx.state.InstallDir));
    if (!OpenBook(ctx))
        return 1;
    if (!session(ctx).loadBrand(ctx))
        return 1;
    ctx.windows().showMainWindow();
    return 0;
}

namespace {

// One path component looked up without regard to case, as the Windows drive
// the old version lived on does.
QString findEntry(const QString &dir, const QString &name)
{
    const QStringList entries = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &e : entries) {
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(dir).filePath(e);
    }
    return QString();
}

} // namespace

QString winePrefix()
{
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    return prefix.isEmpty() ? QDir::home().filePath(QStringLiteral(".wine")) : prefix;
}

QString oldDatabasePath()
{
    QString path = winePrefix();
    for (const char *part : {"drive_c", "PROGRAMMI", "BRIOSMS", "BRIOSMS.MDB"}) {
        path = findEntry(path, QLatin1String(part));
        if (path.isEmpty())
            return QString();
    }
    return QFileInfo(path).isFile() ? path : QString();
}

bool OldDatabaseExists()
{
    return !oldDatabasePath().isEmpty();
}

} // namespace brio
