#include "app/Startup.h"
#include "mock/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

// A state as a new run has it: nothing loaded yet.
void freshRun(TestEnv &env)
{
    env.state.DB.reset();
    env.state.MsgBoxCaption.clear();
    env.state.MainCaption.clear();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestStartup final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plainStartReachesTheMainWindow()
    {
        TestEnv env;
        env.settings->set(Key::Branded, 1);
        freshRun(env);
        env.state.PendingContactId = 7;
        QCOMPARE(Main(*env.ctx), 0);
        QCOMPARE(env.windows.mainShown, 1);
        QCOMPARE(env.windows.passwordShown + env.windows.loginShown, 0);
        QVERIFY(env.state.DB);
        QCOMPARE(env.state.PendingContactId, -1);
        QCOMPARE(env.settings->text(Key::InstallDir), QDir::toNativeSeparators(env.dataFolder()));
        QCOMPARE(env.state.MainCaption, QStringLiteral("BrioSMS 2.0"));
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void passwordWindowOnlyWhenAsked_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("asked");
        QTest::newRow("absent") << QString() << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("one") << "1" << true;
        QTest::newRow("garbage") << "sì" << false;
    }

    void passwordWindowOnlyWhenAsked()
    {
        QFETCH(QString, setting);
        QFETCH(bool, asked);
        TestEnv env;
        env.settings->set(Key::Branded, 1);
        if (!setting.isNull())
            env.settings->set(Key::AskDBPassword, setting);
        freshRun(env);
        QCOMPARE(Main(*env.ctx), 0);
        QCOMPARE(env.windows.passwordShown, asked ? 1 : 0);
    }

    void unusableDatabaseEndsTheProgram_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: the file is missing
        QTest::newRow("random bytes") << QByteArray(8192, '\x37');
        QTest::newRow("missing") << QByteArray();
    }

    void unusableDatabaseEndsTheProgram()
    {
        QFETCH(QByteArray, content);
        TestEnv env;
        freshRun(env);
        const QString file = env.state.databasePath();
        QFile::remove(file);
        if (!content.isEmpty()) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QVERIFY(Main(*env.ctx) != 0);
        QCOMPARE(env.prompter.texts(), QStringList{"La password inserita non è valida."});
        QCOMPARE(env.prompter.last().title, QString());
        QCOMPARE(env.prompter.last().icon, Icon::Exclamation);
        QCOMPARE(env.windows.mainShown, 0);
        QCOMPARE(readAll(file), content); // nothing written to it
        QCOMPARE(QFile::exists(file), !content.isEmpty());
    }

    void oldDatabaseIsFoundOnTheWineDrive()
    {
        QTemporaryDir wine;
        const QByteArray saved = qgetenv("WINEPREFIX");
        qputenv("WINEPREFIX", wine.path().toUtf8());
        QVERIFY(!OldDatabaseExists());
        QVERIFY(QDir(wine.path()).mkpath(QStringLiteral("drive_c/Programmi/BrioSms")));
        QVERIFY(!OldDatabaseExists());
        QFile f(wine.filePath(QStringLiteral("drive_c/Programmi/BrioSms/brioSMS.mdb")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(OldDatabaseExists());
        qputenv("WINEPREFIX", saved);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
