#include "net/HttpClient.h"

#include "core/Texts.h"
#include "net/NetworkWait.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>

#include <optional>

namespace brio {

namespace {

// What QNetworkAccessManager may hold unread at once: big enough for a
// whole reply of these services, small enough to stop a flood early.
constexpr qint64 kReadBuffer = 256 * 1024;

// The system's proxy, as users behind a company proxy need, but never for
// this machine itself.
class ProxyFactory final : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        if (isLoopbackHost(query.peerHostName()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

struct ReplyDeleter
{
    void operator()(QNetworkReply *reply) const
    {
        reply->disconnect();
        reply->abort();
        reply->deleteLater();
    }
};

HttpFailure::Kind kindOf(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::NetworkSessionFailedError:
        return HttpFailure::Kind::Connect;
    case QNetworkReply::SslHandshakeFailedError:
        return HttpFailure::Kind::Certificate;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return HttpFailure::Kind::Timeout;
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure:
        return HttpFailure::Kind::Malformed;
    default:
        return HttpFailure::Kind::Lost;
    }
}

// Errors QNetworkAccessManager raises for a complete reply with a 4xx or 5xx
// status: for us that is an answer like any other.
bool isStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
           || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError)
           || error == QNetworkReply::ProtocolInvalidOperationError;
}

} // namespace

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

HttpFailure::HttpFailure(Kind kind, QString detail)
    : m_kind(kind)
    , m_detail(std::move(detail))
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

const char *HttpFailure::what() const noexcept
{
    return m_what.constData();
}

QByteArray HttpClient::Reply::header(const QByteArray &name) const
{
    for (const auto &[n, v] : headers) {
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    }
    return {};
}

HttpClient::HttpClient(int timeoutMs, qsizetype maxBody)
    : m_manager(std::make_unique<QNetworkAccessManager>())
    , m_timeoutMs(timeoutMs)
    , m_maxBody(maxBody)
{
    m_manager->setProxyFactory(new ProxyFactory);
    // A redirected POST would be repeated elsewhere, or turned into a GET.
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

HttpClient::~HttpClient() = default;

HttpClient::Reply HttpClient::get(const QUrl &url, const Headers &headers)
{
    QNetworkRequest request(url);
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    return send("GET", request, QByteArray());
}

HttpClient::Reply HttpClient::post(const QUrl &url, const QByteArray &contentType, const QByteArray &body,
                                   const Headers &headers)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    return send("POST", request, body);
}

HttpClient::Reply HttpClient::request(const QByteArray &verb, const QUrl &url, const QByteArray &contentType,
                                      const QByteArray &body, const Headers &headers)
{
    QNetworkRequest request(url);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    return send(verb, request, body);
}

HttpClient::Reply HttpClient::send(const QByteArray &verb, const QNetworkRequest &request, const QByteArray &body)
{
    const QDeadlineTimer deadline(m_timeoutMs);
    NetworkWait wait;
    std::unique_ptr<QNetworkReply, ReplyDeleter> owner(verb == "GET" ? m_manager->get(request)
                                                                      : m_manager->sendCustomRequest(request, verb, body));
    QNetworkReply *reply = owner.get();
    reply->setReadBufferSize(kReadBuffer);

    Reply out;
    std::optional<HttpFailure> stopped; // why we ended the exchange ourselves
    QStringList certificateErrors;
    auto stop = [&](HttpFailure::Kind kind, const QString &detail) {
        if (!stopped)
            stopped.emplace(kind, detail);
        reply->abort();
    };
    auto take = [&] {
        out.body += reply->read(m_maxBody + 1 - out.body.size());
        if (out.body.size() > m_maxBody)
            stop(HttpFailure::Kind::TooLarge, Texts::tr("Risposta oltre %1 byte").arg(m_maxBody));
    };

    auto checkHead = [&] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && (status.toInt() < 100 || status.toInt() > 599))
            return stop(HttpFailure::Kind::Malformed, Texts::tr("Stato HTTP non valido"));
        qsizetype size = 0;
        QByteArray length;
        for (const auto &[name, value] : reply->rawHeaderPairs()) {
            size += name.size() + value.size() + 4;
            if (name.compare("content-length", Qt::CaseInsensitive) != 0)
                continue;
            // Two lengths that disagree leave the end of the body unknown.
            if (!length.isNull() && value != length)
                return stop(HttpFailure::Kind::Malformed, Texts::tr("Content-Length contraddittori"));
            length = value;
        }
        if (size > kMaxHeaders)
            return stop(HttpFailure::Kind::TooLarge, Texts::tr("Intestazioni oltre %1 byte").arg(kMaxHeaders));
        if (!length.isNull() && length.trimmed().toLongLong() > m_maxBody)
            return stop(HttpFailure::Kind::TooLarge, Texts::tr("Risposta oltre %1 byte").arg(m_maxBody));
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, checkHead);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, take);
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [&](const QList<QSslError> &errors) {
        for (const QSslError &e : errors)
            certificateErrors << e.errorString();
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [&] { wait.quit(); });

    if (!reply->isFinished() && !wait.exec(deadline))
        stop(HttpFailure::Kind::Timeout, Texts::tr("Nessuna risposta completa entro %1 s").arg(m_timeoutMs / 1000.0));
    if (!stopped)
        checkHead();
    if (!stopped)
        take();
    if (stopped)
        throw *stopped;

    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (error != QNetworkReply::NoError && !(status.isValid() && isStatusError(error))) {
        if (!certificateErrors.isEmpty())
            throw HttpFailure(HttpFailure::Kind::Certificate, certificateErrors.join(QStringLiteral("; ")));
        throw HttpFailure(kindOf(error), reply->errorString());
    }
    if (!status.isValid())
        throw HttpFailure(HttpFailure::Kind::Malformed, Texts::tr("Risposta non HTTP"));
    out.status = status.toInt();
    out.headers = reply->rawHeaderPairs();
    return out;
}

} // namespace brio
