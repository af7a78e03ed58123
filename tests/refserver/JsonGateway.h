#pragma once

#include "refserver/ReferenceServer.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QSet>
#include <optional>

namespace brio::test {

// The server side of the JSON gateway protocol (docs/gateway-protocol.md) for
// a ReferenceServer: accounts, jobs uploaded in batches, commits applied once,
// refused numbers, error replies, expiry, and faults on demand. Thread-safe:
// the server calls it on its own thread while a test inspects it.
class JsonGateway final
{
public:
    enum class Call { Credit, Batch, Commit, State, Delivery };

    struct Delivered
    {
        QString account;
        QString to;
        QString text;
        QString when;
    };

    explicit JsonGateway(QByteArray basePath = QByteArrayLiteral("/gw"));

    // Serves the protocol under the base path. The gateway must outlive the server.
    void install(ReferenceServer &server);
    QString url(const ReferenceServer &server) const; // "http://127.0.0.1:PORT/gw"

    void addAccount(const QString &user, const QString &password, qint64 credit, bool demo = false);
    // What one message may be: how many parts the server joins and whether it
    // takes texts outside GSM 03.38. parts 1 without unicode is a server of
    // version 1, which says neither in its credit reply.
    void setTextLimits(int parts, bool unicode);

    // The next `count` calls of that kind (after `skip` of them went well)
    // are carried out, then the connection misbehaves instead of answering (a
    // reset after a commit loses the reply of an applied commit).
    void faultAfter(Call call, Fault fault, int count = 1, int skip = 0);
    // The next `count` calls of that kind change nothing and get this error.
    void refuse(Call call, int status, const QByteArray &code, int count = 1);
    // The next `count` calls of that kind get `instead` as their reply
    // (hostile or ambiguous answers). With `applied` the call is carried out
    // first, otherwise it changes nothing.
    void replyInstead(Call call, const HttpResponse &instead, bool applied, int count = 1);
    void clearFaults();
    // Delivery reports: a committed message to this number is reported
    // failed; the others delivered, or waiting while their time is ahead.
    void failDelivery(const QString &number);

    qint64 credit(const QString &user) const; // -1 for an unknown account
    QList<Delivered> delivered() const;
    int commitsApplied() const;
    int calls(Call call) const;

private:
    struct Account
    {
        QString password;
        qint64 credit = 0;
        bool demo = false;
    };
    struct Job
    {
        QMap<qint64, QList<Delivered>> batches;
        qint64 touched = 0;
    };
    struct Pending
    {
        Call call;
        int count;
        Fault fault;
        int status; // 0 for a fault after the call, else a refusal
        QByteArray code;
        std::optional<HttpResponse> instead;
        bool applied = false;
        int skip = 0; // calls let through first

        bool beforeCall() const { return instead ? !applied : status != 0; }
    };

    HttpResponse handle(const HttpRequest &request);
    HttpResponse dispatch(const HttpRequest &request, std::optional<Call> &call);
    HttpResponse batch(const QString &user, const QByteArray &key, const QByteArray &index, const QJsonObject &body);
    HttpResponse commit(const QString &user, const QByteArray &key, const QJsonObject &body);
    HttpResponse state(const QByteArray &key) const;
    HttpResponse delivery(const QByteArray &key) const;
    std::optional<Pending> take(Call call, bool beforeCall);

    mutable QMutex m_mutex;
    QByteArray m_base;
    QElapsedTimer m_clock;
    QHash<QString, Account> m_accounts;
    QHash<QByteArray, Job> m_open;
    QHash<QByteArray, QByteArray> m_committed; // job key -> the reply of its commit
    QHash<QByteArray, QList<Delivered>> m_jobMessages; // of committed jobs, in job order
    QSet<QString> m_undeliverable;
    QList<Delivered> m_delivered;
    QList<Pending> m_pending;
    int m_commitsApplied = 0;
    int m_parts = 4;
    bool m_unicode = true;
    int m_calls[5] = {};
};

} // namespace brio::test
