// Calls whose failure used to pass unnoticed. The system calls are made to
// fail here by replacing them in this test program (the real ones are
// called otherwise).
#include "app/BookDialogues.h"
#include "app/DataFolder.h"
#include "mock/TestEnv.h"
#include "net/Http.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstring>
#include <dlfcn.h>
#include <iconv.h>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace brio;
using namespace brio::test;

namespace {

QByteArray g_failing; // the call that fails: "mkdir", "chmod", "iconv_open" or "like"

template<typename F>
F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

int mkdir(const char *path, mode_t mode) noexcept
{
    if (g_failing == "mkdir" && QByteArray(path).endsWith("/Plugins")) {
        errno = ENOSPC;
        return -1;
    }
    return real<int (*)(const char *, mode_t)>("mkdir")(path, mode);
}

int chmod(const char *path, mode_t mode) noexcept
{
    if (g_failing == "chmod") {
        errno = EPERM;
        return -1;
    }
    return real<int (*)(const char *, mode_t)>("chmod")(path, mode);
}

iconv_t iconv_open(const char *to, const char *from)
{
    if (g_failing == "iconv_open") {
        errno = EINVAL;
        return reinterpret_cast<iconv_t>(-1);
    }
    return real<iconv_t (*)(const char *, const char *)>("iconv_open")(to, from);
}

int sqlite3_create_function(sqlite3 *db, const char *name, int args, int encoding, void *data,
                            void (*func)(sqlite3_context *, int, sqlite3_value **),
                            void (*step)(sqlite3_context *, int, sqlite3_value **), void (*final)(sqlite3_context *))
{
    if (g_failing == "like" && std::strcmp(name, "like") == 0)
        return SQLITE_NOMEM;
    using Create = int (*)(sqlite3 *, const char *, int, int, void *, void (*)(sqlite3_context *, int, sqlite3_value **),
                           void (*)(sqlite3_context *, int, sqlite3_value **), void (*)(sqlite3_context *));
    return real<Create>("sqlite3_create_function")(db, name, args, encoding, data, func, step, final);
}

} // extern "C"

class TestUnchecked final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { g_failing.clear(); }

    // A new data folder without its Plugins folder is not made at all.
    void pluginsFolderNotCreated()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("BrioSMS"));
        g_failing = "mkdir";
        try {
            provisionDataFolder(folder);
            QFAIL("the folder was made without Plugins");
        } catch (const Error &e) {
            QVERIFY2(e.description().contains(QStringLiteral("Plugins")), qPrintable(e.description()));
        }
        QVERIFY(!QFileInfo::exists(folder));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    // The new file would be readable by whoever the old one was closed to.
    void permissionsNotCopied()
    {
        TestEnv env;
        env.addContact(QStringLiteral("Rossi"), QStringLiteral("+393331234567"));
        const QString file = env.state.book.path();
        g_failing = "chmod";
        QVERIFY_THROWS_EXCEPTION(Error, changeDatabaseKey(*env.ctx, QStringLiteral("segreta")));
        g_failing.clear();
        QVERIFY(isPlainDatabaseFile(file));
        QCOMPARE(env.state.book.password(), QString());
        QCOMPARE(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari")), 1);
        QVERIFY(!QFileInfo::exists(file + QStringLiteral(".new")));
    }

    void likeNotRegistered()
    {
        TestEnv env;
        g_failing = "like";
        QVERIFY_THROWS_EXCEPTION(Error, Database::open(env.state.book.path()));
    }

    // Without the converter the user and password would vanish from the form.
    void codePageConverterMissing()
    {
        QCOMPARE(URLEncode(QStringLiteral("è")), QStringLiteral("%E8"));
        g_failing = "iconv_open";
        QVERIFY_THROWS_EXCEPTION(Error, URLEncode(QStringLiteral("prova")));
    }

    // The file went bad during the change: the run cannot go on with it, and
    // says so rather than failing later with "database not open".
    void bookNotReopenedAfterAFailedChange()
    {
        TestEnv env;
        const QString file = env.state.book.path();
        try {
            changeDatabaseKey(*env.ctx, QStringLiteral("segreta"), [&](PasswordChangeStep step) {
                if (step != PasswordChangeStep::SettingSaved)
                    return;
                QFile f(file);
                QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                f.write(QByteArray(8192, '\x37'));
                throw Error(3043, QStringLiteral("guasto simulato"));
            });
            QFAIL("the failure was not passed on");
        } catch (const Error &e) {
            QVERIFY2(e.description().contains(QStringLiteral("non può essere riaperta")), qPrintable(e.description()));
        }
        QVERIFY(!env.state.book.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestUnchecked)
#include "tst_unchecked.moc"
