#include "net/Http.h"

#include "core/Error.h"
#include "settings/Settings.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QSslSocket>
#include <QTcpSocket>
#include <QtEndian>

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace brio {

namespace {

constexpr quint32 kUnresolved = 0xFFFFFFFFu;
constexpr int kDefaultTimeoutSeconds = 20;

struct IconvCloser
{
    void operator()(void *cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

std::unique_ptr<void, IconvCloser> openIconv(const char *to, const char *from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return std::unique_ptr<void, IconvCloser>(cd);
}

// Length of the UTF-8 sequence that starts with this byte.
int utf8Length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

// Runs iconv over the whole input; on a sequence the target lacks, `onBad`
// appends a replacement and returns how many input bytes to skip.
template<typename OnBad>
QByteArray convert(const char *to, const char *from, const QByteArray &input, OnBad onBad)
{
    QByteArray out;
    if (input.isEmpty())
        return out;
    auto cd = openIconv(to, from);
    // Without the converter the form would go out with empty fields.
    if (!cd)
        throw Error(ErrorNo::Internal,
                    QStringLiteral("Conversione del testo da %1 a %2 non disponibile")
                        .arg(QLatin1String(from), QLatin1String(to)));
    out.reserve(input.size() * 2);
    char *in = const_cast<char *>(input.constData());
    size_t inLeft = size_t(input.size());
    char buffer[1024];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, qsizetype(outPtr - buffer));
        if (rc != size_t(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or a sequence cut short at the end.
        const size_t skip = qMin(inLeft, size_t(onBad(out, static_cast<unsigned char>(*in))));
        in += skip;
        inLeft -= skip;
    }
    return out;
}

// Windows-1252, the code page the gateway host speaks. A character it lacks
// becomes '?'; the five bytes it leaves undefined map to the C1 controls.
QByteArray toAnsi(const QString &text)
{
    return convert("CP1252", "UTF-8", text.toUtf8(), [](QByteArray &out, unsigned char lead) {
        out.append('?');
        return utf8Length(lead);
    });
}

QString fromAnsi(const QByteArray &bytes)
{
    const QByteArray utf8 = convert("UTF-8", "CP1252", bytes, [](QByteArray &out, unsigned char byte) {
        out.append(QString(QChar(byte)).toUtf8());
        return 1;
    });
    return QString::fromUtf8(utf8);
}

// The request exactly as the gateway host's scripts expect it.
QByteArray formPostRequest(const QString &hostHeader, const QString &path, const QString &body)
{
    const QByteArray bodyBytes = toAnsi(body);
    QByteArray request;
    request += "POST " + toAnsi(path) + " HTTP/1.0\n";
    request += "Host: " + toAnsi(hostHeader) + '\n';
    request += "Content-type: application/x-www-form-urlencoded\n";
    request += "Content-length: " + QByteArray::number(bodyBytes.size()) + '\n';
    request += '\n';
    // The scripts read "End" after the counted body.
    request += bodyBytes + "End\n";
    return request;
}

// The part of a received page that callers parse.
QString cutOutBody(const QString &reply)
{
    // Position counted from 1, 0 when absent: a reply without the tag loses
    // its first seven characters.
    const qsizetype position = reply.toUpper().indexOf(QLatin1String("<BODY>")) + 1;
    return reply.mid(position + 7);
}

} // namespace

QString URLEncode(const QString &text)
{
    const QByteArray bytes = toAnsi(text);
    QString out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        out += QLatin1Char('%');
        out += QString::number(static_cast<unsigned char>(c), 16).toUpper().rightJustified(2, QLatin1Char('0'));
    }
    return out;
}

quint32 ResolveHost(const QString &name)
{
    QHostAddress address;
    if (address.setAddress(name) && address.protocol() == QAbstractSocket::IPv4Protocol)
        return qToBigEndian(address.toIPv4Address());
    if (name.isEmpty())
        return kUnresolved;
    const QHostInfo info = QHostInfo::fromName(name);
    for (const QHostAddress &a : info.addresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return qToBigEndian(a.toIPv4Address());
    }
    return kUnresolved;
}

ServerEndpoint ServerEndpoint::fromSettings(const Settings &settings)
{
    ServerEndpoint e;
    e.hostHeader = settings.text(Key::ServerHost).trimmed();
    e.tls = settings.integer(Key::ServerTLS) == 1;
    const int seconds = settings.integer(Key::ServerTimeout);
    e.timeoutMs = (seconds > 0 ? seconds : kDefaultTimeoutSeconds) * 1000;
    e.host = e.hostHeader;
    e.port = e.tls ? 443 : 80;
    const qsizetype colon = e.hostHeader.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool ok = false;
        const uint port = e.hostHeader.mid(colon + 1).toUInt(&ok);
        e.host = e.hostHeader.left(colon);
        // A port that is no port leaves nobody to ask.
        e.port = ok && port > 0 && port <= 0xFFFF ? quint16(port) : 0;
    }
    return e;
}

QString HttpPost(const Settings &settings, const QString &body, const QString &path)
{
    const ServerEndpoint endpoint = ServerEndpoint::fromSettings(settings);
    if (endpoint.host.isEmpty() || endpoint.port == 0)
        return QString();

    const quint32 address = ResolveHost(endpoint.host);
    if (address == kUnresolved)
        return QString();
    const QHostAddress ip(qFromBigEndian(address));

    // One deadline for the whole call: a server that accepts and then stalls
    // must not hold the program longer than the configured time.
    const QDeadlineTimer deadline(endpoint.timeoutMs);
    std::unique_ptr<QTcpSocket> socket;
    if (endpoint.tls) {
        auto ssl = std::make_unique<QSslSocket>();
        ssl->connectToHostEncrypted(ip.toString(), endpoint.port, endpoint.host);
        if (!ssl->waitForEncrypted(int(deadline.remainingTime())))
            return QString();
        socket = std::move(ssl);
    } else {
        socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(ip, endpoint.port);
        if (!socket->waitForConnected(int(deadline.remainingTime())))
            return QString();
    }

    const QByteArray request = formPostRequest(endpoint.hostHeader, path, body);
    if (socket->write(request) != request.size())
        return QString();
    while (socket->bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket->waitForBytesWritten(int(deadline.remainingTime())))
            return QString();
    }

    // Up to the server's close; an error or the deadline ends the reply
    // like a close, keeping what has arrived.
    QByteArray received;
    for (;;) {
        received += socket->readAll();
        if (socket->state() != QAbstractSocket::ConnectedState || deadline.hasExpired())
            break;
        if (!socket->waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    received += socket->readAll();
    socket->abort();
    if (received.isEmpty())
        return QString();
    return cutOutBody(fromAnsi(received));
}

} // namespace brio
