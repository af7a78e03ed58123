#include "core/Error.h"
#include "gateway/GatewayControl.h"
#include "gateway/GatewayFactory.h"
#include "gateway/GsmTextOnly.h"
#include "gateway/SandboxGateway.h"
#include "mock/Errors.h"
#include "refserver/JsonGateway.h"
#include "refserver/ReferenceServer.h"
#include "refserver/TestCertificates.h"
#include "settings/Settings.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

using Call = JsonGateway::Call;
const QString kUser = QStringLiteral("prova");

// A gateway on a loopback server with the account prova/prova (credit
// 10000), and drivers pointed at it (time-out 1 s).
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
        gateway.addAccount(kUser, kUser, 10000);
    }

    std::unique_ptr<GatewayControl> driver(const QString &url = QString(), const QString &password = kUser)
    {
        auto d = makeGatewayFactory(url.isEmpty() ? gateway.url(server) : url, dir.path(), settings)();
        d->setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
        d->setUserName(kUser);
        d->setPassword(password);
        d->setAuthenticated(true);
        return d;
    }

    qint64 credit() const { return gateway.credit(kUser); }
};

QString number(int i)
{
    return QStringLiteral("39333%1").arg(i, 7, 10, QLatin1Char('0'));
}

void queue(GatewayControl &d, int count, const QString &text = QStringLiteral("Ciao"))
{
    for (int i = 0; i < count; ++i)
        d.addSMS(number(i), text, SendTime::now());
}

void queue(GatewayControl &d, const QStringList &numbers)
{
    for (const QString &n : numbers)
        d.addSMS(n, QStringLiteral("Ciao"), SendTime::now());
}

// Transmit and commit; the error number, or 0.
int send(GatewayControl &d)
{
    return errorOf([&] {
        d.transmit();
        d.closeConnection();
    });
}

// Each of the `count` numbers of queue() delivered exactly once.
void expectEachOnce(const QList<JsonGateway::Delivered> &delivered, int count)
{
    QCOMPARE(delivered.size(), count);
    QSet<QString> seen;
    for (const auto &m : delivered)
        seen.insert(m.to);
    QCOMPARE(seen.size(), count);
    QVERIFY(seen.contains(number(0)) && seen.contains(number(count - 1)));
}

} // namespace

class TestHttpGateway final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accountCall()
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

        // Refused credentials or application code: no call gets through.
        auto wrongPassword = rig.driver(QString(), QStringLiteral("sbagliata"));
        auto wrongCode = rig.driver();
        wrongCode->setAppCode(QStringLiteral("QAZW318PLX"));
        for (const auto &[w, expected] : {std::pair{wrongPassword.get(), int(ErrorNo::GatewayBadCredentials)},
                                          std::pair{wrongCode.get(), int(ErrorNo::GatewayAppCode)}}) {
            QCOMPARE(errorOf([&] { w->getCredit(); }), expected);
            QCOMPARE(errorOf([&] { w->isDemo(); }), expected);
            queue(*w, 3);
            QCOMPARE(send(*w), expected);
        }
        QVERIFY(rig.gateway.delivered().isEmpty());
        QCOMPARE(rig.credit(), qint64(10000));
    }

    void addressesTheDriverAccepts_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("https") << "https://sms.example.com/gw" << true;
        QTest::newRow("http loopback") << "http://127.0.0.1:9/gw" << true;
        QTest::newRow("http localhost") << "HTTP://localhost/gw" << true;
        QTest::newRow("http ipv6 loopback") << "http://[::1]:8080/gw" << true;
        QTest::newRow("http remote") << "http://sms.example.com/gw" << false;
        QTest::newRow("credentials in url") << "https://a:b@sms.example.com/gw" << false;
        QTest::newRow("no host") << "https:///gw" << false;
        QTest::newRow("other scheme") << "ftp://sms.example.com/gw" << false;
        QTest::newRow("port out of range") << "https://sms.example.com:99999/gw" << false;
    }

    void addressesTheDriverAccepts()
    {
        QFETCH(QString, url);
        QFETCH(bool, accepted);
        Rig rig;
        QCOMPARE(errorOf([&] { QVERIFY(rig.driver(url) != nullptr); }), accepted ? 0 : ErrorNo::BadGatewayAddress);
    }

    void acceptedSendIsDeliveredOnlyByTheCommit()
    {
        Rig rig;
        auto d = rig.driver();
        QSignalSpy progress(d.get(), &GatewayControl::progress);
        QSignalSpy wrong(d.get(), &GatewayControl::wrongNumber);
        queue(*d, 2500);
        d->addSMS(QStringLiteral("393471234567"), QStringLiteral("Ciao"), SendTime::at(QDateTime(QDate(2002, 12, 25), QTime(18, 30))));

        d->transmit();
        QCOMPARE(rig.gateway.calls(Call::Batch), 3);
        QVERIFY(rig.gateway.delivered().isEmpty());
        QCOMPARE(rig.credit(), qint64(10000));
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
        QCOMPARE(rig.credit(), qint64(10000 - 2501));
        QCOMPARE(rig.gateway.commitsApplied(), 1);
        QCOMPARE(wrong.size(), 0);

        // Nothing pending: a second close does not commit anything.
        d->closeConnection();
        QCOMPARE(rig.gateway.calls(Call::Commit), 1);
    }

    // What JSON escapes, texts outside the SMS alphabet and a text of two
    // parts: each arrives as it was written, and costs its parts.
    void textsSurviveTheWire()
    {
        Rig rig;
        auto d = rig.driver();
        const QStringList texts{QStringLiteral("Perché \"sì\" \\ no"), QStringLiteral("riga 1\nriga 2\rfine\f"),
                                QStringLiteral("€ {[~]} /</"), QStringLiteral("tab\tfine"),
                                QStringLiteral("Привет 你好 😀"), QString(300, QLatin1Char('a'))};
        for (int i = 0; i < texts.size(); ++i)
            d->addSMS(number(i), texts.at(i), SendTime::now());
        QCOMPARE(send(*d), 0);
        QStringList received;
        for (const auto &m : rig.gateway.delivered())
            received << m.text;
        QCOMPARE(received, texts);
        QCOMPARE(rig.credit(), qint64(10000 - 7));
    }

    // A server that says nothing of parts or alphabets takes one GSM 03.38
    // message: anything more is refused before it is queued, the characters
    // named. The user's setting caps what a server allows.
    void whatTheServerTakes()
    {
        Rig rig;
        rig.gateway.setTextLimits(1, false);
        auto d = rig.driver();
        QCOMPARE(d->getCredit(), qint64(10000));
        QCOMPARE(d->textLimits().parts, 1);
        QVERIFY(!d->textLimits().ucs2);
        try {
            d->addSMS(number(1), QStringLiteral("tab\tfine"), SendTime::now());
            QFAIL("a text outside the SMS alphabet was queued");
        } catch (const Error &e) {
            QCOMPARE(e.number(), 29003);
            QVERIFY2(e.description().contains(QStringLiteral("alla posizione 4"))
                         && e.description().contains(QStringLiteral("Sostituisci")),
                     qPrintable(e.description()));
        }
        QCOMPARE(errorOf([&] { d->addSMS(number(1), QString(161, QLatin1Char('a')), SendTime::now()); }),
                 kTooManyPartsError);
        queue(*d, 1);
        QCOMPARE(send(*d), 0);
        QCOMPARE(rig.gateway.delivered().size(), 1);

        rig.gateway.setTextLimits(4, true);
        rig.settings.set(Key::GatewayMaxParts, 2);
        auto capped = rig.driver();
        // Not asked yet: a long text makes the driver ask.
        capped->addSMS(number(2), QString(306, QLatin1Char('a')), SendTime::now());
        QCOMPARE(capped->textLimits().parts, 2);
        QCOMPARE(errorOf([&] { capped->addSMS(number(3), QString(307, QLatin1Char('a')), SendTime::now()); }),
                 kTooManyPartsError);
        QCOMPARE(send(*capped), 0);
        QCOMPARE(rig.credit(), qint64(10000 - 1 - 2));
    }

    // The commit judges the numbers and the credit; only what it accepts is charged.
    void commitJudgesNumbersAndCredit()
    {
        Rig rig;
        auto d = rig.driver();
        QSignalSpy wrong(d.get(), &GatewayControl::wrongNumber);
        queue(*d, {number(1), "39333", "3933312345678901", number(2), "39333abc4567", "393331234"});
        d->transmit();
        QCOMPARE(wrong.size(), 0);
        d->closeConnection();
        QCOMPARE(wrong.size(), 4);
        const auto delivered = rig.gateway.delivered();
        QCOMPARE(delivered.size(), 2);
        QCOMPARE(delivered.at(0).to, number(1));
        QCOMPARE(delivered.at(1).to, number(2));
        QCOMPARE(rig.credit(), qint64(10000 - 2));

        // Wrong numbers only: the job is refused whole.
        queue(*d, {"123", "abc"});
        QCOMPARE(send(*d), ErrorNo::GatewayWrongNumbers);

        // Credit for the valid numbers only, then none left.
        rig.gateway.addAccount(kUser, kUser, 2);
        queue(*d, {number(0), number(1), "12"});
        QCOMPARE(send(*d), 0);
        QCOMPARE(rig.credit(), qint64(0));
        queue(*d, 1);
        QCOMPARE(send(*d), ErrorNo::GatewayCredit);
        QCOMPARE(rig.gateway.delivered().size(), 4);
    }

    void networkFailures()
    {
        Rig rig;
        for (const char *scheme : {"http", "https"}) {
            auto gone = rig.driver(QStringLiteral("%1://%2/gw").arg(scheme, ReferenceServer().hostPort()));
            QCOMPARE(errorOf([&] { gone->getCredit(); }), ErrorNo::GatewayNoConnection);
            queue(*gone, 3);
            QCOMPARE(errorOf([&] { gone->transmit(); }), ErrorNo::GatewayNoConnection);
            QCOMPARE(errorOf([&] { gone->closeConnection(); }), 0); // nothing was uploaded
        }

        rig.gateway.faultAfter(Call::Credit, Fault::Hang);
        auto d = rig.driver();
        QCOMPARE(errorOf([&] { d->getCredit(); }), ErrorNo::GatewayNoConnection);
        // A plain server that never answers a TLS handshake.
        auto tls = rig.driver(QStringLiteral("https://%1/gw").arg(rig.server.hostPort()));
        QCOMPARE(errorOf([&] { tls->getCredit(); }), ErrorNo::GatewayNoConnection);

        // The driver recovers on a new connection, and waits for a slow answer.
        QCOMPARE(d->getCredit(), qint64(10000));
        rig.gateway.faultAfter(Call::Commit, Fault::Slow);
        queue(*d, 3);
        QCOMPARE(send(*d), 0);
        QCOMPARE(rig.gateway.delivered().size(), 3);
        QCOMPARE(d->getCredit(), qint64(10000 - 3));
    }

    // A lost reply: the batch (the first one, sent alone, or one of those
    // that travel together) or the commit is sent again and applied once.
    void retriedAfterLostReplyIsAppliedOnce()
    {
        Rig rig;
        rig.gateway.faultAfter(Call::Batch, Fault::Reset);
        rig.gateway.faultAfter(Call::Batch, Fault::Reset, 1, 1);
        rig.gateway.faultAfter(Call::Commit, Fault::Reset);
        auto d = rig.driver();
        QSignalSpy wrong(d.get(), &GatewayControl::wrongNumber);
        queue(*d, 2500);
        queue(*d, {"39"});
        QCOMPARE(send(*d), 0);
        QCOMPARE(rig.gateway.calls(Call::Batch), 5);
        QCOMPARE(rig.gateway.calls(Call::Commit), 2);
        QCOMPARE(rig.gateway.commitsApplied(), 1);
        expectEachOnce(rig.gateway.delivered(), 2500);
        QCOMPARE(rig.credit(), qint64(10000 - 2500));
        QCOMPARE(wrong.size(), 1); // from the repeated answer
    }

    void uncertainCommitIsNotRepeatedBySendingAgain()
    {
        Rig rig;
        // Every try of the commit loses its reply, though the first one was applied.
        rig.gateway.faultAfter(Call::Commit, Fault::Reset, 100);
        auto d = rig.driver();
        queue(*d, 1200);
        QCOMPARE(send(*d), ErrorNo::GatewayNoConnection);
        QCOMPARE(rig.gateway.commitsApplied(), 1);

        // The user sends the same message again once the line is back.
        rig.gateway.clearFaults();
        queue(*d, 1200);
        QCOMPARE(send(*d), 0);
        QCOMPARE(rig.gateway.commitsApplied(), 1);
        expectEachOnce(rig.gateway.delivered(), 1200);
        QCOMPARE(rig.credit(), qint64(10000 - 1200));

        // A different send afterwards is a new job.
        queue(*d, 5, QStringLiteral("Altro"));
        QCOMPARE(send(*d), 0);
        QCOMPARE(rig.gateway.commitsApplied(), 2);
        QCOMPARE(rig.gateway.delivered().size(), 1205);
    }

    // A commit answer that says nothing clear: applied by a server behind a
    // failing proxy, the job key stays so a resend does not deliver twice; a
    // success that does not say what was accepted is no success.
    void unclearCommitReply_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<int>("expected"); // 0: any error
        auto ok = [](const QByteArray &body) {
            return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                   + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        };
        QTest::newRow("502 proxy page") << QByteArray("HTTP/1.1 502 Bad Gateway\r\nContent-Type: text/html\r\n"
                                                      "Content-Length: 22\r\n\r\n<html>Bad Gateway</html>")
                                        << true << ErrorNo::GatewayServer;
        QTest::newRow("504 without body") << QByteArray("HTTP/1.1 504 Gateway Timeout\r\nContent-Length: 0\r\n\r\n")
                                          << true << ErrorNo::GatewayServer;
        QTest::newRow("204") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << true << ErrorNo::GatewayGeneric;
        QTest::newRow("empty object") << ok("{}") << false << 0;
        QTest::newRow("accepted is text") << ok("{\"accepted\":\"x\",\"refused\":[],\"credit\":1}") << false << 0;
        QTest::newRow("count does not add up") << ok("{\"accepted\":1,\"refused\":[],\"credit\":1}") << false << 0;
        QTest::newRow("two lengths") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 40\r\n\r\n"
                                                   "{}                                      ")
                                     << false << 0;
        QTest::newRow("status 2000") << QByteArray("HTTP/1.1 2000 OK\r\nContent-Length: 2\r\n\r\n{}") << false << 0;
    }

    void unclearCommitReply()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, applied);
        QFETCH(int, expected);
        Rig rig;
        rig.gateway.replyInstead(Call::Commit, HttpResponse{.body = {}, .raw = raw}, applied);
        auto d = rig.driver();
        queue(*d, 3);
        const int error = send(*d);
        QVERIFY(error != 0);
        if (expected)
            QCOMPARE(error, expected);
        QCOMPARE(rig.gateway.commitsApplied(), applied ? 1 : 0);
        queue(*d, 3);
        QCOMPARE(send(*d), 0);
        expectEachOnce(rig.gateway.delivered(), 3);
        QCOMPARE(rig.credit(), qint64(10000 - 3));
    }

    // Every request ends by its one deadline and reads no more than the caps,
    // whatever the server keeps sending; the driver works again afterwards.
    void boundedInTimeAndSize_data()
    {
        QTest::addColumn<QByteArray>("lead");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("expected");
        const QByteArray credit = "{\"credit\":5,\"demo\":false}";
        QTest::newRow("dripped answer") << QByteArray() << int(Fault::Drip) << credit << ErrorNo::GatewayNoConnection;
        QTest::newRow("endless 100 Continue") << QByteArray("HTTP/1.1 100 Continue\r\n\r\n") << int(Fault::None)
                                              << credit << ErrorNo::GatewayNoConnection;
        QTest::newRow("body over 1 MB") << QByteArray() << int(Fault::None)
                                        << "{\"credit\":5,\"pad\":\"" + QByteArray(2 * 1024 * 1024, 'x') + "\"}"
                                        << ErrorNo::GatewayGeneric;
    }

    void boundedInTimeAndSize()
    {
        QFETCH(QByteArray, lead);
        QFETCH(int, fault);
        QFETCH(QByteArray, body);
        QFETCH(int, expected);
        Rig rig;
        // A flood lasts longer than the time-out, then the answer follows.
        const HttpResponse hostile{.body = body, .fault = Fault(fault), .lead = lead, .leadMs = 3000};
        rig.gateway.replyInstead(Call::Credit, hostile, true);
        auto d = rig.driver();
        QCOMPARE(errorOf([&] { d->getCredit(); }), expected);
        if (lead.isEmpty())
            QCOMPARE(d->getCredit(), qint64(10000));
    }

    // A real TLS connection: a certificate of an authority the system does
    // not know is refused with its own message; trusted, it works.
    void tlsWithAThrowAwayAuthority()
    {
        QTemporaryDir folder;
        const TestCertificates tls = TestCertificates::make(folder.path());
        QVERIFY2(tls.error.isEmpty(), qPrintable(tls.error));
        Rig rig;
        ReferenceServer server(tls.server);
        rig.gateway.install(server);
        const QString url = QStringLiteral("https://127.0.0.1:%1/gw").arg(server.port());

        try {
            rig.driver(url)->getCredit();
            QFAIL("an unknown authority was trusted");
        } catch (const Error &e) {
            QCOMPARE(e.number(), ErrorNo::UntrustedServer);
            QVERIFY2(e.description().contains(QLatin1String("127.0.0.1")), qPrintable(e.description()));
        }
        QCOMPARE(rig.gateway.calls(Call::Credit), 0);

        const QSslConfiguration system = QSslConfiguration::defaultConfiguration();
        QSslConfiguration withTestAuthority = system;
        withTestAuthority.addCaCertificate(tls.authority);
        QSslConfiguration::setDefaultConfiguration(withTestAuthority);
        const auto restore = qScopeGuard([&] { QSslConfiguration::setDefaultConfiguration(system); });
        QCOMPARE(rig.driver(url)->getCredit(), qint64(10000));
    }

    void serverErrorsMapToNumbers_data()
    {
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<int>("expected");
        const int batch = int(Call::Batch);
        const int commit = int(Call::Commit);
        QTest::newRow("server") << commit << 500 << QByteArray("server") << ErrorNo::GatewayServer;
        QTest::newRow("job expired") << commit << 404 << QByteArray("job_unknown") << ErrorNo::GatewayServer;
        QTest::newRow("sender") << commit << 422 << QByteArray("bad_sender") << ErrorNo::GatewaySender;
        QTest::newRow("bad date") << batch << 422 << QByteArray("bad_date") << ErrorNo::GatewayDate;
        QTest::newRow("queue full") << batch << 413 << QByteArray("queue_full") << ErrorNo::GatewayMaxQueue;
        QTest::newRow("bad request") << batch << 400 << QByteArray("bad_request") << ErrorNo::GatewayBadParameters;
        QTest::newRow("unknown 5xx") << commit << 503 << QByteArray() << ErrorNo::GatewayServer;
        QTest::newRow("unknown 402") << commit << 402 << QByteArray("x") << ErrorNo::GatewayCredit;
        QTest::newRow("unknown 4xx") << commit << 418 << QByteArray("teapot") << ErrorNo::GatewayGeneric;
    }

    void serverErrorsMapToNumbers()
    {
        QFETCH(int, call);
        QFETCH(int, status);
        QFETCH(QByteArray, code);
        QFETCH(int, expected);
        Rig rig;
        rig.gateway.refuse(Call(call), status, code);
        auto d = rig.driver();
        queue(*d, 3);
        QCOMPARE(send(*d), expected);
        QVERIFY(rig.gateway.delivered().isEmpty());
    }

    // A send refused for its size leaves nothing queued behind, in either driver.
    void refusedSendIsDropped_data()
    {
        QTest::addColumn<bool>("http");
        QTest::newRow("sandbox") << false;
        QTest::newRow("http") << true;
    }

    void refusedSendIsDropped()
    {
        QFETCH(bool, http);
        Rig rig;
        const QString file = sandboxFile(rig.dir.path());
        SandboxGateway::addAccount(file, kUser, kUser, 10, false);
        auto d = rig.driver(http ? QString() : QStringLiteral("sandbox:"));
        QCOMPARE(errorOf([&] {
                     for (qsizetype i = 0; i <= 1000000; ++i) // one more than either driver queues
                         d->addSMS(QStringLiteral("393331111111"), QStringLiteral("troppi"), SendTime::now());
                 }),
                 ErrorNo::GatewayMaxQueue);
        queue(*d, 1);
        QCOMPARE(send(*d), 0);
        QStringList delivered;
        for (const auto &m : rig.gateway.delivered())
            delivered << m.to;
        for (const auto &m : SandboxGateway::outbox(file))
            delivered << m.recipient;
        QCOMPARE(delivered, QStringList{number(0)});
    }
};

QTEST_GUILESS_MAIN(TestHttpGateway)
#include "tst_httpgateway.moc"
