#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <exception>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkRequest;

namespace brio {

// "localhost" or a loopback address: traffic that never leaves the machine.
bool isLoopbackHost(const QString &host);

// Why an exchange gave no reply that can be used.
class HttpFailure final : public std::exception
{
public:
    enum class Kind {
        Connect,     // name lookup, refused or unreachable: the request did not go out
        Certificate, // the server's certificate was refused
        Lost,        // the connection broke or closed after the request went out
        Timeout,     // the call's deadline passed
        TooLarge,    // the reply passed the size caps
        Malformed,   // what came back is not a usable HTTP reply
    };

    HttpFailure(Kind kind, QString detail);

    Kind kind() const noexcept;
    const QString &detail() const noexcept;
    const char *what() const noexcept override;

private:
    Kind m_kind;
    QString m_detail;
    QByteArray m_what;
};

// A synchronous HTTP client on QNetworkAccessManager (keep-alive, TLS with the
// system's certificates, chunked replies, HTTP/2, the system's proxy). A call
// returns once the whole reply has arrived, or throws HttpFailure. Each call
// has one deadline for everything (lookup, connect, handshake, sending,
// reading) and reads at most kMaxBody bytes of body and kMaxHeaders of
// headers. Redirects are not followed. Meanwhile the event loop runs with the
// user's input blocked (NetworkWait).
class HttpClient final
{
public:
    static constexpr qsizetype kMaxBody = 1024 * 1024;
    static constexpr qsizetype kMaxHeaders = 64 * 1024;

    using Headers = QList<QPair<QByteArray, QByteArray>>;
    struct Reply
    {
        int status = 0; // 100..599
        QByteArray body;
        Headers headers;

        QByteArray header(const QByteArray &name) const; // first one, any case
    };

    // timeoutMs: the deadline of each call; maxBody: the body cap of each
    // reply (a sync's listing of thousands of cards passes the default one).
    explicit HttpClient(int timeoutMs, qsizetype maxBody = kMaxBody);
    ~HttpClient();
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    Reply get(const QUrl &url, const Headers &headers = {});
    Reply post(const QUrl &url, const QByteArray &contentType, const QByteArray &body, const Headers &headers = {});
    // Any method (PROPFIND, REPORT, PUT, DELETE...), with a body when it has one.
    Reply request(const QByteArray &verb, const QUrl &url, const QByteArray &contentType, const QByteArray &body,
                  const Headers &headers = {});

    struct Post
    {
        QUrl url;
        QByteArray body;
    };
    struct Outcome
    {
        Reply reply;
        std::optional<HttpFailure> failure; // instead of the reply
    };
    // Posts that may travel together: at most `window` on their way at once,
    // each with the deadline and caps of one call. Each one's reply or
    // failure, in the order given.
    QList<Outcome> postAll(const QList<Post> &posts, const QByteArray &contentType, const Headers &headers, int window);

private:
    Reply send(const QByteArray &verb, const QNetworkRequest &request, const QByteArray &body);

    std::unique_ptr<QNetworkAccessManager> m_manager;
    int m_timeoutMs;
    qsizetype m_maxBody;
};

} // namespace brio
