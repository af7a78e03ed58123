#include "gateway/HttpConnection.h"

#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>
#include <limits>

namespace brio {

namespace {

constexpr qsizetype kMaxLine = 64 * 1024;

bool parseSize(const QByteArray &text, int base, qint64 &out)
{
    bool ok = false;
    out = text.trimmed().toLongLong(&ok, base);
    return ok && out >= 0;
}

} // namespace

HttpFailure::HttpFailure(Kind kind, QString detail, bool replyStarted)
    : m_kind(kind)
    , m_detail(std::move(detail))
    , m_replyStarted(replyStarted)
    , m_what(m_detail.toUtf8())
{
}

HttpFailure::Kind HttpFailure::kind() const noexcept
{
    return m_kind;
}

const QString &HttpFailure::detail() const noexcept
{
    return m_detail;
}

bool HttpFailure::replyStarted() const noexcept
{
    return m_replyStarted;
}

const char *HttpFailure::what() const noexcept
{
    return m_what.constData();
}

HttpConnection::HttpConnection(QString host, quint16 port, bool tls, int timeoutMs)
    : m_host(std::move(host))
    , m_port(port)
    , m_tls(tls)
    , m_timeoutMs(timeoutMs)
{
    const QByteArray name = m_host.contains(QLatin1Char(':')) ? '[' + m_host.toUtf8() + ']' : m_host.toUtf8();
    const quint16 standard = m_tls ? 443 : 80;
    m_hostHeader = m_port == standard ? name : name + ':' + QByteArray::number(m_port);
}

HttpConnection::~HttpConnection()
{
    close();
}

bool HttpConnection::lastWasReused() const
{
    return m_reused;
}

void HttpConnection::close()
{
    if (m_socket) {
        m_socket->abort();
        m_socket.reset();
    }
    m_in.clear();
    m_pos = 0;
}

void HttpConnection::fail(HttpFailure::Kind kind, const QString &detail)
{
    const bool started = m_replyStarted;
    close();
    throw HttpFailure(kind, detail, started);
}

void HttpConnection::connectIfNeeded()
{
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState && m_pos == m_in.size()) {
        // Lets a close from the server's side, if one arrived while idle, show.
        m_socket->waitForReadyRead(0);
        if (m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesAvailable() == 0) {
            m_reused = true;
            m_in.clear();
            m_pos = 0;
            return;
        }
    }
    close();
    m_reused = false;
    if (m_tls) {
        if (!QSslSocket::supportsSsl())
            fail(HttpFailure::Kind::Connect, QStringLiteral("TLS non disponibile su questo sistema"));
        auto ssl = std::make_unique<QSslSocket>();
        QSslSocket *s = ssl.get();
        m_socket = std::move(ssl);
        s->connectToHostEncrypted(m_host, m_port);
        if (!s->waitForEncrypted(m_timeoutMs))
            fail(HttpFailure::Kind::Connect, s->errorString());
    } else {
        m_socket = std::make_unique<QTcpSocket>();
        m_socket->connectToHost(m_host, m_port);
        if (!m_socket->waitForConnected(m_timeoutMs))
            fail(HttpFailure::Kind::Connect, m_socket->errorString());
    }
    // Request head and body go out in one write, but replies are small and
    // must not sit behind delayed acknowledgements.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

void HttpConnection::writeAll(const QByteArray &data)
{
    m_socket->write(data);
    auto pending = [this] {
        qint64 n = m_socket->bytesToWrite();
        if (auto *ssl = qobject_cast<QSslSocket *>(m_socket.get()))
            n += ssl->encryptedBytesToWrite();
        return n;
    };
    while (pending() > 0) {
        if (!m_socket->waitForBytesWritten(m_timeoutMs)) {
            if (m_socket->state() == QAbstractSocket::ConnectedState)
                fail(HttpFailure::Kind::Timeout, QStringLiteral("Tempo scaduto durante l'invio"));
            fail(HttpFailure::Kind::Lost, m_socket->errorString());
        }
    }
}

// False when the server closed the connection and nothing more is buffered.
bool HttpConnection::readMore(bool untilClose)
{
    if (m_socket->bytesAvailable() == 0 && !m_socket->waitForReadyRead(m_timeoutMs)
        && m_socket->bytesAvailable() == 0) {
        if (m_socket->state() == QAbstractSocket::ConnectedState)
            fail(HttpFailure::Kind::Timeout, QStringLiteral("Tempo scaduto in attesa della risposta"));
        if (!untilClose)
            fail(HttpFailure::Kind::Lost, m_socket->errorString());
        return false;
    }
    m_in += m_socket->readAll();
    m_replyStarted = true;
    return true;
}

QByteArray HttpConnection::takeLine()
{
    qsizetype from = m_pos;
    qsizetype nl;
    while ((nl = m_in.indexOf('\n', from)) < 0) {
        if (m_in.size() - m_pos > kMaxLine)
            fail(HttpFailure::Kind::Malformed, QStringLiteral("Riga di risposta troppo lunga"));
        from = m_in.size();
        readMore(false);
    }
    qsizetype end = nl;
    if (end > m_pos && m_in.at(end - 1) == '\r')
        --end;
    QByteArray line = m_in.mid(m_pos, end - m_pos);
    m_pos = nl + 1;
    return line;
}

QByteArray HttpConnection::takeBytes(qsizetype count, bool &closed)
{
    closed = false;
    while (m_in.size() - m_pos < count) {
        if (!readMore(count == std::numeric_limits<qsizetype>::max())) {
            closed = true;
            break;
        }
    }
    const qsizetype n = std::min(count, m_in.size() - m_pos);
    QByteArray out = m_in.mid(m_pos, n);
    m_pos += n;
    return out;
}

HttpConnection::Reply HttpConnection::readReply()
{
    Reply reply;
    bool http11 = false;
    QByteArray connection;
    QByteArray transferEncoding;
    QByteArray contentLength;
    do {
        const QByteArray status = takeLine();
        // "HTTP/1.1 200 OK"
        if (!status.startsWith("HTTP/1.") || status.size() < 12 || status.at(8) != ' ')
            fail(HttpFailure::Kind::Malformed, QStringLiteral("Risposta non HTTP"));
        http11 = status.at(7) != '0';
        bool ok = false;
        reply.status = status.mid(9, 3).toInt(&ok);
        if (!ok || reply.status < 100 || reply.status > 599)
            fail(HttpFailure::Kind::Malformed, QStringLiteral("Stato HTTP non valido"));
        connection.clear();
        transferEncoding.clear();
        contentLength.clear();
        for (;;) {
            const QByteArray line = takeLine();
            if (line.isEmpty())
                break;
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                fail(HttpFailure::Kind::Malformed, QStringLiteral("Intestazione HTTP non valida"));
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "connection")
                connection = value.toLower();
            else if (name == "transfer-encoding")
                transferEncoding = value.toLower();
            else if (name == "content-length")
                contentLength = value;
        }
    } while (reply.status < 200); // interim replies carry no body

    bool keepAlive = http11 ? !connection.contains("close") : connection.contains("keep-alive");
    bool closed = false;
    if (reply.status == 204 || reply.status == 304) {
        // no body
    } else if (transferEncoding.contains("chunked")) {
        for (;;) {
            QByteArray sizeLine = takeLine();
            const qsizetype semicolon = sizeLine.indexOf(';');
            if (semicolon >= 0)
                sizeLine.truncate(semicolon);
            qint64 size = 0;
            if (!parseSize(sizeLine, 16, size))
                fail(HttpFailure::Kind::Malformed, QStringLiteral("Blocco HTTP non valido"));
            if (size == 0) {
                while (!takeLine().isEmpty()) {
                }
                break;
            }
            reply.body += takeBytes(size, closed);
            if (closed)
                fail(HttpFailure::Kind::Lost, QStringLiteral("Connessione chiusa durante la risposta"));
            if (!takeLine().isEmpty())
                fail(HttpFailure::Kind::Malformed, QStringLiteral("Blocco HTTP non valido"));
        }
    } else if (!contentLength.isEmpty()) {
        qint64 size = 0;
        if (!parseSize(contentLength, 10, size))
            fail(HttpFailure::Kind::Malformed, QStringLiteral("Content-Length non valido"));
        reply.body = takeBytes(size, closed);
        if (closed)
            fail(HttpFailure::Kind::Lost, QStringLiteral("Connessione chiusa durante la risposta"));
    } else {
        reply.body = takeBytes(std::numeric_limits<qsizetype>::max(), closed);
        keepAlive = false;
    }
    // No requests are pipelined, so anything left over is a broken reply.
    if (!keepAlive || m_pos != m_in.size())
        close();
    return reply;
}

HttpConnection::Reply HttpConnection::post(const QByteArray &target, const Headers &headers, const QByteArray &body)
{
    connectIfNeeded();
    m_replyStarted = false;
    QByteArray request;
    request.reserve(body.size() + 256);
    request += "POST ";
    request += target;
    request += " HTTP/1.1\r\nHost: ";
    request += m_hostHeader;
    request += "\r\nContent-Type: application/json; charset=utf-8\r\nAccept: application/json\r\n";
    for (const auto &[name, value] : headers) {
        request += name;
        request += ": ";
        request += value;
        request += "\r\n";
    }
    request += "Content-Length: ";
    request += QByteArray::number(body.size());
    request += "\r\n\r\n";
    request += body;
    writeAll(request);
    return readReply();
}

} // namespace brio
