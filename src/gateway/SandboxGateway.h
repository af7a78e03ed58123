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
    bool keyed() const override;
    void setJobKey(const QString &key) override;
    JobState askJob(const QString &key) override;

    // Everything accepted so far, oldest first.
    static QList<Message> outbox(const QString &databaseFile);
    static void addAccount(const QString &databaseFile, const QString &user, const QString &password,
                           qint64 credit, bool demo);

private:
    struct Queued
    {
        QString number;
        QString text;
        QString when;
        qsizetype index = 0; // among the addSMS() calls of this send
        int parts = 1;       // what it is charged
    };
    struct Account
    {
        qint64 credit;
        bool demo;
    };
    Database &db();
    Account account();

    QString m_file;
    std::unique_ptr<Database> m_db;
    QString m_user;
    QString m_password;
    QString m_appCode;
    QList<Queued> m_queue;
    QList<Queued> m_accepted;
    QString m_sendableText; // the last text found sendable
    int m_sendableParts = 1;
    QString m_jobKey;
    qint64 m_messages = 0; // of the job being handed over
};

} // namespace brio
