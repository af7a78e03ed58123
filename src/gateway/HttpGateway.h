#pragma once

#include "gateway/GatewayControl.h"
#include "net/HttpClient.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>

namespace brio {


// The driver for a provider's JSON gateway (docs/gateway-protocol.md). A send
// is one job on the server: transmit() uploads the queue in batches, and
// closeConnection() commits it, so nothing is delivered unless the commit
// succeeds, and a commit repeated after a lost reply is applied once.
class HttpGateway final : public GatewayControl
{
    Q_OBJECT
public:
    static constexpr qsizetype kBatchSize = 1000;
    static constexpr int kUploadTries = 3;
    static constexpr int kUploadWindow = 4; // batches on their way at once
    static constexpr int kCommitTries = 4;
    static constexpr qsizetype kMaxQueue = 1000000;

    // url: as returned by checkUrl(). Every request gives up after
    // timeoutSeconds in all.
    HttpGateway(const QUrl &url, int timeoutSeconds, QObject *parent = nullptr);
    ~HttpGateway() override;

    // The gateway address if this driver can use it; throws Error
    // BadGatewayAddress saying why otherwise (plain http is only for the
    // local machine).
    static QUrl checkUrl(const QString &url);

    void setUserName(const QString &user) override;
    QString userName() const override;
    void setPassword(const QString &password) override;
    void setAuthenticated(bool authenticated) override;
    void setAppCode(const QString &code) override;
    bool isDemo() override;
    qint64 getCredit() override;
    QString getVersion() override;
    // What the last credit reply said the server takes (one GSM 03.38
    // message until then), within the setting's cap.
    TextLimits textLimits() const override;
    void addSMS(const QString &number, const QString &text, const SendTime &when) override;
    void transmit() override;
    void closeConnection() override;
    bool keyed() const override;
    void setJobKey(const QString &key) override;
    JobState askJob(const QString &key) override;
    bool reportsKept() const override;
    QList<DeliveryNote> askDelivery(const QString &key) override;

private:
    struct Answer
    {
        int status = 0;
        QJsonObject body;
        QString code; // "error" of a failure reply
    };
    struct Job
    {
        QByteArray key;
        qsizetype messages = 0;
        size_t fingerprint = 0;
        QStringList numbers; // of each message, in order
        QList<bool> later;   // a message for a later time
    };

    // Posts until an answer comes or `tries` are used up (`triedBefore` of
    // them already); a failure that no repeat can mend is thrown at once.
    Answer exchange(const QByteArray &path, const QByteArray &body, int tries, int triedBefore = 0);
    Answer answerOf(const HttpClient::Reply &reply) const;
    // Throws the error of a failed post, unless trying again may mend it.
    void failed(const HttpFailure &failure, bool lastTry) const;
    HttpClient::Headers headers() const;
    QUrl target(const QByteArray &path) const;
    [[noreturn]] void raise(const Answer &answer) const;
    // Each message's outcome by the commit's refused list.
    void tellResults(const Job &job, const QJsonArray &refused, bool acceptedRest);
    void tellUnknown(const Job &job);
    QJsonObject account();
    QByteArray accountFields() const;
    QByteArray jobPath(const QByteArray &key) const;

    QUrl m_url;
    QByteArray m_base;
    std::unique_ptr<HttpClient> m_http;
    QString m_user;
    QString m_password;
    QByteArray m_appCode; // ready for the header

    // The queued messages as JSON, each followed by ','; m_starts holds where
    // each one begins.
    QByteArray m_queue;
    QList<qsizetype> m_starts;
    QStringList m_numbers;
    QList<bool> m_later;
    std::optional<TextLimits> m_serverLimits; // from the last credit reply
    QString m_sendableText;                   // the last text found sendable
    QString m_lastText;
    QByteArray m_lastTextJson;
    QString m_lastWhen;
    QByteArray m_lastWhenJson;

    QByteArray m_givenKey;          // for the next transmit()
    std::optional<Job> m_job;       // uploaded, waiting for the commit
    std::optional<Job> m_uncertain; // commit sent, outcome unknown
    QString m_uncertainUser;
};

} // namespace brio
