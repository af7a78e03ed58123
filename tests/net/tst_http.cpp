#include "net/Http.h"
#include "refserver/ReferenceServer.h"
#include "settings/Settings.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

// Settings pointed at a fresh loopback server, time-out 1 s.
struct Rig
{
    QTemporaryDir dir;
    Settings settings{dir.filePath(QStringLiteral("Brio2.ini"))};
    ReferenceServer server;

    Rig()
    {
        settings.set(Key::ServerHost, server.hostPort());
        settings.set(Key::ServerTimeout, 1);
    }

    QString post(const QString &body, const char *path = "/cgi/x.php")
    {
        return HttpPost(settings, body, QString::fromLatin1(path));
    }
};

} // namespace

class TestHttp final : public QObject
{
    Q_OBJECT

private slots:
    void requestBytes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("capabilities") << "/cgi/getServerCapabilities.php" << "VER=00"
                                      << QByteArray("Content-length: 6\n\nVER=00End\n");
        QTest::newRow("empty body") << "/cgi/getBrand.php" << "" << QByteArray("Content-length: 0\n\nEnd\n");
        // Length counts the characters sent, one byte each in the code page.
        QTest::newRow("accented") << "/cgi/getBrand.php" << QStringLiteral("A=è€")
                                  << QByteArray("Content-length: 4\n\nA=\xE8\x80" "End\n");
    }

    void requestBytes()
    {
        QFETCH(QString, path);
        QFETCH(QString, body);
        QFETCH(QByteArray, tail);
        Rig rig;
        rig.server.setPage(path.toLatin1(), "OK");
        QCOMPARE(rig.post(body, qPrintable(path)), "OK" + QString::fromLatin1(ReferenceServer::closingMarkup()));
        const QList<HttpRequest> requests = rig.server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().raw, "POST " + path.toLatin1() + " HTTP/1.0\nHost: "
                                           + rig.server.hostPort().toLatin1()
                                           + "\nContent-type: application/x-www-form-urlencoded\n" + tail);
    }

    void cutOut_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("expected");
        QTest::newRow("upper-case tag") << QByteArray("HTTP/1.0 200 OK\r\n\r\n<HTML><BODY>\r\n07\r\n39,320\r\n")
                                        << "07\r\n39,320\r\n";
        QTest::newRow("lower-case tag keeps its case")
            << QByteArray("HTTP/1.0 200 OK\r\n\r\n<html><body>\r\nOk Text</body>") << "Ok Text</body>";
        QTest::newRow("mixed-case tag") << QByteArray("x<BoDy>\r\nabc") << "abc";
        QTest::newRow("no tag drops seven characters") << QByteArray("HTTP/1.0 200 OK\r\n\r\nplain")
                                                       << "0 200 OK\r\n\r\nplain";
        QTest::newRow("tag without a line end") << QByteArray("<body>ABCD") << "CD";
        QTest::newRow("reply shorter than seven") << QByteArray("HTTP/1") << "";
        QTest::newRow("first tag wins") << QByteArray("<body>\r\n1<BODY>\r\n2") << "1<BODY>\r\n2";
        QTest::newRow("decoded from Windows-1252") << QByteArray("<body>\r\n\x80 \xE8 \x81 \x9F")
                                                   << QStringLiteral("€ è \u0081 Ÿ");
    }

    void cutOut()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, expected);
        Rig rig;
        rig.server.setRawReply("/cgi/x.php", raw);
        QCOMPARE(rig.post(QStringLiteral("A=1")), expected);
    }

    // A failed call gives what arrived so far, cut out, or the empty text; the next call is unaffected.
    void failedCall_data()
    {
        QTest::addColumn<QString>("host"); // empty: the server; "-": none configured
        QTest::addColumn<int>("fault");
        QTest::addColumn<QByteArray>("sentBeforeStall");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hangs") << "" << int(Fault::Hang) << QByteArray() << "";
        // Only a reply the server ended by closing, before the deadline, is used.
        QTest::newRow("hangs after part of the page")
            << "" << int(Fault::None) << QByteArray("HTTP/1.0 200 OK\r\n\r\n<body>\r\nOK half") << "";
        QTest::newRow("dripped past the deadline") << "" << int(Fault::Drip) << QByteArray() << "";
        QTest::newRow("closed early") << "" << int(Fault::CloseEarly) << QByteArray() << "";
        QTest::newRow("reset") << "" << int(Fault::Reset) << QByteArray() << "";
        // The loopback server speaks no TLS: no byte of the request may go out in clear.
        QTest::newRow("no TLS handshake") << "tls" << int(Fault::None) << QByteArray() << "";
        QTest::newRow("no host configured") << "-" << int(Fault::None) << QByteArray() << "";
        QTest::newRow("unresolvable name") << "no-such-host.invalid" << int(Fault::None) << QByteArray() << "";
        // The lookup counts against the deadline too (the test preloads a
        // resolver that hangs on these names).
        QTest::newRow("name lookup that hangs") << "gateway.slow-lookup.test" << int(Fault::None) << QByteArray() << "";
        QTest::newRow("port that is no port") << "127.0.0.1:http" << int(Fault::None) << QByteArray() << "";
    }

    void failedCall()
    {
        QFETCH(QString, host);
        QFETCH(int, fault);
        QFETCH(QByteArray, sentBeforeStall);
        QFETCH(QString, expected);
        Rig rig;
        rig.server.setPage("/cgi/x.php", "payload");
        rig.server.setPage("/cgi/y.php", "second");
        if (!sentBeforeStall.isEmpty())
            rig.server.setRawReply("/cgi/x.php", sentBeforeStall, true);
        rig.server.setFault(Fault(fault));
        if (host == QLatin1String("tls"))
            rig.settings.set(Key::ServerTLS, 1);
        else if (host == QLatin1String("-"))
            rig.settings.remove(Key::ServerHost);
        else if (!host.isEmpty())
            rig.settings.set(Key::ServerHost, host);
        QElapsedTimer took;
        took.start();
        QCOMPARE(rig.post(QStringLiteral("PWD=secret")), expected);
        QVERIFY2(took.elapsed() < 4000, "the call outlived its 1 s deadline");
        if (!host.isEmpty()) {
            QCOMPARE(rig.server.requests().size(), 0);
            return;
        }
        QVERIFY(rig.post(QString(), "/cgi/y.php").startsWith(QLatin1String("second")));
    }

    void oversizedReplyIsDropped()
    {
        Rig rig;
        rig.server.setPage("/cgi/x.php", "07\r\n" + QByteArray("39,333\r\n").repeated(200 * 1024));
        QCOMPARE(rig.post(QStringLiteral("VER=00")), QString());
    }

    void hostSettings()
    {
        Rig rig;
        rig.settings.set(Key::ServerHost, QStringLiteral("gw.example.com"));
        ServerEndpoint e = ServerEndpoint::fromSettings(rig.settings);
        QCOMPARE(e.host, QStringLiteral("gw.example.com"));
        // The account's password goes in these posts: TLS unless told otherwise.
        QVERIFY(e.tls);
        QCOMPARE(e.port, quint16(443));
        QCOMPARE(e.timeoutMs, 1000);
        rig.settings.set(Key::ServerTLS, 0);
        e = ServerEndpoint::fromSettings(rig.settings);
        QVERIFY(!e.tls);
        QCOMPARE(e.port, quint16(80));
        rig.settings.remove(Key::ServerTLS);
        rig.settings.set(Key::ServerHost, QStringLiteral("localhost:8080"));
        QVERIFY(!ServerEndpoint::fromSettings(rig.settings).tls);

        rig.settings.set(Key::ServerHost, QStringLiteral("gw.example.com"));
        rig.settings.set(Key::ServerTLS, 1);
        rig.settings.set(Key::ServerTimeout, QStringLiteral("x"));
        e = ServerEndpoint::fromSettings(rig.settings);
        QVERIFY(e.tls);
        QCOMPARE(e.port, quint16(443));
        QCOMPARE(e.timeoutMs, 20000);

        rig.settings.set(Key::ServerHost, QStringLiteral("10.0.0.2:8443"));
        e = ServerEndpoint::fromSettings(rig.settings);
        QCOMPARE(e.host, QStringLiteral("10.0.0.2"));
        QCOMPARE(e.port, quint16(8443));
        QCOMPARE(e.hostHeader, QStringLiteral("10.0.0.2:8443"));
    }

    void urlEncode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("letters and digits too") << "ab1" << "%61%62%31";
        QTest::newRow("space") << " " << "%20";
        QTest::newRow("e grave") << QStringLiteral("è") << "%E8";
        QTest::newRow("control below 16") << QStringLiteral("\t") << "%09";
        QTest::newRow("euro sign") << QStringLiteral("€") << "%80";
        QTest::newRow("apostrophe and ampersand") << "'&" << "%27%26";
        QTest::newRow("outside the code page") << QStringLiteral("aЖ😀b") << "%61%3F%3F%62";
        QTest::newRow("empty") << "" << "";
    }

    void urlEncode()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(URLEncode(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestHttp)
#include "tst_http.moc"
