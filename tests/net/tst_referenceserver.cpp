#include "refserver/ReferenceServer.h"

#include <QTcpSocket>
#include <QTest>

using namespace brio::test;

namespace {

QByteArray readUntilClosed(QTcpSocket &s)
{
    QByteArray out;
    while (s.state() == QAbstractSocket::ConnectedState && s.waitForReadyRead(2000))
        out += s.readAll();
    return out + s.readAll();
}

// Reads one response with a Content-Length from a kept-alive connection.
QByteArray readResponse(QTcpSocket &s)
{
    QByteArray buf;
    for (;;) {
        const qsizetype end = buf.indexOf("\r\n\r\n");
        if (end >= 0) {
            const qsizetype at = buf.indexOf("Content-Length: ");
            const qsizetype eol = buf.indexOf("\r\n", at);
            const qsizetype len = buf.mid(at + 16, eol - at - 16).toLongLong();
            if (buf.size() >= end + 4 + len)
                return buf.mid(end + 4, len);
        }
        if (!s.waitForReadyRead(3000))
            return QByteArray("<timeout>");
        buf += s.readAll();
    }
}

} // namespace

class TestReferenceServer final : public QObject
{
    Q_OBJECT

private slots:
    void legacyPostKeepsTrailingEnd();
    void keepAliveServesSeveralRequests();
    void faultsStrikeBeforeTheHandler();
};

void TestReferenceServer::legacyPostKeepsTrailingEnd()
{
    ReferenceServer server;
    server.setPage("/cgi/x.php", "OKpayload");
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(s.waitForConnected(2000));
    const QByteArray request = "POST /cgi/x.php HTTP/1.0\nHost: h\nContent-length: 3\n\nA=1End\n";
    // Sent in two pieces, the marker arriving apart from the body.
    s.write(request.left(request.size() - 3));
    s.flush();
    QTest::qWait(50);
    s.write(request.right(3));
    const QByteArray reply = readUntilClosed(s);
    QVERIFY(reply.endsWith("<html><body>\r\nOKpayload" + ReferenceServer::closingMarkup()));
    const auto reqs = server.requests();
    QCOMPARE(reqs.size(), 1);
    QCOMPARE(reqs.first().raw, request);
    QCOMPARE(reqs.first().body, QByteArray("A=1"));
    QCOMPARE(reqs.first().headers.value("content-length"), QByteArray("3"));
    QCOMPARE(server.requestCount("/cgi/x.php"), 1);
}

void TestReferenceServer::keepAliveServesSeveralRequests()
{
    ReferenceServer server;
    int calls = 0;
    server.setHandler("/api/", [&calls](const HttpRequest &r) {
        ++calls;
        HttpResponse out;
        out.body = r.path + "|" + r.query + "|" + r.body;
        return out;
    });
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(s.waitForConnected(2000));
    const QByteArray big(200000, 'x');
    for (int i = 0; i < 3; ++i) {
        const QByteArray body = i == 1 ? big : QByteArray::number(i);
        s.write("POST /api/send?k=" + QByteArray::number(i) + " HTTP/1.1\r\nHost: h\r\nContent-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        QCOMPARE(readResponse(s), "/api/send|k=" + QByteArray::number(i) + "|" + body);
    }
    QCOMPARE(s.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(calls, 3);
    s.write("GET /nothing HTTP/1.1\r\nHost: h\r\n\r\n");
    QVERIFY(readResponse(s).startsWith("no such path"));
}

void TestReferenceServer::faultsStrikeBeforeTheHandler()
{
    ReferenceServer server;
    int calls = 0;
    server.setHandler("/api/", [&calls](const HttpRequest &) {
        ++calls;
        return HttpResponse{};
    });
    const QByteArray request = "GET /api/a HTTP/1.1\r\nHost: h\r\n\r\n";
    for (Fault f : {Fault::CloseEarly, Fault::Reset}) {
        server.setFault(f);
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(s.waitForConnected(2000));
        s.write(request);
        QVERIFY(readUntilClosed(s).isEmpty());
        QCOMPARE(s.error(), QAbstractSocket::RemoteHostClosedError);
    }
    QCOMPARE(calls, 0);
    server.setFault(Fault::Slow);
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(s.waitForConnected(2000));
    s.write(request);
    QCOMPARE(readResponse(s), QByteArray());
    QCOMPARE(calls, 1);
    QCOMPARE(server.requestCount("/api/a"), 3);
}

QTEST_GUILESS_MAIN(TestReferenceServer)
#include "tst_referenceserver.moc"
