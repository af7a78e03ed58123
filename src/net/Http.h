#pragma once

#include <QDeadlineTimer>
#include <QString>

namespace brio {

class Settings;

// Where the form posts go, from section "Server": "Host" as name or address
// with an optional ":port", "TLS" (when absent: on for every host but this
// machine), "Timeout" in seconds.
struct ServerEndpoint
{
    QString hostHeader; // the configured text, sent as the Host header
    QString host;
    quint16 port = 80;
    bool tls = false;
    int timeoutMs = 20000;

    static ServerEndpoint fromSettings(const Settings &settings);
};

// Whether the form posts to `host` go over TLS: Server/TLS, or when it is
// absent, on for any host that is not loopback.
bool tlsFor(const Settings &settings, const QString &host);

// Posts the form body to the path on the gateway host and returns the page
// from two characters after its body tag. The empty text when there is no
// host, the connection failed or broke, or the server did not close it by
// the deadline (Server/Timeout for the whole call, lookup included), or the
// reply passed the size caps. Meanwhile the event loop runs with input
// blocked (NetworkWait).
QString HttpPost(const Settings &settings, const QString &body, const QString &path);

// Whether the cut-out page ends with its closing markup. A socket cannot
// tell a reset from a close, so a page cut short shows only here.
bool isWholePage(const QString &reply);

// While one lives, every HttpPost also ends by its deadline: calls that
// belong together share one bound.
class PostDeadline final
{
public:
    explicit PostDeadline(int timeoutMs);
    ~PostDeadline();
    PostDeadline(const PostDeadline &) = delete;
    PostDeadline &operator=(const PostDeadline &) = delete;

private:
    QDeadlineTimer m_previous;
};

// Every character as "%" and two upper-case hex digits of its Windows-1252
// code, letters and digits included. Throws Error when the code page cannot
// be converted to.
QString URLEncode(const QString &text);

} // namespace brio
