#include "refserver/ReferenceServer.h"

#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <map>
#include <sys/socket.h>

namespace brio::test {

namespace {

// After the counted body the old client sends "End\n"; if it does not come,
// the request is taken as complete after this pause.
constexpr int kEndWaitMs = 200;
constexpr int kSlowChunk = 4;
constexpr int kSlowPauseMs = 15;

const QByteArray kEndMarker = QByteArrayLiteral("End\n");

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 204: return "No Content";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 402: return "Payment Required";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 409: return "Conflict";
    case 410: return "Gone";
    case 422: return "Unprocessable Entity";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

// Index just past the empty line that ends the headers, for either line end
// style, or -1 while incomplete.
qsizetype headerEnd(const QByteArray &buf, qsizetype from)
{
    const qsizetype lf = buf.indexOf("\n\n", from);
    const qsizetype crlf = buf.indexOf("\r\n\r\n", from);
    if (lf < 0 && crlf < 0)
        return -1;
    if (crlf < 0 || (lf >= 0 && lf < crlf))
        return lf + 2;
    return crlf + 4;
}

struct Connection
{
    QTcpSocket *socket = nullptr;
    QByteArray buf;
    qsizetype searchFrom = 0;

    // The request being read.
    bool haveHeaders = false;
    bool legacy = false;    // LF-only lines: the old form-post client
    bool keepAlive = false;
    qsizetype headerLen = 0;
    qsizetype bodyLen = 0;
    HttpRequest request;

    QTimer *endWait = nullptr; // legacy: waiting for "End\n"
    QTimer *slow = nullptr;
    QByteArray slowPending;
    bool closeAfterSlow = false;
    bool dead = false; // hung, reset or closing: ignore further input
    bool dropped = false;
};

} // namespace

class ReferenceServer::Impl
{
public:
    Impl();
    ~Impl();

    // Configuration and records, shared with the test thread.
    mutable QMutex mutex;
    QMap<QByteArray, QByteArray> rawReplies;
    QSet<QByteArray> hangAfterReply;
    QList<QPair<QByteArray, std::function<HttpResponse(const HttpRequest &)>>> handlers;
    Fault pendingFault = Fault::None;
    int pendingFaultCount = 0;
    QList<HttpRequest> recorded;

    quint16 port = 0;

private:
    // Server thread only.
    void onNewConnection();
    void onReadyRead(Connection *c);
    void process(Connection *c);
    bool parseHeaders(Connection *c, qsizetype end);
    void finishRequest(Connection *c);
    void respond(Connection *c, HttpRequest request);
    void send(Connection *c, const QByteArray &bytes, bool close, bool slow);
    void writeSlowChunk(Connection *c);
    void applyFault(Connection *c, Fault fault);
    void drop(QTcpSocket *socket);

    QThread m_thread;
    QObject *m_anchor = nullptr;
    QTcpServer *m_server = nullptr;
    std::map<QTcpSocket *, std::unique_ptr<Connection>> m_connections;
};

ReferenceServer::Impl::Impl()
{
    m_thread.setObjectName(QStringLiteral("ReferenceServer"));
    m_anchor = new QObject;
    m_anchor->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_anchor,
        [this] {
            m_server = new QTcpServer;
            QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] { onNewConnection(); });
            if (m_server->listen(QHostAddress::LocalHost, 0))
                port = m_server->serverPort();
        },
        Qt::BlockingQueuedConnection);
    if (port == 0)
        qFatal("reference server: cannot listen on 127.0.0.1");
}

ReferenceServer::Impl::~Impl()
{
    QMetaObject::invokeMethod(
        m_anchor,
        [this] {
            for (auto &[socket, c] : m_connections) {
                socket->disconnect();
                socket->abort();
                delete c->endWait;
                delete c->slow;
                delete socket;
            }
            m_connections.clear();
            delete m_server;
            m_server = nullptr;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_anchor;
}

void ReferenceServer::Impl::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(nullptr);
        auto conn = std::make_unique<Connection>();
        Connection *c = conn.get();
        c->socket = socket;
        c->endWait = new QTimer;
        c->endWait->setSingleShot(true);
        c->endWait->setInterval(kEndWaitMs);
        QObject::connect(c->endWait, &QTimer::timeout, socket, [this, c] { finishRequest(c); });
        m_connections.emplace(socket, std::move(conn));
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, c] { onReadyRead(c); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] { drop(socket); });
        if (socket->bytesAvailable() > 0)
            onReadyRead(c);
    }
}

void ReferenceServer::Impl::drop(QTcpSocket *socket)
{
    auto it = m_connections.find(socket);
    if (it == m_connections.end() || it->second->dropped)
        return;
    // Called from inside the connection's own handlers: the state goes
    // once they have returned.
    Connection *c = it->second.get();
    c->dropped = true;
    c->dead = true;
    c->endWait->stop();
    if (c->slow)
        c->slow->stop();
    socket->disconnect();
    QMetaObject::invokeMethod(
        m_anchor,
        [this, socket] {
            auto found = m_connections.find(socket);
            if (found == m_connections.end())
                return;
            delete found->second->endWait;
            delete found->second->slow;
            m_connections.erase(found);
            delete socket;
        },
        Qt::QueuedConnection);
}

void ReferenceServer::Impl::onReadyRead(Connection *c)
{
    const QByteArray data = c->socket->readAll();
    if (c->dead)
        return;
    c->buf.append(data);
    process(c);
}

void ReferenceServer::Impl::process(Connection *c)
{
    while (!c->dead && !c->slow) {
        if (!c->haveHeaders) {
            const qsizetype end = headerEnd(c->buf, c->searchFrom);
            if (end < 0) {
                c->searchFrom = qMax<qsizetype>(0, c->buf.size() - 3);
                return;
            }
            if (!parseHeaders(c, end)) {
                send(c, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", true, false);
                return;
            }
        }
        if (c->buf.size() < c->headerLen + c->bodyLen)
            return;
        if (c->legacy) {
            // Everything after the counted body belongs to this request; it
            // is complete once "End\n" has arrived or the client pauses.
            if (c->buf.endsWith(kEndMarker) && c->buf.size() >= c->headerLen + c->bodyLen + kEndMarker.size()) {
                c->endWait->stop();
                finishRequest(c);
            } else {
                c->endWait->start();
            }
            return;
        }
        finishRequest(c);
    }
}

bool ReferenceServer::Impl::parseHeaders(Connection *c, qsizetype end)
{
    const QByteArray head = c->buf.left(end);
    QList<QByteArray> lines = head.split('\n');
    if (lines.isEmpty())
        return false;
    const QByteArray requestLine = lines.takeFirst();
    c->legacy = !requestLine.endsWith('\r');
    const QList<QByteArray> parts = requestLine.trimmed().split(' ');
    if (parts.size() != 3)
        return false;
    HttpRequest r;
    r.method = parts.at(0);
    const QByteArray target = parts.at(1);
    const qsizetype q = target.indexOf('?');
    r.path = q < 0 ? target : target.left(q);
    r.query = q < 0 ? QByteArray() : target.mid(q + 1);
    for (const QByteArray &line : lines) {
        const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
        if (l.isEmpty())
            continue;
        const qsizetype colon = l.indexOf(':');
        if (colon <= 0)
            return false;
        r.headers.insert(l.left(colon).trimmed().toLower(), l.mid(colon + 1).trimmed());
    }
    bool ok = true;
    const QByteArray length = r.headers.value("content-length", "0");
    c->bodyLen = length.toLongLong(&ok);
    if (!ok || c->bodyLen < 0)
        return false;
    const QByteArray version = parts.at(2);
    const QByteArray connection = r.headers.value("connection").toLower();
    c->keepAlive = !c->legacy
                   && (version == "HTTP/1.1" ? connection != "close" : connection == "keep-alive");
    c->request = std::move(r);
    c->headerLen = end;
    c->haveHeaders = true;
    return true;
}

void ReferenceServer::Impl::finishRequest(Connection *c)
{
    if (c->dead || !c->haveHeaders || c->buf.size() < c->headerLen + c->bodyLen)
        return;
    HttpRequest r = std::move(c->request);
    const qsizetype used = c->legacy ? c->buf.size() : c->headerLen + c->bodyLen;
    r.raw = c->buf.left(used);
    r.body = c->buf.mid(c->headerLen, c->bodyLen);
    c->buf.remove(0, used);
    c->searchFrom = 0;
    c->haveHeaders = false;
    c->headerLen = 0;
    c->bodyLen = 0;
    c->request = HttpRequest();
    respond(c, std::move(r));
}

void ReferenceServer::Impl::respond(Connection *c, HttpRequest request)
{
    Fault fault = Fault::None;
    QByteArray raw;
    bool haveRaw = false;
    bool hangAfter = false;
    std::function<HttpResponse(const HttpRequest &)> handler;
    {
        QMutexLocker lock(&mutex);
        recorded.append(request);
        if (pendingFaultCount > 0) {
            fault = pendingFault;
            if (--pendingFaultCount == 0)
                pendingFault = Fault::None;
        }
        const auto it = rawReplies.constFind(request.path);
        if (it != rawReplies.constEnd()) {
            raw = it.value();
            haveRaw = true;
            hangAfter = hangAfterReply.contains(request.path);
        } else {
            qsizetype best = -1;
            for (const auto &h : handlers) {
                if (request.path.startsWith(h.first) && h.first.size() > best) {
                    best = h.first.size();
                    handler = h.second;
                }
            }
        }
    }
    // A fault set in advance strikes before the request has any effect; a
    // slow answer is the normal one, delivered slowly.
    if (fault != Fault::None && fault != Fault::Slow) {
        applyFault(c, fault);
        return;
    }
    if (haveRaw && hangAfter) {
        c->socket->write(raw);
        c->dead = true;
        return;
    }
    if (haveRaw) {
        send(c, raw, true, fault == Fault::Slow);
        return;
    }
    HttpResponse response;
    if (handler) {
        response = handler(request);
    } else {
        response.status = 404;
        response.contentType = "text/plain";
        response.body = "no such path: " + request.path;
    }
    if (response.fault != Fault::None && response.fault != Fault::Slow) {
        applyFault(c, response.fault);
        return;
    }
    const QByteArray version = c->legacy ? "HTTP/1.0" : "HTTP/1.1";
    QByteArray bytes = version + ' ' + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status)
                       + "\r\nContent-Type: " + response.contentType
                       + "\r\nContent-Length: " + QByteArray::number(response.body.size())
                       + (c->keepAlive ? "\r\nConnection: keep-alive" : "\r\nConnection: close") + "\r\n\r\n";
    bytes += response.body;
    send(c, bytes, !c->keepAlive, fault == Fault::Slow || response.fault == Fault::Slow);
}

void ReferenceServer::Impl::send(Connection *c, const QByteArray &bytes, bool close, bool slow)
{
    if (slow) {
        c->slowPending = bytes;
        c->closeAfterSlow = close;
        c->slow = new QTimer;
        c->slow->setInterval(kSlowPauseMs);
        QObject::connect(c->slow, &QTimer::timeout, c->socket, [this, c] { writeSlowChunk(c); });
        c->slow->start();
        writeSlowChunk(c);
        return;
    }
    c->socket->write(bytes);
    if (close) {
        c->dead = true;
        c->socket->disconnectFromHost();
    }
}

void ReferenceServer::Impl::writeSlowChunk(Connection *c)
{
    c->socket->write(c->slowPending.left(kSlowChunk));
    c->slowPending.remove(0, kSlowChunk);
    if (!c->slowPending.isEmpty())
        return;
    c->slow->stop();
    c->slow->deleteLater();
    c->slow = nullptr;
    if (c->closeAfterSlow) {
        c->dead = true;
        c->socket->disconnectFromHost();
        return;
    }
    // A request that arrived meanwhile waits in the buffer.
    QTimer::singleShot(0, c->socket, [this, c] { process(c); });
}

void ReferenceServer::Impl::applyFault(Connection *c, Fault fault)
{
    QTcpSocket *socket = c->socket;
    switch (fault) {
    case Fault::None:
    case Fault::Slow: // not a refusal: see send()
        break;
    case Fault::Hang:
        c->dead = true; // the socket stays open until the server goes
        break;
    case Fault::CloseEarly:
        c->dead = true;
        socket->disconnectFromHost();
        break;
    case Fault::Reset: {
        c->dead = true;
        // A zero linger time makes the close send RST instead of FIN.
        const struct linger lg{1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        drop(socket);
        socket->abort();
        break;
    }
    }
}

ReferenceServer::ReferenceServer()
    : m_impl(std::make_unique<Impl>())
{
}

ReferenceServer::~ReferenceServer() = default;

quint16 ReferenceServer::port() const
{
    return m_impl->port;
}

QString ReferenceServer::hostPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_impl->port);
}

void ReferenceServer::setRawReply(const QByteArray &path, const QByteArray &raw)
{
    QMutexLocker lock(&m_impl->mutex);
    m_impl->rawReplies.insert(path, raw);
    m_impl->hangAfterReply.remove(path);
}

void ReferenceServer::setRawReplyThenHang(const QByteArray &path, const QByteArray &raw)
{
    QMutexLocker lock(&m_impl->mutex);
    m_impl->rawReplies.insert(path, raw);
    m_impl->hangAfterReply.insert(path);
}

void ReferenceServer::setPage(const QByteArray &path, const QByteArray &payload)
{
    setRawReply(path, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>\r\n" + payload
                          + closingMarkup());
}

QByteArray ReferenceServer::closingMarkup()
{
    return QByteArrayLiteral("\r\n</body>\r\n</html>\r\n");
}

void ReferenceServer::setFault(Fault fault, int count)
{
    QMutexLocker lock(&m_impl->mutex);
    m_impl->pendingFault = count > 0 ? fault : Fault::None;
    m_impl->pendingFaultCount = fault == Fault::None ? 0 : qMax(0, count);
}

void ReferenceServer::setHandler(const QByteArray &pathPrefix, std::function<HttpResponse(const HttpRequest &)> handler)
{
    QMutexLocker lock(&m_impl->mutex);
    for (auto &h : m_impl->handlers) {
        if (h.first == pathPrefix) {
            h.second = std::move(handler);
            return;
        }
    }
    m_impl->handlers.append({pathPrefix, std::move(handler)});
}

QList<HttpRequest> ReferenceServer::requests() const
{
    QMutexLocker lock(&m_impl->mutex);
    return m_impl->recorded;
}

int ReferenceServer::requestCount(const QByteArray &path) const
{
    QMutexLocker lock(&m_impl->mutex);
    int n = 0;
    for (const HttpRequest &r : m_impl->recorded) {
        if (r.path == path)
            ++n;
    }
    return n;
}

void ReferenceServer::clearRequests()
{
    QMutexLocker lock(&m_impl->mutex);
    m_impl->recorded.clear();
}

} // namespace brio::test
