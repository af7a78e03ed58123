#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>
#include <memory>

namespace brio::test {

// What the server does with a connection instead of answering normally.
enum class Fault {
    None,
    Hang,       // read the request, then neither answer nor close
    CloseEarly, // close right after reading the request, no reply
    Reset,      // abort the connection (RST) after reading the request
    Slow,       // answer a few bytes at a time with pauses
};

struct HttpRequest
{
    QByteArray raw;                        // every byte received for this request
    QByteArray method;
    QByteArray path;                       // without the query
    QByteArray query;
    QMap<QByteArray, QByteArray> headers;  // names in lower case
    QByteArray body;
};

struct HttpResponse
{
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
    Fault fault = Fault::None; // applied after the handler ran (a change already made stays)
};

// A loopback HTTP server on its own thread, for tests and benchmarks: it
// answers the gateway host's three form-post scripts with scripted pages and
// serves the JSON gateway through a handler; it records the raw bytes of every
// request and can misbehave on demand.
class ReferenceServer final
{
public:
    ReferenceServer();
    ~ReferenceServer();
    ReferenceServer(const ReferenceServer &) = delete;
    ReferenceServer &operator=(const ReferenceServer &) = delete;

    quint16 port() const;
    QString hostPort() const; // "127.0.0.1:PORT"

    // The whole reply sent (then the connection is closed) for a form-post path.
    void setRawReply(const QByteArray &path, const QByteArray &raw);
    // The same reply, after which the connection is kept open and silent.
    void setRawReplyThenHang(const QByteArray &path, const QByteArray &raw);
    // An HTTP/1.0 page: headers, "<html><body>" CR LF, the payload, then 20
    // characters of closing markup.
    void setPage(const QByteArray &path, const QByteArray &payload);
    static QByteArray closingMarkup(); // exactly 20 characters

    // The next `count` requests misbehave (for any path). Hang, CloseEarly
    // and Reset strike before the request reaches its reply or handler, so it
    // has no effect; Slow delivers the normal answer slowly.
    void setFault(Fault fault, int count = 1);

    // Requests whose path starts with the prefix go to the handler (called on
    // the server's thread).
    void setHandler(const QByteArray &pathPrefix, std::function<HttpResponse(const HttpRequest &)> handler);

    QList<HttpRequest> requests() const;
    int requestCount(const QByteArray &path) const;
    void clearRequests();

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace brio::test
