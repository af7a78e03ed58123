#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

class QTcpServer;

namespace brio {

class Clock;
class ReportBook;

// The receiver of delivery reports: a small HTTP/1.1 listener that Kannel
// (or a provider) calls once per report, GET or POST, with the fields the
// report address carries: t (the send's token), n (the recipient's number)
// and s (Kannel's report type). Every report is answered at once and written
// by the ReportBook in batches. Everything a client can send is bounded: the
// request line, the headers, the body, the time a request may take, the
// connections open at once and the requests handled per second (beyond
// which reading waits, so that a flood slows down instead of losing
// reports).
class ReportReceiver final : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        int connections = 32;
        qsizetype requestLine = 2048;
        qsizetype headers = 8192; // all header lines together
        qsizetype body = 4096;
        int timeoutMs = 5000;     // for one whole request, and for an idle connection
        int perSecond = 50000;
        int flushMs = 50;
    };

    ReportReceiver(ReportBook &book, const Clock &clock, const Limits &limits, QObject *parent = nullptr);
    ReportReceiver(ReportBook &book, const Clock &clock, QObject *parent = nullptr);
    ~ReportReceiver() override;

    // Throws Error ReportsListen when the address and port cannot be had.
    void listen(const QHostAddress &address, quint16 port);
    quint16 port() const;
    // Writes the reports taken so far.
    void flush();

Q_SIGNALS:
    // Reports were written; at most once a second.
    void written();

private:
    class Connection;
    friend class Connection;

    void accept();
    void closed(Connection *connection);
    // One request's answer: its status and body.
    QByteArray answer(const QByteArray &target, const QByteArray &body, int &status);
    bool spend(); // one request from this second's budget
    void refill();

    ReportBook &m_book;
    const Clock &m_clock;
    Limits m_limits;
    QTcpServer *m_server;
    QList<Connection *> m_connections;
    QList<Connection *> m_refused; // answered 503, closing
    int m_refusing = 0;
    QList<Connection *> m_waiting; // for the budget
    int m_budget = 0;
    QElapsedTimer m_window; // of the budget, a tenth of a second
    QTimer m_tick;
    QTimer m_flush;
    QTimer m_told;
    bool m_unsaid = false;
};

} // namespace brio
