#include "history/ReportReceiver.h"

#include "core/Error.h"
#include "core/Services.h"
#include "core/Texts.h"
#include "history/DeliveryReports.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

#include <sys/socket.h>

namespace brio {

namespace {

const char *reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 431: return "Request Header Fields Too Large";
    case 501: return "Not Implemented";
    default: return "Service Unavailable";
    }
}

QByteArray response(int status, const QByteArray &body, bool close)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status)
        + "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size())
        + (close ? "\r\nConnection: close" : "") + "\r\n\r\n" + body;
}

bool isToken(const QString &t)
{
    if (t.size() != 32)
        return false;
    for (const QChar c : t) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    }
    return true;
}

bool isNumber(const QString &n)
{
    const QStringView digits = n.startsWith(QLatin1Char('+')) ? QStringView(n).mid(1) : QStringView(n);
    if (digits.isEmpty() || digits.size() > 20)
        return false;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Answers a client that does not read them may pile up to this.
constexpr qint64 kMostUnread = 64 * 1024;
constexpr int kMostHeaderLines = 64;
// Reports kept before they are written at once.
constexpr qsizetype kBatch = 5000;

} // namespace

// One client connection: reads requests one after another, each within the
// bounds, and answers each in turn.
class ReportReceiver::Connection final : public QObject
{
public:
    // `busy`: the receiver has all the connections it takes; this one is
    // answered 503 at once.
    Connection(ReportReceiver &owner, QTcpSocket *socket, bool busy)
        : QObject(&owner)
        , m_owner(owner)
        , m_socket(socket)
    {
        const Limits &l = m_owner.m_limits;
        m_cap = l.requestLine + l.headers + l.body + 4;
        m_socket->setParent(this);
        m_socket->setReadBufferSize(m_cap);
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, &Connection::late);
        connect(m_socket, &QTcpSocket::readyRead, this, &Connection::process);
        connect(m_socket, &QTcpSocket::disconnected, this, [this] { m_owner.closed(this); });
        connect(m_socket, &QTcpSocket::bytesWritten, this, &Connection::written);
        m_deadline.start(l.timeoutMs);
        if (busy)
            finish(503, "Service Unavailable\n");
    }

    void process()
    {
        if (m_closing) {
            m_socket->readAll(); // what a refused client still sends is dropped
            return;
        }
        const Limits &l = m_owner.m_limits;
        for (;;) {
            if (m_in.size() < m_cap)
                m_in += m_socket->read(m_cap - m_in.size());
            if (!m_head && !readHead())
                return;
            if (m_in.size() < m_length)
                return;
            // A whole request: it waits while this second's budget is spent.
            if (!m_owner.spend()) {
                if (!m_owner.m_waiting.contains(this))
                    m_owner.m_waiting.append(this);
                return;
            }
            const QByteArray body = m_in.left(m_length);
            m_in.remove(0, m_length);
            m_head = false;
            int status = 500;
            const QByteArray text = m_owner.answer(m_target, body, status);
            if (!m_keepAlive)
                return finish(status, text);
            m_socket->write(response(status, text, false));
            if (m_socket->bytesToWrite() > kMostUnread) {
                m_socket->abort();
                return m_owner.closed(this);
            }
            m_deadline.start(l.timeoutMs);
        }
    }

private:
    // The request line and headers, once all arrived; false to wait or
    // after a refusal.
    bool readHead()
    {
        const Limits &l = m_owner.m_limits;
        const qsizetype lineEnd = m_in.indexOf("\r\n");
        if (lineEnd > l.requestLine || (lineEnd < 0 && m_in.size() > l.requestLine))
            return refuse(414);
        if (lineEnd < 0)
            return false;
        const qsizetype end = m_in.indexOf("\r\n\r\n");
        if ((end < 0 && m_in.size() - lineEnd > l.headers) || end - lineEnd > l.headers)
            return refuse(431);
        if (end < 0)
            return false;
        const QList<QByteArray> request = m_in.left(lineEnd).split(' ');
        if (request.size() != 3 || !request.at(1).startsWith('/')
            || (request.at(2) != "HTTP/1.1" && request.at(2) != "HTTP/1.0"))
            return refuse(400);
        const bool post = request.at(0) == "POST";
        if (!post && request.at(0) != "GET")
            return refuse(405);
        m_target = request.at(1);
        m_keepAlive = request.at(2) == "HTTP/1.1";
        m_length = -1;
        const QList<QByteArray> lines = end > lineEnd ? m_in.mid(lineEnd + 2, end - lineEnd - 2).split('\n') : QList<QByteArray>();
        if (lines.size() > kMostHeaderLines)
            return refuse(431);
        for (const QByteArray &raw : lines) {
            const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0 || line.left(colon).contains(' '))
                return refuse(400);
            const QByteArray name = line.left(colon).toLower();
            const QByteArray value = line.mid(colon + 1).trimmed().toLower();
            if (name == "content-length") {
                bool ok = false;
                const qint64 length = value.toLongLong(&ok);
                if (!ok || length < 0 || value.startsWith('+') || m_length >= 0)
                    return refuse(400);
                if (length > l.body)
                    return refuse(413);
                m_length = length;
            } else if (name == "transfer-encoding") {
                return refuse(501);
            } else if (name == "connection") {
                m_keepAlive = value == "keep-alive" || (m_keepAlive && value != "close");
            }
        }
        if (post && m_length < 0)
            return refuse(411);
        m_length = std::max<qint64>(m_length, 0);
        m_in.remove(0, end + 4);
        m_head = true;
        return true;
    }

    bool refuse(int status)
    {
        finish(status, QByteArray(reason(status)) + '\n');
        return false;
    }

    // Answers and closes once the answer is out; a client that does not
    // take it is cut off at the deadline.
    // The connection is closed for writing once the answer is out, and what
    // the client still sends is read and dropped until it closes or the
    // deadline passes: closing with unread bytes would reset the connection
    // and could destroy the answer before the client reads it.
    void finish(int status, const QByteArray &body)
    {
        m_closing = true;
        if (status != 0)
            m_socket->write(response(status, body, true));
        m_deadline.start(m_owner.m_limits.timeoutMs);
        written();
    }

    void written()
    {
        if (m_closing && !m_shut && m_socket->bytesToWrite() == 0) {
            m_shut = true;
            ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
        }
    }

    void late()
    {
        if (m_closing) {
            m_socket->abort();
            m_owner.closed(this);
        } else if (m_head || !m_in.isEmpty()) {
            finish(408, "Request Timeout\n");
        } else {
            finish(0, {}); // idle: closed without a word
        }
    }

    ReportReceiver &m_owner;
    QTcpSocket *m_socket;
    QTimer m_deadline;
    QByteArray m_in;
    qsizetype m_cap = 0;
    bool m_closing = false;
    bool m_shut = false; // closed for writing
    bool m_head = false; // the current request's head is read
    QByteArray m_target;
    qint64 m_length = 0;
    bool m_keepAlive = true;
};

ReportReceiver::ReportReceiver(ReportBook &book, const Clock &clock, const Limits &limits, QObject *parent)
    : QObject(parent)
    , m_book(book)
    , m_clock(clock)
    , m_limits(limits)
    , m_server(new QTcpServer(this))
{
    m_budget = std::max(1, m_limits.perSecond / 10);
    m_window.start();
    m_tick.setSingleShot(true);
    connect(&m_tick, &QTimer::timeout, this, &ReportReceiver::refill);
    m_flush.setSingleShot(true);
    connect(&m_flush, &QTimer::timeout, this, &ReportReceiver::flush);
    m_told.setSingleShot(true);
    connect(&m_told, &QTimer::timeout, this, [this] {
        if (std::exchange(m_unsaid, false))
            Q_EMIT written();
    });
    connect(m_server, &QTcpServer::newConnection, this, &ReportReceiver::accept);
}

ReportReceiver::ReportReceiver(ReportBook &book, const Clock &clock, QObject *parent)
    : ReportReceiver(book, clock, Limits(), parent)
{
}

ReportReceiver::~ReportReceiver()
{
    m_server->close();
    flush();
    qDeleteAll(std::exchange(m_connections, {}));
    qDeleteAll(std::exchange(m_refused, {}));
}

void ReportReceiver::listen(const QHostAddress &address, quint16 port)
{
    if (!m_server->listen(address, port))
        throw Error(ErrorNo::ReportsListen,
                    Texts::tr("Impossibile ricevere i rapporti di consegna su %1, porta %2: %3")
                        .arg(address.toString())
                        .arg(port)
                        .arg(m_server->errorString()));
}

quint16 ReportReceiver::port() const
{
    return m_server->serverPort();
}

void ReportReceiver::accept()
{
    while (m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        // Beyond the connections taken: answered 503 at once; beyond as many
        // again, dropped.
        const bool busy = m_connections.size() >= m_limits.connections;
        if (m_connections.size() + m_refusing >= 2 * m_limits.connections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *connection = new Connection(*this, socket, busy);
        if (busy) {
            ++m_refusing;
            connect(connection, &QObject::destroyed, this, [this] { --m_refusing; });
            m_refused.append(connection);
            continue;
        }
        m_connections.append(connection);
        connection->process();
    }
}

void ReportReceiver::closed(Connection *connection)
{
    if (m_refused.removeOne(connection)) {
        connection->deleteLater();
        return;
    }
    if (!m_connections.removeOne(connection))
        return;
    m_waiting.removeOne(connection);
    connection->deleteLater();
}

bool ReportReceiver::spend()
{
    if (m_window.elapsed() >= 100) {
        m_window.restart();
        m_budget = std::max(1, m_limits.perSecond / 10);
    }
    if (m_budget > 0) {
        --m_budget;
        return true;
    }
    if (!m_tick.isActive())
        m_tick.start(int(std::max<qint64>(1, 100 - m_window.elapsed())));
    return false;
}

void ReportReceiver::refill()
{
    const QList<Connection *> waiting = std::exchange(m_waiting, {});
    for (Connection *c : waiting) {
        if (m_connections.contains(c))
            c->process();
    }
}

QByteArray ReportReceiver::answer(const QByteArray &target, const QByteArray &body, int &status)
{
    const qsizetype q = target.indexOf('?');
    QUrlQuery fields(QString::fromLatin1(q < 0 ? QByteArray() : target.mid(q + 1)));
    if (!body.isEmpty()) {
        const QUrlQuery form(QString::fromLatin1(body));
        for (const auto &item : form.queryItems(QUrl::FullyEncoded))
            fields.addQueryItem(item.first, item.second);
    }
    const QString token = fields.queryItemValue(QStringLiteral("t"), QUrl::FullyDecoded);
    const QString number = fields.queryItemValue(QStringLiteral("n"), QUrl::FullyDecoded).trimmed();
    bool ok = false;
    const int type = fields.queryItemValue(QStringLiteral("s")).toInt(&ok);
    const Delivery state = ok ? kannelDelivery(type) : Delivery::None;
    if (!isToken(token)) {
        status = 404;
        return "unknown send\n";
    }
    if (!isNumber(number) || state == Delivery::None) {
        status = 400;
        return "bad report\n";
    }
    try {
        switch (m_book.take(token, number, state, m_clock.now())) {
        case ReportBook::Verdict::Taken:
            if (m_book.queued() >= kBatch)
                flush();
            else if (!m_flush.isActive())
                m_flush.start(m_limits.flushMs);
            status = 200;
            return "ok\n";
        case ReportBook::Verdict::UnknownSend:
            status = 404;
            return "unknown send\n";
        case ReportBook::Verdict::UnknownRecipient:
            status = 404;
            return "unknown recipient\n";
        case ReportBook::Verdict::Full:
            break;
        }
    } catch (const Error &e) {
        qWarning("Rapporto di consegna non letto: %s", qUtf8Printable(e.description()));
    }
    status = 503;
    return "busy\n";
}

void ReportReceiver::flush()
{
    const qsizetype before = m_book.queued();
    try {
        m_book.flush();
    } catch (const Error &e) {
        qWarning("Rapporti di consegna non scritti, nuovo tentativo fra un secondo: %s", qUtf8Printable(e.description()));
        m_flush.start(1000);
        return;
    }
    if (m_book.queued() > 0) {
        m_flush.start(m_limits.flushMs); // the book was inside a transaction
        return;
    }
    if (before == 0)
        return;
    if (m_told.isActive()) {
        m_unsaid = true;
        return;
    }
    Q_EMIT written();
    m_told.start(1000);
}

} // namespace brio
