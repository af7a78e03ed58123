#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QSslConfiguration>
#include <functional>
#include <optional>

class QTcpServer;

namespace brio::test {

// What the server does with a connection instead of answering normally.
enum class Fault {
    None,
    Hang,       // read the request, then neither answer nor close
    CloseEarly, // close right after reading the request, no reply
    Reset,      // abort the connection (RST) after reading the request
    Slow,       // answer a few bytes at a time with short pauses
    Drip,       // answer two bytes at a time, 100 ms apart: the whole reply takes seconds
};

struct HttpRequest
{
    QByteArray raw; // every byte received for this request
    QByteArray method;
    QByteArray path; // without the query
    QByteArray query;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

struct HttpResponse
{
    int status = 200;
    QByteArray body; // sent as JSON
    Fault fault = Fault::None; // applied after the handler ran (a change already made stays)
    QByteArray raw = {};  // when set, the whole reply instead of status and body; then the connection closes
    QByteArray lead = {}; // when set, sent over and over for leadMs before the reply (a flood)
    int leadMs = 0;
};

// A loopback HTTP server on its own thread, for tests and benchmarks: it
// answers the gateway host's form-post scripts with scripted pages and serves
// the JSON gateway through a handler; it records the raw bytes of every
// request and can misbehave on demand.
class ReferenceServer final
{
public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;

    // With a configuration (certificate and key), it serves https.
    explicit ReferenceServer(const std::optional<QSslConfiguration> &tls = std::nullopt);
    ~ReferenceServer();

    quint16 port() const;
    QString hostPort() const; // "127.0.0.1:PORT"

    // The whole reply for a form-post path; then the connection is closed,
    // or kept open and silent.
    void setRawReply(const QByteArray &path, const QByteArray &raw, bool thenHang = false);
    // An HTTP/1.0 page: headers, "<html><body>" CR LF, the payload, closingMarkup().
    void setPage(const QByteArray &path, const QByteArray &payload);
    static QByteArray closingMarkup(); // exactly 20 characters

    // The next `count` requests misbehave, whatever their path. Hang,
    // CloseEarly and Reset strike before the reply or handler, so the request
    // has no effect; Slow delivers the normal answer slowly.
    void setFault(Fault fault, int count = 1);

    // Requests under the prefix go to the handler, called on the server's thread.
    void setHandler(const QByteArray &pathPrefix, Handler handler);

    QList<HttpRequest> requests() const;
    int requestCount(const QByteArray &path) const;

private:
    struct Connection;
    struct Scripted
    {
        QByteArray raw;
        bool hang = false;
    };

    // Server thread only.
    void accept();
    void respond(Connection *c, const HttpRequest &request);

    mutable QMutex m_mutex; // the configuration and the records, shared with the test
    QMap<QByteArray, Scripted> m_scripted;
    QByteArray m_handlerPrefix;
    Handler m_handler;
    Fault m_fault = Fault::None;
    int m_faultCount = 0;
    QList<HttpRequest> m_requests;

    QThread m_thread;
    QTcpServer *m_server = nullptr; // lives on m_thread
    quint16 m_port = 0;
};

} // namespace brio::test
