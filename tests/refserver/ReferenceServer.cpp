#include "refserver/ReferenceServer.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <sys/socket.h>

namespace brio::test {

namespace {

struct Pace
{
    qsizetype chunk; // 0: all at once
    int pauseMs;
};

Pace paceOf(Fault fault)
{
    if (fault == Fault::Slow)
        return {4, 15};
    if (fault == Fault::Drip)
        return {2, 100};
    return {0, 0};
}

constexpr qsizetype kFloodBlock = 16 * 1024;
// The old form-post client sends "End\n" after the counted body.
constexpr qsizetype kLegacyTrailer = 4;

} // namespace

// Owns its socket; goes with the server or, earlier, once the peer has closed.
struct ReferenceServer::Connection : QObject
{
    Connection(ReferenceServer *server, QTcpSocket *socket);
    void read();
    // Writes the bytes at the pace, after the response's flood if it has one.
    void send(const QByteArray &bytes, bool close, Fault pace, const HttpResponse &flood = {});
    void pump();
    void misbehave(Fault fault);

    ReferenceServer *server;
    QTcpSocket *socket;
    QByteArray buf;
    QTimer timer; // drives slow replies and floods without blocking the server's thread
    QByteArray pending;
    Pace pace{0, 0};
    bool closeAfter = false;
    QByteArray floodUnit;
    QDeadlineTimer floodUntil;
    bool legacy = false; // LF-only lines: the old form-post client
    bool keepAlive = false;
    bool dead = false; // hung, reset or closing: further input is ignored
};

ReferenceServer::Connection::Connection(ReferenceServer *server, QTcpSocket *socket)
    : QObject(server->m_server)
    , server(server)
    , socket(socket)
{
    socket->setParent(this);
    QObject::connect(socket, &QTcpSocket::readyRead, this, [this] { read(); });
    QObject::connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, this, [this] { pump(); });
}

void ReferenceServer::Connection::read()
{
    buf += socket->readAll();
    while (!dead) {
        const qsizetype eol = buf.indexOf('\n');
        if (eol < 0)
            return;
        legacy = eol == 0 || buf.at(eol - 1) != '\r';
        const QByteArray blank = legacy ? "\n\n" : "\r\n\r\n";
        const qsizetype headEnd = buf.indexOf(blank);
        if (headEnd < 0)
            return;
        HttpRequest r;
        const QList<QByteArray> lines = buf.left(headEnd).split('\n');
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                r.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        const QList<QByteArray> start = lines.first().trimmed().split(' ');
        bool ok = false;
        const qsizetype bodyLen = r.headers.value("content-length", "0").toLongLong(&ok);
        if (start.size() != 3 || !ok || bodyLen < 0)
            return misbehave(Fault::CloseEarly);
        const qsizetype bodyStart = headEnd + blank.size();
        const qsizetype used = bodyStart + bodyLen + (legacy ? kLegacyTrailer : 0);
        if (buf.size() < used)
            return;
        r.raw = buf.left(used);
        r.body = buf.mid(bodyStart, bodyLen);
        buf.remove(0, used);
        r.method = start[0];
        r.path = start[1].split('?').first();
        r.query = start[1].mid(r.path.size() + 1);
        keepAlive = !legacy && r.headers.value("connection").toLower() != "close";
        server->respond(this, r);
    }
}

void ReferenceServer::Connection::send(const QByteArray &bytes, bool close, Fault fault, const HttpResponse &flood)
{
    pending = bytes;
    closeAfter = close;
    pace = paceOf(fault);
    floodUnit = flood.lead;
    floodUntil = QDeadlineTimer(flood.leadMs);
    pump();
}

void ReferenceServer::Connection::pump()
{
    if (!floodUnit.isEmpty() && !floodUntil.hasExpired()) {
        // Kept a little ahead of the reader, so that the flood lasts its time.
        if (socket->bytesToWrite() < kFloodBlock)
            socket->write(floodUnit.repeated(std::max<qsizetype>(1, kFloodBlock / floodUnit.size())));
        timer.start(2);
        return;
    }
    const qsizetype n = pace.chunk == 0 ? pending.size() : std::min(pace.chunk, pending.size());
    socket->write(pending.left(n));
    pending.remove(0, n);
    if (!pending.isEmpty()) {
        socket->flush();
        timer.start(pace.pauseMs);
    } else if (closeAfter) {
        misbehave(Fault::CloseEarly);
    }
}

void ReferenceServer::Connection::misbehave(Fault fault)
{
    dead = true; // Hang: the socket stays open until the peer or the server goes
    if (fault == Fault::CloseEarly) {
        socket->disconnectFromHost();
    } else if (fault == Fault::Reset) {
        // A zero linger time makes the close send RST instead of FIN.
        const struct linger lg{1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        socket->abort();
    }
}

ReferenceServer::ReferenceServer(const std::optional<QSslConfiguration> &tls)
{
    m_thread.setObjectName(QStringLiteral("ReferenceServer"));
    if (tls) {
        auto *server = new QSslServer;
        server->setSslConfiguration(*tls);
        m_server = server;
    } else {
        m_server = new QTcpServer;
    }
    m_server->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_server,
        [this] {
            // Plain connections are announced at once, TLS ones after the handshake.
            QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] { accept(); });
            QObject::connect(m_server, &QTcpServer::pendingConnectionAvailable, m_server, [this] { accept(); });
            if (m_server->listen(QHostAddress::LocalHost, 0))
                m_port = m_server->serverPort();
        },
        Qt::BlockingQueuedConnection);
    if (m_port == 0)
        qFatal("reference server: cannot listen on 127.0.0.1");
}

ReferenceServer::~ReferenceServer()
{
    m_thread.quit();
    m_thread.wait();
}

quint16 ReferenceServer::port() const
{
    return m_port;
}

QString ReferenceServer::hostPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void ReferenceServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection())
        new Connection(this, socket);
}

void ReferenceServer::respond(Connection *c, const HttpRequest &request)
{
    Fault fault = Fault::None;
    std::optional<Scripted> scripted;
    Handler handler;
    {
        QMutexLocker lock(&m_mutex);
        m_requests.append(request);
        if (m_faultCount > 0) {
            fault = m_fault;
            --m_faultCount;
        }
        if (m_scripted.contains(request.path))
            scripted = m_scripted.value(request.path);
        else if (m_handler && request.path.startsWith(m_handlerPrefix))
            handler = m_handler;
    }
    const auto paced = [](Fault f) { return f == Fault::None || f == Fault::Slow || f == Fault::Drip; };
    if (!paced(fault))
        return c->misbehave(fault);
    if (scripted) {
        c->dead = true; // a scripted page ends the exchange, closed or hung
        c->send(scripted->raw, !scripted->hang, fault);
        return;
    }

    HttpResponse response = handler ? handler(request) : HttpResponse{404, R"({"error":"not_found"})"};
    if (!paced(response.fault))
        return c->misbehave(response.fault);
    const Fault pace = fault != Fault::None ? fault : response.fault;
    if (!response.raw.isEmpty()) {
        c->dead = true;
        c->send(response.raw, true, pace, response);
        return;
    }
    const QByteArray head = QByteArray(c->legacy ? "HTTP/1.0 " : "HTTP/1.1 ") + QByteArray::number(response.status)
                            + (response.status == 200 ? " OK" : " Error")
                            + "\r\nContent-Type: application/json\r\nContent-Length: "
                            + QByteArray::number(response.body.size())
                            + (c->keepAlive ? "\r\nConnection: keep-alive" : "\r\nConnection: close") + "\r\n\r\n";
    c->send(head + response.body, !c->keepAlive, pace, response);
}

void ReferenceServer::setRawReply(const QByteArray &path, const QByteArray &raw, bool thenHang)
{
    QMutexLocker lock(&m_mutex);
    m_scripted.insert(path, Scripted{raw, thenHang});
}

void ReferenceServer::setPage(const QByteArray &path, const QByteArray &payload)
{
    setRawReply(path, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>\r\n" + payload + closingMarkup());
}

QByteArray ReferenceServer::closingMarkup()
{
    return QByteArrayLiteral("\r\n</body>\r\n</html>\r\n");
}

void ReferenceServer::setFault(Fault fault, int count)
{
    QMutexLocker lock(&m_mutex);
    m_fault = fault;
    m_faultCount = fault == Fault::None ? 0 : count;
}

void ReferenceServer::setHandler(const QByteArray &pathPrefix, Handler handler)
{
    QMutexLocker lock(&m_mutex);
    m_handlerPrefix = pathPrefix;
    m_handler = std::move(handler);
}

QList<HttpRequest> ReferenceServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

int ReferenceServer::requestCount(const QByteArray &path) const
{
    QMutexLocker lock(&m_mutex);
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(),
                             [&path](const HttpRequest &r) { return r.path == path; }));
}

} // namespace brio::test
