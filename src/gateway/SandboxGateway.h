#pragma once

#include "gateway/GatewayControl.h"

#include <QList>
#include <memory>

namespace brio {

class Database;

// The embedded gateway: accounts and an outbox in a local file, so that the
// program can be used end to end without a provider. Nothing leaves the
// machine.
class SandboxGateway final : public GatewayControl
{
    Q_OBJECT
public:
    struct Message
    {
        QString account;
        QString recipient;
        QString text;
        QString when;
        QString acceptedAt;
    };

    explicit SandboxGateway(QString databaseFile, QObject *parent = nullptr);
    ~SandboxGateway() override;

    void setUserName(const QString &user) override;
    QString userName() const override;
    void setPassword(const QString &password) override;
    void setAuthenticated(bool authenticated) override;
    void setAppCode(const QString &code) override;
    bool isDemo() override;
    qint64 getCredit() override;
    QString getVersion() override;
    TextLimits textLimits() const override;
    void addSMS(const QString &number, const QString &text, const SendTime &when) override;
    void transmit() override;
    void closeConnection() override;
    bool preparesUntilClosed() const override;
    void dropPrepared() override;
    bool keyed() const override;
    void setJobKey(const QString &key) override;
    JobState askJob(const QString &key) override;

    // Everything accepted so far, oldest first.
    static QList<Message> outbox(const QString &databaseFile);
    static void addAccount(const QString &databaseFile, const QString &user, const QString &password,
                           qint64 credit, bool demo);

private:
    // The messages of a hand-over in their order. A send repeats one text
    // and one time: each kind is kept once, and the numbers as UTF-8 one
    // after another, so that a large send costs no allocation per message.
    struct Kind
    {
        QString text;
        QString when;
        int parts = 1; // what each message is charged
    };
    struct Queue
    {
        QList<Kind> kinds;
        QByteArray numbers;
        QList<qsizetype> ends; // of each message's number in `numbers`
        QList<int> kindOf;     // of each message
    };
    struct Account
    {
        qint64 credit;
        bool demo;
    };
    // A job transmit() got ready: its rows are written on a thread of its
    // own inside a transaction that only closeConnection() commits.
    struct Prepared;
    Database &db();
    Account account();
    void writeJob(Prepared &job);

    QString m_file;
    std::unique_ptr<Database> m_db;
    QString m_user;
    QString m_password;
    QString m_appCode;
    Queue m_queue;
    QString m_jobKey;
    std::unique_ptr<Prepared> m_prepared;
    bool m_dropped = false; // the job transmit() got ready was dropped before closeConnection()
};

} // namespace brio
