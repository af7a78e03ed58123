#include "refserver/ReferenceServer.h"

#include <QTcpSocket>
#include <QTest>

using namespace brio::test;

namespace {

bool connectTo(QTcpSocket &s, const ReferenceServer &server)
{
    s.connectToHost(QHostAddress::LocalHost, server.port());
    return s.waitForConnected(2000);
}

QByteArray readUntilClosed(QTcpSocket &s)
{
    QByteArray out;
    while (s.state() == QAbstractSocket::ConnectedState && s.waitForReadyRead(2000))
        out += s.readAll();
    return out + s.readAll();
}

// The body of one Content-Length response on a kept-alive connection.
QByteArray readResponse(QTcpSocket &s)
{
    QByteArray buf;
    for (;;) {
        const qsizetype end = buf.indexOf("\r\n\r\n");
        const qsizetype at = buf.indexOf("Content-Length: ") + 16;
        const qsizetype len = buf.mid(at, buf.indexOf("\r\n", at) - at).toLongLong();
        if (end >= 0 && buf.size() >= end + 4 + len)
            return buf.mid(end + 4, len);
        if (!s.waitForReadyRead(3000))
            return "<timeout>";
        buf += s.readAll();
    }
}

} // namespace

class TestReferenceServer final : public QObject
{
    Q_OBJECT

private slots:
    void keepAliveServesSeveralRequests()
    {
        ReferenceServer server;
        server.setHandler("/api/", [](const HttpRequest &r) {
            return HttpResponse{200, r.path + "|" + r.query + "|" + r.body};
        });
        QTcpSocket s;
        QVERIFY(connectTo(s, server));
        for (int i = 0; i < 3; ++i) {
            const QByteArray body = i == 1 ? QByteArray(200000, 'x') : QByteArray::number(i);
            s.write("POST /api/send?k=" + QByteArray::number(i) + " HTTP/1.1\r\nHost: h\r\nContent-Length: "
                    + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            QCOMPARE(readResponse(s), "/api/send|k=" + QByteArray::number(i) + "|" + body);
        }
        QCOMPARE(s.state(), QAbstractSocket::ConnectedState);
        s.write("GET /nothing HTTP/1.1\r\nHost: h\r\n\r\n");
        QCOMPARE(readResponse(s), QByteArray(R"({"error":"not_found"})"));
    }

    void faultsStrikeBeforeTheHandler()
    {
        ReferenceServer server;
        int calls = 0;
        server.setHandler("/api/", [&calls](const HttpRequest &) {
            ++calls;
            return HttpResponse{};
        });
        for (Fault f : {Fault::CloseEarly, Fault::Reset, Fault::Slow}) {
            server.setFault(f);
            QTcpSocket s;
            QVERIFY(connectTo(s, server));
            s.write("GET /api/a HTTP/1.1\r\nHost: h\r\n\r\n");
            if (f == Fault::Slow) {
                QCOMPARE(readResponse(s), QByteArray());
            } else {
                QVERIFY(readUntilClosed(s).isEmpty());
                QCOMPARE(s.error(), QAbstractSocket::RemoteHostClosedError);
            }
        }
        QCOMPARE(calls, 1);
        QCOMPARE(server.requestCount("/api/a"), 3);
    }
};

QTEST_GUILESS_MAIN(TestReferenceServer)
#include "tst_referenceserver.moc"
