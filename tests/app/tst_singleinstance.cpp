#include "app/SingleInstance.h"
#include "mock/Program.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

using namespace brio;

namespace {

// The real program, headless, on its own data folder and settings file, past
// the first-run login.
struct Run
{
    Run(const QTemporaryDir &dir, const QString &home, const QString &settingsName = QString())
        : settings(dir.filePath(settingsName.isEmpty() ? home + QStringLiteral(".ini") : settingsName))
    {
        QFile file(settings);
        if (!file.exists() && file.open(QIODevice::WriteOnly))
            file.write("[Brand]\nBranded=1\n");
        test::Program(dir.filePath(home))
            .offscreen()
            .set(QStringLiteral("XDG_RUNTIME_DIR"), dir.path())
            .start(process, {QStringLiteral("--settings"), settings});
    }
    ~Run()
    {
        process.kill();
        process.waitForFinished();
    }
    // The start routine writes the data folder there first thing.
    bool started() const
    {
        QFile file(settings);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("InstallDir");
    }

    QString settings;
    QProcess process;
};

} // namespace

class TestSingleInstance final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondHolderRaisesTheFirst()
    {
        QTemporaryDir dir;
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        SingleInstance first(dir.filePath(QStringLiteral("home")));
        QCOMPARE(first.acquire(), SingleInstance::Outcome::Acquired);
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);

        // The second asks from another thread: the first answers from its
        // event loop, as the running program does.
        SingleInstance::Outcome second = SingleInstance::Outcome::Acquired;
        std::thread asker([&] {
            SingleInstance other(dir.filePath(QStringLiteral("home")));
            second = other.acquire();
        });
        QTRY_COMPARE(raised.count(), 1);
        asker.join();
        QCOMPARE(second, SingleInstance::Outcome::Raised);

        SingleInstance elsewhere(dir.filePath(QStringLiteral("other")));
        QCOMPARE(elsewhere.acquire(), SingleInstance::Outcome::Acquired);
    }

    void programStartsOncePerDataFolder()
    {
        QTemporaryDir dir;
        Run first(dir, QStringLiteral("home"));
        QTRY_VERIFY_WITH_TIMEOUT(first.started(), 20000);

        Run second(dir, QStringLiteral("home"), QStringLiteral("second.ini"));
        QVERIFY(second.process.waitForFinished(20000));
        QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process.exitCode(), 0);
        QVERIFY(!second.started());
        QCOMPARE(first.process.state(), QProcess::Running);

        Run other(dir, QStringLiteral("other"));
        QTRY_VERIFY_WITH_TIMEOUT(other.started(), 20000);

        // A run that was killed leaves its lock behind; the next start is not
        // kept out by it.
        first.process.kill();
        first.process.waitForFinished();
        Run again(dir, QStringLiteral("home"), QStringLiteral("again.ini"));
        QTRY_VERIFY_WITH_TIMEOUT(again.started(), 20000);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
