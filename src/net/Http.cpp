#include "net/Http.h"

#include "core/Error.h"
#include "core/Texts.h"
#include "net/HttpClient.h"
#include "net/NetworkWait.h"
#include "settings/Settings.h"

#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>
#include <optional>

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace brio {

namespace {

constexpr int kDefaultTimeoutSeconds = 20;

// The bound of the calls under way, set by PostDeadline.
QDeadlineTimer g_postDeadline(QDeadlineTimer::Forever);

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
                    Texts::tr("Conversione del testo da %1 a %2 non disponibile")
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

bool tlsFor(const Settings &settings, const QString &host)
{
    // The account's password travels in these posts: in clear only to this
    // machine, unless the user says otherwise.
    if (!settings.contains(Key::ServerTLS))
        return !isLoopbackHost(host);
    return settings.integer(Key::ServerTLS) == 1;
}

ServerEndpoint ServerEndpoint::fromSettings(const Settings &settings)
{
    ServerEndpoint e;
    e.hostHeader = settings.text(Key::ServerHost).trimmed();
    const int seconds = settings.integer(Key::ServerTimeout);
    e.timeoutMs = (seconds > 0 ? seconds : kDefaultTimeoutSeconds) * 1000;
    e.host = e.hostHeader;
    const qsizetype colon = e.hostHeader.lastIndexOf(QLatin1Char(':'));
    std::optional<uint> port;
    if (colon >= 0) {
        bool ok = false;
        const uint number = e.hostHeader.mid(colon + 1).toUInt(&ok);
        e.host = e.hostHeader.left(colon);
        // A port that is no port leaves nobody to ask.
        port = ok && number > 0 && number <= 0xFFFF ? number : 0;
    }
    e.tls = tlsFor(settings, e.host);
    e.port = quint16(port.value_or(e.tls ? 443 : 80));
    return e;
}

bool isWholePage(const QString &reply)
{
    return reply.trimmed().endsWith(QLatin1String("</html>"), Qt::CaseInsensitive);
}

PostDeadline::PostDeadline(int timeoutMs)
    : m_previous(g_postDeadline)
{
    g_postDeadline = std::min(m_previous, QDeadlineTimer(timeoutMs));
}

PostDeadline::~PostDeadline()
{
    g_postDeadline = m_previous;
}

QString HttpPost(const Settings &settings, const QString &body, const QString &path)
{
    const ServerEndpoint endpoint = ServerEndpoint::fromSettings(settings);
    if (endpoint.host.isEmpty() || endpoint.port == 0)
        return QString();
    // One deadline for the whole call, name lookup included, and never past
    // the bound of the checks it belongs to.
    const QDeadlineTimer deadline = std::min(QDeadlineTimer(endpoint.timeoutMs), g_postDeadline);
    if (deadline.hasExpired())
        return QString();

    NetworkWait wait;
    std::unique_ptr<QTcpSocket> socket;
    if (endpoint.tls)
        socket = std::make_unique<QSslSocket>();
    else
        socket = std::make_unique<QTcpSocket>();
    QTcpSocket *s = socket.get();
    const QByteArray request = formPostRequest(endpoint.hostHeader, path, body);
    QByteArray received;
    bool broken = false;
    bool closed = false;
    auto fail = [&] {
        broken = true;
        wait.quit();
    };
    auto send = [&] {
        // Replies are small and must not sit behind delayed acknowledgements.
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        s->write(request);
    };
    if (auto *ssl = qobject_cast<QSslSocket *>(s))
        QObject::connect(ssl, &QSslSocket::encrypted, ssl, send);
    else
        QObject::connect(s, &QTcpSocket::connected, s, send);
    QObject::connect(s, &QTcpSocket::readyRead, s, [&] {
        received += s->read(HttpClient::kMaxHeaders + HttpClient::kMaxBody + 1 - received.size());
        const qsizetype headEnd = received.indexOf("\n\r\n") >= 0 ? received.indexOf("\n\r\n") : received.indexOf("\n\n");
        if (received.size() > HttpClient::kMaxHeaders + HttpClient::kMaxBody
            || (headEnd < 0 ? received.size() : headEnd) > HttpClient::kMaxHeaders)
            fail();
    });
    // The reply ends when the server closes; anything else loses it.
    QObject::connect(s, &QTcpSocket::errorOccurred, s, [&](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            fail();
    });
    QObject::connect(s, &QTcpSocket::disconnected, s, [&] {
        closed = true;
        wait.quit();
    });
    if (auto *ssl = qobject_cast<QSslSocket *>(s))
        ssl->connectToHostEncrypted(endpoint.host, endpoint.port);
    else
        s->connectToHost(endpoint.host, endpoint.port);

    const bool ended = wait.exec(deadline);
    if (!broken && closed)
        received += s->readAll();
    s->disconnect();
    s->abort();
    if (!ended || broken || !closed || received.isEmpty())
        return QString();
    return cutOutBody(fromAnsi(received));
}

} // namespace brio
