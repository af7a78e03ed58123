#include "app/Error.h"
#include "gateway/GatewayFactory.h"
#include "gateway/GatewayControl.h"
#include "refserver/JsonGateway.h"
#include "refserver/ReferenceServer.h"
#include "settings/Settings.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

using Call = JsonGateway::Call;

// A gateway on a loopback server, and drivers pointed at it (time-out 1 s).
struct Rig
{
    QTemporaryDir dir;
    Settings settings{dir.filePath(QStringLiteral("Brio2.ini"))};
    JsonGateway gateway; // declared before the server: the server goes first
    ReferenceServer server;

    Rig()
    {
        settings.set(Key::ServerTimeout, 1);
        gateway.install(server);
        gateway.addAccount(QStringLiteral("prova"), QStringLiteral("prova"), 10000);
    }

    std::unique_ptr<GatewayControl> driver(const QString &url = QString(), const QString &password = QStringLiteral("prova"))
    {
        auto d = makeGatewayFactory(url.isEmpty() ? gateway.url(server) : url, dir.path(), settings)();
        d->setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
        d->setUserName(QStringLiteral("prova"));
        d->setPassword(password);
        d->setAuthenticated(true);
        return d;
    }
};

QString number(int i)
{
    return QStringLiteral("39333%1").arg(i, 7, 10, QLatin1Char('0'));
}

void queue(GatewayControl &d, int count, const QString &text = QStringLiteral("Ciao"))
{
    for (int i = 0; i < count; ++i)
        d.addSMS(number(i), text, QStringLiteral("NOW"));
}

// Each of the `count` numbers of queue() delivered exactly once.
void expectEachOnce(const QList<JsonGateway::Delivered> &delivered, int count)
{
    QCOMPARE(delivered.size(), count);
    QSet<QString> seen;
    for (const auto &m : delivered)
        seen.insert(m.to);
    QCOMPARE(seen.size(), count);
    QVERIFY(seen.contains(number(0)));
    QVERIFY(seen.contains(number(count - 1)));
}

int errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Error &e) {
        return e.number();
    }
    return 0;
}

} // namespace

class TestHttpGateway final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accountCallReturnsCreditAndDemoFlag();
    void addressesTheDriverAccepts_data();
    void addressesTheDriverAccepts();
    void acceptedSendIsDeliveredOnlyByTheCommit();
    void textsSurviveTheWire();
    void refusedNumbersRaiseWrongNumberAndAreNotCharged();
    void jobWithOnlyWrongNumbersIsRefused();
    void insufficientCreditDeliversNothing();
    void refusedCredentialsAndAppCode();
    void noServerListening_data();
    void noServerListening();
    void hangingServerTimesOut();
    void slowServerIsWaitedFor();
    void commitRetriedAfterLostReplyIsAppliedOnce();
    void uncertainCommitIsNotRepeatedBySendingAgain();
    void batchRetriedAfterResetIsStoredOnce();
    void failureBeforeCommitDeliversNothing();
    void expiredJobIsNotDelivered();
    void serverErrorsMapToNumbers_data();
    void serverErrorsMapToNumbers();
    void badSendTimeAndOversizedJob();
};

void TestHttpGateway::accountCallReturnsCreditAndDemoFlag()
{
    Rig rig;
    rig.gateway.addAccount(QStringLiteral("demo"), QStringLiteral("d'x \"y\""), 7, true);
    auto d = rig.driver();
    QCOMPARE(d->getCredit(), qint64(10000));
    QCOMPARE(d->isDemo(), false);
    d->setUserName(QStringLiteral("demo"));
    d->setPassword(QStringLiteral("d'x \"y\""));
    QCOMPARE(d->getCredit(), qint64(7));
    QCOMPARE(d->isDemo(), true);
    QVERIFY(d->getVersion().contains(QStringLiteral("127.0.0.1")));
}

void TestHttpGateway::addressesTheDriverAccepts_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("https") << "https://sms.example.com/gw" << true;
    QTest::newRow("https port") << "https://sms.example.com:8443" << true;
    QTest::newRow("http loopback") << "http://127.0.0.1:9/gw" << true;
    QTest::newRow("http localhost") << "HTTP://localhost/gw" << true;
    QTest::newRow("http ipv6 loopback") << "http://[::1]:8080/gw" << true;
    QTest::newRow("http remote") << "http://sms.example.com/gw" << false;
    QTest::newRow("http lan") << "http://192.168.1.10/gw" << false;
    QTest::newRow("credentials in url") << "https://a:b@sms.example.com/gw" << false;
    QTest::newRow("no host") << "https:///gw" << false;
    QTest::newRow("other scheme") << "ftp://sms.example.com/gw" << false;
}

void TestHttpGateway::addressesTheDriverAccepts()
{
    QFETCH(QString, url);
    QFETCH(bool, accepted);
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("Brio2.ini")));
    const int error = errorOf([&] { QVERIFY(makeGatewayFactory(url, dir.path(), settings)() != nullptr); });
    QCOMPARE(error, accepted ? 0 : ErrorNo::GatewayBadParameters);
}

void TestHttpGateway::acceptedSendIsDeliveredOnlyByTheCommit()
{
    Rig rig;
    auto d = rig.driver();
    QSignalSpy progress(d.get(), &GatewayControl::progress);
    QSignalSpy wrong(d.get(), &GatewayControl::wrongNumber);
    queue(*d, 2500);
    d->addSMS(QStringLiteral("393471234567"), QStringLiteral("Ciao"), QStringLiteral("25-12-2002 18:30"));

    d->transmit();
    QCOMPARE(rig.gateway.calls(Call::Batch), 3);
    QVERIFY(rig.gateway.delivered().isEmpty());
    QCOMPARE(rig.gateway.credit(QStringLiteral("prova")), qint64(10000));
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().at(0).toLongLong(), 2501);
    QCOMPARE(progress.last().at(1).toLongLong(), 2501);

    d->closeConnection();
    const auto delivered = rig.gateway.delivered();
    QCOMPARE(delivered.size(), 2501);
    QCOMPARE(delivered.first().to, number(0));
    QCOMPARE(delivered.at(1234).to, number(1234));
    QCOMPARE(delivered.last().to, QStringLiteral("393471234567"));
    QCOMPARE(delivered.last().when, QStringLiteral("25-12-2002 18:30"));
    QCOMPARE(rig.gateway.credit(QStringLiteral("prova")), qint64(10000 - 2501));
    QCOMPARE(rig.gateway.commitsApplied(), 1);
    QCOMPARE(wrong.size(), 0);

    // Nothing pending: a second close does not commit anything.
    d->closeConnection();
    QCOMPARE(rig.gateway.calls(Call::Commit), 1);
}

void TestHttpGateway::textsSurviveTheWire()
{
    Rig rig;
    auto d = rig.driver();
    const QStringList texts{QStringLiteral("Perché \"sì\" \\ no"), QStringLiteral("riga 1\nriga 2\tfine\r"),
                            QString(QChar(1)) + QStringLiteral("€ \U0001F600 /</")};
    for (int i = 0; i < texts.size(); ++i)
        d->addSMS(number(i), texts.at(i), QStringLiteral("NOW"));
    d->transmit();
    d->closeConnection();
    const auto delivered = rig.gateway.delivered();
    QCOMPARE(delivered.size(), texts.size());
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(delivered.at(i).text, texts.at(i));
}

void TestHttpGateway::refusedNumbersRaiseWrongNumberAndAreNotCharged()
{
    Rig rig;
    auto d = rig.driver();
    QSignalSpy wrong(d.get(), &GatewayControl::wrongNumber);
    const QStringList numbers{number(1), QStringLiteral("39333"), QStringLiteral("3933312345678901"),
                              number(2), QStringLiteral("39333abc4567"), QStringLiteral("393331234")};
    for (const QString &n : numbers)
        d->addSMS(n, QStringLiteral("Ciao"), QStringLiteral("NOW"));
    d->transmit();
    QCOMPARE(wrong.size(), 0); // judged by the commit
    d->closeConnection();
    QCOMPARE(wrong.size(), 4);
    const auto delivered = rig.gateway.delivered();
    QCOMPARE(delivered.size(), 2);
    QCOMPARE(delivered.at(0).to, number(1));
    QCOMPARE(delivered.at(1).to, number(2));
    QCOMPARE(rig.gateway.credit(QStringLiteral("prova")), qint64(10000 - 2));
}

void TestHttpGateway::jobWithOnlyWrongNumbersIsRefused()
{
    Rig rig;
    auto d = rig.driver();
    d->addSMS(QStringLiteral("123"), QStringLiteral("Ciao"), QStringLiteral("NOW"));
    d->addSMS(QStringLiteral("abc"), QStringLiteral("Ciao"), QStringLiteral("NOW"));
    d->transmit();
    QCOMPARE(errorOf([&] { d->closeConnection(); }), ErrorNo::GatewayWrongNumbers);
    QVERIFY(rig.gateway.delivered().isEmpty());
    QCOMPARE(rig.gateway.credit(QStringLiteral("prova")), qint64(10000));
}

void TestHttpGateway::insufficientCreditDeliversNothing()
{
    Rig rig;
    rig.gateway.addAccount(QStringLiteral("prova"), QStringLiteral("prova"), 2);
    auto d = rig.driver();
    queue(*d, 2);
    d->addSMS(QStringLiteral("12"), QStringLiteral("Ciao"), QStringLiteral("NOW")); // refused, so not counted
    d->transmit();
    d->closeConnection();
    QCOMPARE(rig.gateway.credit(QStringLiteral("prova")), qint64(0));

    queue(*d, 1);
    d->transmit();
    QCOMPARE(errorOf([&] { d->closeConnection(); }), ErrorNo::GatewayCredit);
    QCOMPARE(rig.gateway.delivered().size(), 2);
}

void TestHttpGateway::refusedCredentialsAndAppCode()
{
    Rig rig;
    auto wrongPassword = rig.driver(QString(), QStringLiteral("sbagliata"));
    QCOMPARE(errorOf([&] { wrongPassword->getCredit(); }), ErrorNo::GatewayBadCredentials);
    QCOMPARE(errorOf([&] { wrongPassword->isDemo(); }), ErrorNo::GatewayBadCredentials);
    queue(*wrongPassword, 3);
    QCOMPARE(errorOf([&] { wrongPassword->transmit(); }), ErrorNo::GatewayBadCredentials);

    auto wrongCode = rig.driver();
    wrongCode->setAppCode(QStringLiteral("QAZW318PLX"));
    QCOMPARE(errorOf([&] { wrongCode->getCredit(); }), ErrorNo::GatewayAppCode);
    queue(*wrongCode, 3);
    QCOMPARE(errorOf([&] { wrongCode->transmit(); }), ErrorNo::GatewayAppCode);
    QVERIFY(rig.gateway.delivered().isEmpty());
    QCOMPARE(rig.gateway.openJobs(), 0);
}

void TestHttpGateway::noServerListening_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::newRow("http") << "http";
    QTest::newRow("https") << "https";
}

void TestHttpGateway::noServerListening()
{
    QFETCH(QString, scheme);
    Rig rig;
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    auto d = rig.driver(QStringLiteral("%1://127.0.0.1:%2/gw").arg(scheme).arg(port));
    QCOMPARE(errorOf([&] { d->getCredit(); }), ErrorNo::GatewayNoConnection);
    queue(*d, 3);
    QCOMPARE(errorOf([&] { d->transmit(); }), ErrorNo::GatewayNoConnection);
    QCOMPARE(errorOf([&] { d->closeConnection(); }), 0); // nothing was uploaded
}

void TestHttpGateway::hangingServerTimesOut()
{
    Rig rig;
    rig.gateway.faultAfter(Call::Credit, Fault::Hang);
    auto d = rig.driver();
    QCOMPARE(errorOf([&] { d->getCredit(); }), ErrorNo::GatewayNoConnection);

    // A plain server that never answers a TLS handshake.
    auto tls = rig.driver(QStringLiteral("https://%1/gw").arg(rig.server.hostPort()));
    QCOMPARE(errorOf([&] { tls->getCredit(); }), ErrorNo::GatewayNoConnection);

    // The driver recovers on a new connection.
    QCOMPARE(d->getCredit(), qint64(10000));
}

void TestHttpGateway::slowServerIsWaitedFor()
{
    Rig rig;
    rig.gateway.faultAfter(Call::Commit, Fault::Slow);
    auto d = rig.driver();
    queue(*d, 3);
    d->transmit();
    d->closeConnection();
    QCOMPARE(rig.gateway.delivered().size(), 3);
    QCOMPARE(d->getCredit(), qint64(10000 - 3));
}

void TestHttpGateway::commitRetriedAfterLostReplyIsAppliedOnce()
{
    Rig rig;
    rig.gateway.faultAfter(Call::Commit, Fault::Reset);
    auto d = rig.driver();
    QSignalSpy wrong(d.get(), &GatewayControl::wrongNumber);
    queue(*d, 1500);
    d->addSMS(QStringLiteral("39"), QStringLiteral("Ciao"), QStringLiteral("NOW"));
    d->transmit();
    d->closeConnection();

    QCOMPARE(rig.gateway.calls(Call::Commit), 2);
    QCOMPARE(rig.gateway.commitsApplied(), 1);
    expectEachOnce(rig.gateway.delivered(), 1500);
    QCOMPARE(rig.gateway.credit(QStringLiteral("prova")), qint64(10000 - 1500));
    QCOMPARE(wrong.size(), 1); // from the repeated answer
}

void TestHttpGateway::uncertainCommitIsNotRepeatedBySendingAgain()
{
    Rig rig;
    // Every try of the commit loses its reply, though the first one was applied.
    rig.gateway.faultAfter(Call::Commit, Fault::Reset, 100);
    auto d = rig.driver();
    queue(*d, 1200);
    d->transmit();
    QCOMPARE(errorOf([&] { d->closeConnection(); }), ErrorNo::GatewayNoConnection);
    QCOMPARE(rig.gateway.commitsApplied(), 1);

    // The user sends the same message again once the line is back.
    rig.gateway.clearFaults();
    queue(*d, 1200);
    d->transmit();
    d->closeConnection();
    QCOMPARE(rig.gateway.commitsApplied(), 1);
    expectEachOnce(rig.gateway.delivered(), 1200);
    QCOMPARE(rig.gateway.credit(QStringLiteral("prova")), qint64(10000 - 1200));

    // A different send afterwards is a new job.
    queue(*d, 5, QStringLiteral("Altro"));
    d->transmit();
    d->closeConnection();
    QCOMPARE(rig.gateway.commitsApplied(), 2);
    QCOMPARE(rig.gateway.delivered().size(), 1205);
}

void TestHttpGateway::batchRetriedAfterResetIsStoredOnce()
{
    Rig rig;
    rig.gateway.faultAfter(Call::Batch, Fault::Reset);
    auto d = rig.driver();
    queue(*d, 1700);
    d->transmit();
    QCOMPARE(rig.gateway.calls(Call::Batch), 3);
    d->closeConnection();
    expectEachOnce(rig.gateway.delivered(), 1700);
}

void TestHttpGateway::failureBeforeCommitDeliversNothing()
{
    Rig rig;
    // The second batch is stored but its reply never arrives, however often it is sent.
    rig.gateway.faultAfter(Call::Batch, Fault::None);
    rig.gateway.faultAfter(Call::Batch, Fault::Reset, 100);
    auto d = rig.driver();
    queue(*d, 2500);
    QCOMPARE(errorOf([&] { d->transmit(); }), ErrorNo::GatewayNoConnection);
    QCOMPARE(errorOf([&] { d->closeConnection(); }), 0);
    QVERIFY(rig.gateway.delivered().isEmpty());
    QCOMPARE(rig.gateway.credit(QStringLiteral("prova")), qint64(10000));
    QCOMPARE(rig.gateway.calls(Call::Commit), 0);

    rig.gateway.clearFaults();
    queue(*d, 2500);
    d->transmit();
    d->closeConnection();
    expectEachOnce(rig.gateway.delivered(), 2500);
    QCOMPARE(rig.gateway.credit(QStringLiteral("prova")), qint64(10000 - 2500));
}

void TestHttpGateway::expiredJobIsNotDelivered()
{
    Rig rig;
    auto d = rig.driver();
    queue(*d, 10);
    d->transmit();
    rig.gateway.expireOpenJobs();
    QCOMPARE(errorOf([&] { d->closeConnection(); }), ErrorNo::GatewayServer);
    QVERIFY(rig.gateway.delivered().isEmpty());

    // Jobs left alone expire by themselves.
    rig.gateway.setJobLifetime(0);
    queue(*d, 10);
    d->transmit();
    QTest::qWait(20);
    QCOMPARE(errorOf([&] { d->closeConnection(); }), ErrorNo::GatewayServer);
    QVERIFY(rig.gateway.delivered().isEmpty());
}

void TestHttpGateway::serverErrorsMapToNumbers_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<int>("expected");
    QTest::newRow("server") << 500 << QByteArray("server") << ErrorNo::GatewayServer;
    QTest::newRow("sender") << 422 << QByteArray("bad_sender") << ErrorNo::GatewaySender;
    QTest::newRow("bad request") << 400 << QByteArray("bad_request") << ErrorNo::GatewayBadParameters;
    QTest::newRow("unknown 5xx") << 503 << QByteArray() << ErrorNo::GatewayServer;
    QTest::newRow("unknown 402") << 402 << QByteArray("x") << ErrorNo::GatewayCredit;
    QTest::newRow("unknown 4xx") << 418 << QByteArray("teapot") << ErrorNo::GatewayGeneric;
}

void TestHttpGateway::serverErrorsMapToNumbers()
{
    QFETCH(int, status);
    QFETCH(QByteArray, code);
    QFETCH(int, expected);
    Rig rig;
    rig.gateway.refuse(Call::Commit, status, code);
    auto d = rig.driver();
    queue(*d, 3);
    d->transmit();
    QCOMPARE(errorOf([&] { d->closeConnection(); }), expected);
    QVERIFY(rig.gateway.delivered().isEmpty());
}

void TestHttpGateway::badSendTimeAndOversizedJob()
{
    Rig rig;
    auto d = rig.driver();
    d->addSMS(number(1), QStringLiteral("Ciao"), QStringLiteral("32-12-2002 18:30"));
    QCOMPARE(errorOf([&] { d->transmit(); }), ErrorNo::GatewayDate);

    rig.gateway.setMaxJobMessages(1500);
    queue(*d, 1501);
    QCOMPARE(errorOf([&] { d->transmit(); }), ErrorNo::GatewayMaxQueue);
    QVERIFY(rig.gateway.delivered().isEmpty());
}

QTEST_GUILESS_MAIN(TestHttpGateway)
#include "tst_httpgateway.moc"
