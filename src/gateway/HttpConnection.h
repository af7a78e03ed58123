#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <exception>
#include <memory>

class QTcpSocket;

namespace brio {

// A failure of the connection itself: the server could not be reached, the
// connection broke or went silent, or what came back was not HTTP.
class HttpFailure final : public std::exception
{
public:
    enum class Kind { Connect, Lost, Timeout, Malformed };

    HttpFailure(Kind kind, QString detail, bool replyStarted);

    Kind kind() const noexcept;
    const QString &detail() const noexcept;
    // True once a byte of the reply had arrived.
    bool replyStarted() const noexcept;
    const char *what() const noexcept override;

private:
    Kind m_kind;
    QString m_detail;
    bool m_replyStarted;
    QByteArray m_what;
};

// A small blocking HTTP/1.1 client for one host: one keep-alive connection,
// reopened when the server has closed it. Every wait is bounded by the
// time-out. No event loop is needed.
class HttpConnection final
{
public:
    struct Reply
    {
        int status = 0;
        QByteArray body;
    };
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    HttpConnection(QString host, quint16 port, bool tls, int timeoutMs);
    ~HttpConnection();
    HttpConnection(const HttpConnection &) = delete;
    HttpConnection &operator=(const HttpConnection &) = delete;

    // Throws HttpFailure.
    Reply post(const QByteArray &target, const Headers &headers, const QByteArray &body);
    // Whether the last post() went over a connection opened for an earlier one.
    bool lastWasReused() const;
    void close();

private:
    void connectIfNeeded();
    void writeAll(const QByteArray &data);
    bool readMore(bool untilClose);
    QByteArray takeLine();
    QByteArray takeBytes(qsizetype count, bool &closed);
    Reply readReply();
    [[noreturn]] void fail(HttpFailure::Kind kind, const QString &detail);

    QString m_host;
    quint16 m_port;
    bool m_tls;
    int m_timeoutMs;
    QByteArray m_hostHeader;
    std::unique_ptr<QTcpSocket> m_socket;
    QByteArray m_in;
    qsizetype m_pos = 0; // consumed part of m_in
    bool m_reused = false;
    bool m_replyStarted = false;
};

} // namespace brio
