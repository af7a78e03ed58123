#include "app/Startup.h"

#include "core/Error.h"
#include "net/ServerServices.h"
#include "net/Brand.h"
#include "app/BookDialogues.h"
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
    ctx.state.DB.reset();
    QString key;
    ctx.state.DB = openWithPassword(ctx.state.databasePath(), password, Database::Mode::Shared, &key);
    ctx.state.DBPassword = key; // empty for a file without password, whatever was typed
}

bool OpenBook(Context &ctx)
{
    ctx.state.InitGlobals();
    AskDatabasePassword(ctx);
    try {
        OpenDB(ctx, ctx.state.DBPassword);
    } catch (const Error &) {
        ctx.message(Icon::Exclamation, QStringLiteral("La password inserita non è valida."));
        return false;
    }
    syncPasswordSetting(ctx); // a password change cut short may have left it behind
    try {
        UpgradeSchema(*ctx.state.DB);
        addUniqueNumberIndex(*ctx.state.DB);
    } catch (const Error &e) {
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
    if (!LoadBrand(ctx))
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
