#include "net/Http.h"
#include "refserver/ReferenceServer.h"
#include "settings/Settings.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace brio;
using namespace brio::test;

class TestHttp final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void requestBytes_data();
    void requestBytes();
    void cutOut_data();
    void cutOut();
    void repliesAreDecodedFromWindows1252();
    void stalledServerEndsAtTheTimeout_data();
    void stalledServerEndsAtTheTimeout();
    void noAnswer_data();
    void noAnswer();
    void tlsNeverSendsPlainText();
    void hostSettings();
    void urlEncode_data();
    void urlEncode();
    void resolveHost();

private:
    QString post(const QString &body, const QString &path);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<ReferenceServer> m_server;
};

void TestHttp::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<Settings>(m_dir->filePath(QStringLiteral("Brio2.ini")));
    m_server = std::make_unique<ReferenceServer>();
    m_settings->set(Key::ServerHost, m_server->hostPort());
    m_settings->set(Key::ServerTimeout, 1);
}

void TestHttp::cleanup()
{
    m_server.reset();
    m_settings.reset();
    m_dir.reset();
}

QString TestHttp::post(const QString &body, const QString &path)
{
    return HttpPost(*m_settings, body, path);
}

void TestHttp::requestBytes_data()
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

void TestHttp::requestBytes()
{
    QFETCH(QString, path);
    QFETCH(QString, body);
    QFETCH(QByteArray, tail);
    m_server->setPage(path.toLatin1(), "OK");
    QCOMPARE(post(body, path), QStringLiteral("OK") + QString::fromLatin1(ReferenceServer::closingMarkup()));

    const QList<HttpRequest> requests = m_server->requests();
    QCOMPARE(requests.size(), 1);
    const QByteArray expected = "POST " + path.toLatin1() + " HTTP/1.0\n"
                                + "Host: " + m_server->hostPort().toLatin1() + "\n"
                                + "Content-type: application/x-www-form-urlencoded\n" + tail;
    QCOMPARE(requests.first().raw, expected);
}

void TestHttp::cutOut_data()
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
}

void TestHttp::cutOut()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, expected);
    m_server->setRawReply("/cgi/x.php", raw);
    QCOMPARE(post(QStringLiteral("A=1"), QStringLiteral("/cgi/x.php")), expected);
}

void TestHttp::repliesAreDecodedFromWindows1252()
{
    m_server->setRawReply("/cgi/x.php", "<body>\r\n\x80 \xE8 \x81 \x9F");
    QCOMPARE(post(QString(), QStringLiteral("/cgi/x.php")), QStringLiteral("€ è \u0081 Ÿ"));
}

void TestHttp::stalledServerEndsAtTheTimeout_data()
{
    QTest::addColumn<QByteArray>("sentBeforeStall");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing sent") << QByteArray() << "";
    QTest::newRow("part of the page") << QByteArray("HTTP/1.0 200 OK\r\n\r\n<body>\r\nOK half") << "OK half";
}

void TestHttp::stalledServerEndsAtTheTimeout()
{
    QFETCH(QByteArray, sentBeforeStall);
    QFETCH(QString, expected);
    if (sentBeforeStall.isEmpty())
        m_server->setFault(Fault::Hang);
    else
        m_server->setRawReplyThenHang("/cgi/x.php", sentBeforeStall);
    m_server->setPage("/cgi/y.php", "second");
    QCOMPARE(post(QStringLiteral("A=1"), QStringLiteral("/cgi/x.php")), expected);
    // The next call is unaffected.
    QVERIFY(post(QString(), QStringLiteral("/cgi/y.php")).startsWith(QLatin1String("second")));
}

void TestHttp::noAnswer_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("fault");

    QTest::newRow("closed early") << "" << int(Fault::CloseEarly);
    QTest::newRow("reset") << "" << int(Fault::Reset);
    QTest::newRow("no host configured") << "-" << int(Fault::None);
    QTest::newRow("unresolvable name") << "no-such-host.invalid" << int(Fault::None);
    QTest::newRow("port that is no port") << "127.0.0.1:http" << int(Fault::None);
}

void TestHttp::noAnswer()
{
    QFETCH(QString, host);
    QFETCH(int, fault);
    m_server->setPage("/cgi/x.php", "payload");
    m_server->setFault(Fault(fault));
    if (host == QLatin1String("-"))
        m_settings->remove(Key::ServerHost);
    else if (!host.isEmpty())
        m_settings->set(Key::ServerHost, host);
    QCOMPARE(post(QStringLiteral("A=1"), QStringLiteral("/cgi/x.php")), QString());
    if (!host.isEmpty())
        QCOMPARE(m_server->requests().size(), 0);
}

void TestHttp::tlsNeverSendsPlainText()
{
    // The loopback server speaks no TLS: the handshake cannot complete.
    m_settings->set(Key::ServerTLS, 1);
    m_server->setPage("/cgi/x.php", "payload");
    QCOMPARE(post(QStringLiteral("PWD=secret"), QStringLiteral("/cgi/x.php")), QString());
    QCOMPARE(m_server->requests().size(), 0);
}

void TestHttp::hostSettings()
{
    m_settings->set(Key::ServerHost, QStringLiteral("gw.example.com"));
    ServerEndpoint e = ServerEndpoint::fromSettings(*m_settings);
    QCOMPARE(e.host, QStringLiteral("gw.example.com"));
    QCOMPARE(e.port, quint16(80));
    QCOMPARE(e.timeoutMs, 1000);

    m_settings->set(Key::ServerTLS, 1);
    m_settings->set(Key::ServerTimeout, QStringLiteral("x"));
    e = ServerEndpoint::fromSettings(*m_settings);
    QVERIFY(e.tls);
    QCOMPARE(e.port, quint16(443));
    QCOMPARE(e.timeoutMs, 20000);

    m_settings->set(Key::ServerHost, QStringLiteral("10.0.0.2:8443"));
    e = ServerEndpoint::fromSettings(*m_settings);
    QCOMPARE(e.host, QStringLiteral("10.0.0.2"));
    QCOMPARE(e.port, quint16(8443));
    QCOMPARE(e.hostHeader, QStringLiteral("10.0.0.2:8443"));
}

void TestHttp::urlEncode_data()
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

void TestHttp::urlEncode()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(URLEncode(text), expected);
}

void TestHttp::resolveHost()
{
    QCOMPARE(ResolveHost(QStringLiteral("127.0.0.1")), qToBigEndian(quint32(0x7F000001)));
    QCOMPARE(ResolveHost(QStringLiteral("10.1.2.3")), qToBigEndian(quint32(0x0A010203)));
    QCOMPARE(ResolveHost(QStringLiteral("no-such-host.invalid")), 0xFFFFFFFFu);
    QCOMPARE(ResolveHost(QString()), 0xFFFFFFFFu);
}

QTEST_GUILESS_MAIN(TestHttp)
#include "tst_http.moc"
