#include "core/Error.h"
#include "gateway/SandboxGateway.h"
#include "mock/Errors.h"
#include "mock/Program.h"

#include "store/Database.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace brio;
using namespace brio::test;

class TestSandboxGateway final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_serial = 0;

    QString newFile() { return m_dir.filePath(QStringLiteral("sandbox%1.db").arg(++m_serial)); }

    static std::unique_ptr<SandboxGateway> control(const QString &file, const QString &user = QStringLiteral("prova"),
                                                   const QString &password = QStringLiteral("prova"))
    {
        auto g = std::make_unique<SandboxGateway>(file);
        g->setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
        g->setUserName(user);
        g->setPassword(password);
        g->setAuthenticated(true);
        return g;
    }

    static QByteArray sha256(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                           : QByteArray();
    }

private Q_SLOTS:
    // A damaged or foreign file is named in the error, is no network fault,
    // and is left as it was; the outbox listing ends with a message and a
    // failure status instead of an abort.
    void unusableFileIsNamedAndLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("random bytes") << QByteArray(8192, '\x37');
        QTest::newRow("plain header only") << QByteArray("SQLite format 3\0", 16) + QByteArray(8192, '\x37');
        QTest::newRow("another program's database") << QByteArray();
    }

    void unusableFileIsNamedAndLeftAlone()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("Sandbox.db"));
        if (content.isEmpty()) {
            auto db = Database::open(file, QString(), Database::Mode::Shared, true);
            db->exec(QStringLiteral("CREATE TABLE fatture (numero INTEGER)"));
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QByteArray before = sha256(file);
        try {
            control(file)->getCredit();
            QFAIL("an unusable file was opened");
        } catch (const Error &e) {
            QVERIFY(e.number() != ErrorNo::GatewayNoConnection);
            QVERIFY2(e.description().contains(file), qPrintable(e.description()));
        }
        QCOMPARE(sha256(file), before);

        const ProgramRun program = Program(folder.path()).run({QStringLiteral("--sandbox-outbox")});
        QCOMPARE(program.code, 6); // a damaged file: an unexpected failure, not a wrong command line
        QVERIFY(program.errText().contains(file));
        QCOMPARE(sha256(file), before);
    }

    // A new sandbox has the trial account; the commit stores and charges the
    // valid numbers only and reports the others.
    void trialAccountSendsAndCharges()
    {
        const QString file = newFile();
        auto g = control(file);
        QCOMPARE(g->getCredit(), 100);
        QVERIFY(!g->isDemo());
        QCOMPARE(errorOf([&] { control(file, QStringLiteral("prova"), QStringLiteral("PROVA"))->getCredit(); }), 28375);
        QCOMPARE(errorOf([&] { control(file, QStringLiteral("nessuno"))->isDemo(); }), 28375);

        QSignalSpy wrong(g.get(), &GatewayControl::wrongNumber);
        g->addSMS(QStringLiteral("393331234567"), QStringLiteral("ciao"), SendTime::now());
        for (const char *n : {"12345", "39333123456789012", "39333abc4567"})
            g->addSMS(QString::fromLatin1(n), QStringLiteral("x"), SendTime::now());
        g->addSMS(QStringLiteral("393471234567"), QStringLiteral("ciao"), SendTime::at(QDateTime(QDate(2026, 12, 25), QTime(18, 30))));
        g->transmit();
        QVERIFY(SandboxGateway::outbox(file).isEmpty()); // nothing before the commit
        g->closeConnection();
        QCOMPARE(wrong.count(), 3);
        const auto out = SandboxGateway::outbox(file);
        QCOMPARE(out.size(), 2);
        QCOMPARE(out.at(0).recipient, QStringLiteral("393331234567"));
        QCOMPARE(out.at(0).when, QStringLiteral("NOW"));
        QCOMPARE(out.at(1).when, QStringLiteral("25-12-2026 18:30"));
        QCOMPARE(out.at(1).text, QStringLiteral("ciao"));
        QCOMPARE(g->getCredit(), 98);
    }

    void refusedSendsDeliverNothing_data()
    {
        QTest::addColumn<int>("messages");
        QTest::addColumn<QString>("appCode");
        QTest::addColumn<int>("error");
        QTest::newRow("credit does not cover") << 101 << GatewayControl::kAppCode << 28377;
        QTest::newRow("wrong app code") << 2 << "XXXX" << 28384;
    }

    void refusedSendsDeliverNothing()
    {
        QFETCH(int, messages);
        QFETCH(QString, appCode);
        QFETCH(int, error);
        const QString file = newFile();
        auto g = control(file);
        g->setAppCode(appCode);
        for (int i = 0; i < messages; ++i)
            g->addSMS(QStringLiteral("3933300%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("t"), SendTime::now());
        QCOMPARE(errorOf([&] {
                     g->transmit();
                     g->closeConnection();
                 }),
                 error);
        QVERIFY(SandboxGateway::outbox(file).isEmpty());
        g->setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
        QCOMPARE(g->getCredit(), 100);
        // The refused messages are gone: a later send carries only its own.
        g->addSMS(QStringLiteral("393331234567"), QStringLiteral("dopo"), SendTime::now());
        g->transmit();
        g->closeConnection();
        QCOMPARE(SandboxGateway::outbox(file).size(), 1);
    }

    // What transmit() got ready leaves only at closeConnection(): dropped, or
    // the control gone, before it, nothing is delivered or charged, and a
    // closeConnection() that comes anyway says so instead of reporting a send.
    void preparedSendLeavesOnlyAtClose()
    {
        const QString file = newFile();
        const auto fill = [](SandboxGateway &g, const char *prefix) {
            for (int i = 0; i < 60; ++i)
                g.addSMS(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i, 7, 10, QLatin1Char('0')),
                         QStringLiteral("a"), SendTime::now());
        };
        auto g = control(file);
        fill(*g, "39333");
        g->transmit();
        g->dropPrepared();
        QCOMPARE(errorOf([&] { g->closeConnection(); }), 28374);
        fill(*g, "39347");
        g->transmit();
        g.reset();
        QCOMPARE(SandboxGateway::outbox(file).size(), 0);
        auto again = control(file);
        QCOMPARE(again->getCredit(), 100);
        fill(*again, "39348");
        again->transmit();
        again->closeConnection();
        QCOMPARE(SandboxGateway::outbox(file).size(), 60);
        QCOMPARE(again->getCredit(), 40);
    }
};

QTEST_GUILESS_MAIN(TestSandboxGateway)
#include "tst_sandboxgateway.moc"
