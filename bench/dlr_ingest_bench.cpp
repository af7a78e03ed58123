// dlr-ingest: 100,000 delivery reports posted over loopback by a plain HTTP
// client on eight keep-alive connections, one request at a time on each, to
// the receiver, which answers and records them (one send of 100,000
// recipients); against the same client and a listener that only answers.
#include "BenchCommon.h"
#include "mock/TestEnv.h"

#include "history/DeliveryReports.h"
#include "history/ReportReceiver.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

using namespace brio;

namespace {

constexpr int kReports = 100000;
constexpr int kConnections = 8;
constexpr int kRounds = 3;
const QByteArray kToken = "00112233445566778899aabbccddeeff";

// The client: its own thread, eight connections, each sending its next
// request when the answer to the last one is in.
class Client final : public QThread
{
public:
    explicit Client(quint16 port)
        : m_port(port)
    {
    }
    std::atomic<int> answered{0};
    std::atomic<int> refused{0};
    double ms = 0;

protected:
    void run() override
    {
        QEventLoop loop;
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        std::vector<QByteArray> in(kConnections);
        int next = 0;
        QElapsedTimer t;
        t.start();
        const auto send = [&](QTcpSocket &s) {
            if (next >= kReports)
                return;
            const int i = next++;
            s.write("GET /dlr?t=" + kToken + "&n=39333" + QByteArray::number(i).rightJustified(7, '0') + "&s="
                    + (i % 10 == 0 ? "2" : "1") + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        };
        for (int c = 0; c < kConnections; ++c) {
            sockets.push_back(std::make_unique<QTcpSocket>());
            QTcpSocket *s = sockets.back().get();
            QByteArray *buffer = &in[size_t(c)];
            QObject::connect(s, &QTcpSocket::readyRead, s, [&, s, buffer] {
                *buffer += s->readAll();
                qsizetype end;
                // Every answer has a body of three bytes.
                while ((end = buffer->indexOf("\r\n\r\n")) >= 0 && buffer->size() >= end + 7) {
                    (buffer->startsWith("HTTP/1.1 200") ? answered : refused)++;
                    buffer->remove(0, end + 7);
                    send(*s);
                }
                if (answered + refused >= kReports)
                    loop.quit();
            });
            QObject::connect(s, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
            QObject::connect(s, &QTcpSocket::connected, s, [&, s] { send(*s); });
            s->connectToHost(QStringLiteral("127.0.0.1"), m_port);
        }
        QTimer::singleShot(600000, &loop, &QEventLoop::quit);
        loop.exec();
        ms = bench::ms(t);
    }

private:
    quint16 m_port;
};

double post(quint16 port, int &answered)
{
    Client client(port);
    client.start();
    while (!client.wait(1))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    answered = client.answered;
    return client.ms;
}

// The baseline: answers every request with the receiver's 200, nothing else.
class Answerer final : public QObject
{
public:
    Answerer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                auto *in = new QByteArray;
                connect(s, &QTcpSocket::readyRead, s, [s, in] {
                    *in += s->readAll();
                    qsizetype end;
                    while ((end = in->indexOf("\r\n\r\n")) >= 0) {
                        in->remove(0, end + 4);
                        s->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: 3\r\n\r\nok\n");
                    }
                });
                connect(s, &QTcpSocket::disconnected, s, [s, in] {
                    delete in;
                    s->deleteLater();
                });
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QTcpServer m_server;
};

void fillSend(Database &db)
{
    Transaction tx(db);
    db.run(QStringLiteral("INSERT INTO tab_invii (ID, Data, Gateway, Testo, Stato, Destinatari, Accettati, Gettone) "
                          "VALUES (1, '2026-06-15 10:30:00', 'Kannel', 'ciao', 'C', ?, ?, ?)"),
           {kReports, kReports, QString::fromLatin1(kToken)});
    Statement st = db.prepare(QStringLiteral(
        "INSERT INTO tab_invii_dest (ID_Invio, Posizione, Numero, Esito, Tentativo, Indice) VALUES (1, ?, ?, 'A', 1, ?1)"));
    for (int i = 0; i < kReports; ++i) {
        st.bind(1, i).bind(2, QStringLiteral("+39333%1").arg(i, 7, 10, QLatin1Char('0'))).run();
        st.reset();
    }
    tx.commit();
}

} // namespace

int main(int argc, char **argv)
{
    bench::useOffscreenByDefault();
    QCoreApplication app(argc, argv);
    QList<double> ratios;
    for (int round = 0; round < kRounds; ++round) {
        int answered = 0;
        Answerer answerer;
        const double plain = post(answerer.port(), answered);
        if (answered != kReports) {
            std::fprintf(stderr, "dlr-ingest: the plain listener answered %d of %d\n", answered, kReports);
            return 1;
        }

        test::TestEnv env;
        fillSend(env.db());
        ReportBook book(env.db());
        ReportReceiver receiver(book, env.clock);
        receiver.listen(QHostAddress::LocalHost, 0);
        QElapsedTimer t;
        t.start();
        post(receiver.port(), answered);
        receiver.flush();
        const double received = bench::ms(t);
        const qint64 recorded = env.db().scalar(QStringLiteral("SELECT Consegnati + NonConsegnati FROM tab_invii WHERE ID = 1"));
        if (answered != kReports || recorded != kReports) {
            std::fprintf(stderr, "dlr-ingest: %d answered, %lld recorded of %d\n", answered, qint64(recorded), kReports);
            return 1;
        }
        std::fprintf(stderr, "dlr-ingest: round %d: plain listener %.0f reports/s, receiver %.0f reports/s\n", round,
                     kReports / plain * 1000, kReports / received * 1000);
        ratios << plain / received;
    }
    const double ratio = bench::median(ratios);
    std::printf("dlr-ingest: %.2f x (target >= 0.5) %s\n", ratio, ratio >= 0.5 ? "PASS" : "MISS");
    return 0;
}
