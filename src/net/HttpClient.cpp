#include "net/HttpClient.h"

#include "core/Texts.h"
#include "net/NetworkWait.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

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

namespace {

// One request on its way: the reply is read within the caps as it arrives,
// and judged once it has finished or its deadline has passed.
class Exchange final
{
public:
    Exchange(QNetworkReply *reply, int timeoutMs, qsizetype maxBody, const std::function<void()> &done)
        : m_owner(reply)
        , m_deadline(timeoutMs)
        , m_timeoutMs(timeoutMs)
        , m_maxBody(maxBody)
    {
        reply->setReadBufferSize(kReadBuffer);
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this] { checkHead(); });
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [this] { take(); });
        QObject::connect(reply, &QNetworkReply::sslErrors, reply, [this](const QList<QSslError> &errors) {
            for (const QSslError &e : errors)
                m_certificateErrors << e.errorString();
        });
        QObject::connect(reply, &QNetworkReply::finished, reply, done);
    }

    bool finished() const { return m_owner->isFinished(); }
    const QDeadlineTimer &deadline() const { return m_deadline; }

    void timeOut()
    {
        stop(HttpFailure::Kind::Timeout, Texts::tr("Nessuna risposta completa entro %1 s").arg(m_timeoutMs / 1000.0));
    }

    // The reply, or the failure thrown.
    HttpClient::Reply result()
    {
        QNetworkReply *reply = m_owner.get();
        if (!m_stopped)
            checkHead();
        if (!m_stopped)
            take();
        if (m_stopped)
            throw *m_stopped;

        const QNetworkReply::NetworkError error = reply->error();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (error != QNetworkReply::NoError && !(status.isValid() && isStatusError(error))) {
            if (!m_certificateErrors.isEmpty())
                throw HttpFailure(HttpFailure::Kind::Certificate, m_certificateErrors.join(QStringLiteral("; ")));
            throw HttpFailure(kindOf(error), reply->errorString());
        }
        if (!status.isValid())
            throw HttpFailure(HttpFailure::Kind::Malformed, Texts::tr("Risposta non HTTP"));
        m_out.status = status.toInt();
        m_out.headers = reply->rawHeaderPairs();
        return m_out;
    }

private:
    void stop(HttpFailure::Kind kind, const QString &detail)
    {
        if (!m_stopped)
            m_stopped.emplace(kind, detail);
        m_owner->abort();
    }

    void take()
    {
        m_out.body += m_owner->read(m_maxBody + 1 - m_out.body.size());
        if (m_out.body.size() > m_maxBody)
            stop(HttpFailure::Kind::TooLarge, Texts::tr("Risposta oltre %1 byte").arg(m_maxBody));
    }

    void checkHead()
    {
        QNetworkReply *reply = m_owner.get();
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
        if (size > HttpClient::kMaxHeaders)
            return stop(HttpFailure::Kind::TooLarge, Texts::tr("Intestazioni oltre %1 byte").arg(HttpClient::kMaxHeaders));
        if (!length.isNull() && length.trimmed().toLongLong() > m_maxBody)
            return stop(HttpFailure::Kind::TooLarge, Texts::tr("Risposta oltre %1 byte").arg(m_maxBody));
    }

    std::unique_ptr<QNetworkReply, ReplyDeleter> m_owner;
    QDeadlineTimer m_deadline;
    int m_timeoutMs;
    qsizetype m_maxBody;
    HttpClient::Reply m_out;
    std::optional<HttpFailure> m_stopped; // why we ended the exchange ourselves
    QStringList m_certificateErrors;
};

} // namespace

HttpClient::Reply HttpClient::send(const QByteArray &verb, const QNetworkRequest &request, const QByteArray &body)
{
    NetworkWait wait;
    Exchange exchange(verb == "GET" ? m_manager->get(request) : m_manager->sendCustomRequest(request, verb, body),
                      m_timeoutMs, m_maxBody, [&wait] { wait.quit(); });
    if (!exchange.finished() && !wait.exec(exchange.deadline()))
        exchange.timeOut();
    return exchange.result();
}

QList<HttpClient::Outcome> HttpClient::postAll(const QList<Post> &posts, const QByteArray &contentType,
                                               const Headers &headers, int window)
{
    QList<Outcome> out(posts.size());
    std::vector<std::unique_ptr<Exchange>> onTheirWay(posts.size());
    qsizetype next = 0;
    qsizetype open = 0;
    std::optional<NetworkWait> wait;
    while (next < posts.size() || open > 0) {
        while (next < posts.size() && open < std::max(window, 1)) {
            QNetworkRequest request(posts.at(next).url);
            request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
            for (const auto &[name, value] : headers)
                request.setRawHeader(name, value);
            onTheirWay[next] = std::make_unique<Exchange>(m_manager->post(request, posts.at(next).body), m_timeoutMs, m_maxBody,
                                                          [&wait] {
                                                              if (wait)
                                                                  wait->quit();
                                                          });
            ++next;
            ++open;
        }
        // Until one of them ends, or the first deadline passes.
        QDeadlineTimer first = QDeadlineTimer::Forever;
        bool anyDone = false;
        for (const auto &e : onTheirWay) {
            if (!e)
                continue;
            anyDone = anyDone || e->finished();
            first = std::min(first, e->deadline());
        }
        if (!anyDone) {
            wait.emplace();
            wait->exec(first);
            wait.reset();
        }
        for (qsizetype i = 0; i < qsizetype(onTheirWay.size()); ++i) {
            auto &e = onTheirWay[i];
            if (!e || !(e->finished() || e->deadline().hasExpired()))
                continue;
            if (!e->finished())
                e->timeOut();
            try {
                out[i].reply = e->result();
            } catch (const HttpFailure &f) {
                out[i].failure = f;
            }
            e.reset();
            --open;
        }
    }
    return out;
}

} // namespace brio
