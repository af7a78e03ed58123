// The receiver of delivery reports as a client on the network meets it:
// reports for this folder's sends are taken, and anything else (unknown
// tokens, oversized requests, huge bodies, floods, slow or silent clients)
// is refused or slowed down without harm, the receiver answering the next
// client as before.
#include "mock/TestEnv.h"

#include "history/DeliveryReports.h"
#include "history/ReportReceiver.h"
#include "history/SentHistory.h"
#include "store/Database.h"

#include <QTcpSocket>
#include <QTest>
#include <memory>
#include <vector>

using namespace brio;
using namespace brio::test;

namespace {

const QByteArray kToken = "00112233445566778899aabbccddeeff";
const QByteArray kReport = "GET /dlr?t=" + kToken + "&n=393331110001&s=1 HTTP/1.1\r\nHost: x\r\n\r\n";

ReportReceiver::Limits smallLimits()
{
    ReportReceiver::Limits l;
    l.connections = 4;
    l.requestLine = 256;
    l.headers = 1024;
    l.body = 512;
    l.timeoutMs = 300;
    l.perSecond = 100; // ten requests a tenth of a second
    l.flushMs = 10;
    return l;
}

// The statuses of the answers on one connection, until `answers` came and,
// with `untilClosed`, the receiver closed it.
struct Seen
{
    QList<int> statuses;
    bool closed = false;
};

Seen talk(quint16 port, const QByteArray &request, int answers, bool untilClosed = false)
{
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!QTest::qWaitFor([&] { return s.state() == QAbstractSocket::ConnectedState; }, 5000))
        return {};
    s.write(request);
    QByteArray in;
    Seen seen;
    [[maybe_unused]] const bool done = QTest::qWaitFor([&] {
        in += s.readAll();
        seen.closed = s.state() == QAbstractSocket::UnconnectedState;
        return seen.closed || (in.count("HTTP/1.1 ") >= answers && !untilClosed);
    }, 10000);
    for (qsizetype at = in.indexOf("HTTP/1.1 "); at >= 0; at = in.indexOf("HTTP/1.1 ", at + 1))
        seen.statuses << in.mid(at + 9, 3).toInt();
    return seen;
}

QString recipientState(Database &db)
{
    const QList<SentRecipient> rows = readSentRecipients(db, 1);
    return rows.isEmpty() ? QString() : deliveryWord(rows.first().outcome, rows.first().report);
}

} // namespace

class TestReportReceiver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostileInput_data();
    void hostileInput();
};

void TestReportReceiver::hostileInput_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("idleBefore"); // connections opened first and left silent
    QTest::addColumn<int>("answers");
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<QString>("state"); // of the recipient afterwards

    const QByteArray unknown = "GET /dlr?t=ffeeddccbbaa99887766554433221100&n=393331110001&s=1 HTTP/1.1\r\n\r\n";
    QTest::newRow("report") << kReport << 0 << 1 << QList<int>{200} << "consegnato";
    QTest::newRow("report by POST")
        << QByteArray("POST /dlr HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: 56\r\n\r\n"
                      "t=" + kToken + "&n=%2B393331110001&s=2")
        << 0 << 1 << QList<int>{200} << "non consegnato";
    QTest::newRow("unknown token") << unknown << 0 << 1 << QList<int>{404} << "sconosciuto";
    QTest::newRow("token not ours in form") << QByteArray("GET /dlr?t=../../etc&n=1&s=1 HTTP/1.1\r\n\r\n") << 0 << 1
                                            << QList<int>{404} << "sconosciuto";
    QTest::newRow("recipient not of the send")
        << QByteArray("GET /dlr?t=" + kToken + "&n=393339999999&s=1 HTTP/1.1\r\n\r\n") << 0 << 1 << QList<int>{404}
        << "sconosciuto";
    QTest::newRow("unknown report type") << QByteArray("GET /dlr?t=" + kToken + "&n=393331110001&s=3 HTTP/1.1\r\n\r\n")
                                         << 0 << 1 << QList<int>{400} << "sconosciuto";
    QTest::newRow("long request line") << QByteArray("GET /dlr?x=" + QByteArray(5000, 'a') + " HTTP/1.1\r\n\r\n") << 0
                                       << 1 << QList<int>{414} << "sconosciuto";
    QTest::newRow("endless request line") << QByteArray(5000, 'a') << 0 << 1 << QList<int>{414} << "sconosciuto";
    QByteArray manyHeaders = "GET /dlr HTTP/1.1\r\n";
    for (int i = 0; i < 100; ++i)
        manyHeaders += "X-" + QByteArray::number(i) + ": " + QByteArray(20, 'v') + "\r\n";
    QTest::newRow("headers too large") << manyHeaders + "\r\n" << 0 << 1 << QList<int>{431} << "sconosciuto";
    QTest::newRow("huge body")
        << QByteArray("POST /dlr HTTP/1.1\r\nContent-Length: 100000000\r\n\r\n" + QByteArray(300, 'b')) << 0 << 1
        << QList<int>{413} << "sconosciuto";
    QTest::newRow("chunked body") << QByteArray("POST /dlr HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n")
                                  << 0 << 1 << QList<int>{501} << "sconosciuto";
    QTest::newRow("body without length") << QByteArray("POST /dlr HTTP/1.1\r\n\r\nt=x") << 0 << 1 << QList<int>{411}
                                         << "sconosciuto";
    QTest::newRow("other method") << QByteArray("DELETE /dlr HTTP/1.1\r\n\r\n") << 0 << 1 << QList<int>{405}
                                  << "sconosciuto";
    QTest::newRow("not HTTP") << QByteArray("\x16\x03\x01\x02\x00\r\n\r\n", 9) << 0 << 1 << QList<int>{400}
                              << "sconosciuto";
    // Slow and silent clients are cut off at the deadline.
    QTest::newRow("slow client") << QByteArray("GET /dlr?t=" + kToken) << 0 << 1 << QList<int>{408} << "sconosciuto";
    QTest::newRow("silent client") << QByteArray() << 0 << 1 << QList<int>{} << "sconosciuto";
    // Beyond the connections open at once: turned away at once.
    QTest::newRow("too many connections") << kReport << 4 << 1 << QList<int>{503} << "sconosciuto";
    // A flood on one connection is slowed down, not dropped: every request
    // is answered, the report among them taken.
    QByteArray flood;
    for (int i = 0; i < 30; ++i)
        flood += unknown;
    QTest::newRow("flood of requests") << flood + kReport << 0 << 31 << QList<int>(30, 404) + QList<int>{200}
                                       << "consegnato";
}

void TestReportReceiver::hostileInput()
{
    QFETCH(QByteArray, request);
    QFETCH(int, idleBefore);
    QFETCH(int, answers);
    QFETCH(QList<int>, statuses);
    QFETCH(QString, state);

    TestEnv env;
    env.db().run(QStringLiteral("INSERT INTO tab_invii (ID, Data, Gateway, Testo, Stato, Destinatari, Accettati, "
                                "Gettone) VALUES (1, '2026-06-15 10:30:00', 'Kannel', 'ciao', 'C', 1, 1, ?)"),
                 {QString::fromLatin1(kToken)});
    env.db().run(QStringLiteral("INSERT INTO tab_invii_dest (ID_Invio, Posizione, Numero, Esito, Tentativo) "
                                "VALUES (1, 0, '+393331110001', 'A', 1)"));
    ReportBook book(env.db());
    ReportReceiver receiver(book, env.clock, smallLimits());
    receiver.listen(QHostAddress::LocalHost, 0);

    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < idleBefore; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QStringLiteral("127.0.0.1"), receiver.port());
        QVERIFY(idle.back()->waitForConnected(5000));
    }
    QTest::qWait(50); // the receiver takes them in
    // A refused request ends its connection.
    const bool refused = statuses.isEmpty() || statuses.last() != 200;
    const Seen seen = talk(receiver.port(), request, answers, refused);
    QCOMPARE(seen.statuses, statuses);
    QCOMPARE(seen.closed, refused);
    idle.clear();
    receiver.flush();
    QCOMPARE(recipientState(env.db()), state);

    // No harm done: the next client's report is taken.
    QTest::qWait(50);
    const Seen after = talk(receiver.port(), "GET /dlr?t=" + kToken + "&n=393331110001&s=4 HTTP/1.1\r\n\r\n", 1);
    QCOMPARE(after.statuses, QList<int>{200});
    receiver.flush();
    QCOMPARE(recipientState(env.db()), state == QLatin1String("sconosciuto") ? QStringLiteral("in attesa") : state);
}

QTEST_GUILESS_MAIN(TestReportReceiver)
#include "tst_reportreceiver.moc"
