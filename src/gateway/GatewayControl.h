#pragma once

#include "gateway/SendTime.h"

#include <QList>
#include <QObject>
#include <QString>

namespace brio {

// The SMS gateway control: login, credit and sending. Every failure is thrown
// as Error with a number from 28374 to 28384. The contract a caller relies on:
// when closeConnection() returns, every message handed over has been accepted
// except those for which wrongNumber() was emitted; when anything throws before
// that, nothing has been delivered, except the messages messageResult() has
// reported accepted, and those it reported Unknown (the driver cannot tell).
class GatewayControl : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *kAppCode = "QAZW318PLM";
    // getCredit() of a gateway that does not tell.
    static constexpr qint64 kUnknownCredit = -1;
    // Parts of one message, for gateways that join them: the setting's
    // default and its ceiling.
    static constexpr int kDefaultMaxParts = 4;
    static constexpr int kMaxParts = 10;

    // What became of one message handed over.
    enum class Result { Accepted, Queued, WrongNumber, NotSent, Unknown };
    Q_ENUM(Result)
    // What a keyed gateway holds for a job key.
    enum class JobState {
        Unknown, // the gateway could not be asked, or cannot tell
        Absent,  // nothing of that job was delivered
        Applied, // delivered once; askJob() told each message's outcome
    };

    // What the network reported of a message the gateway took.
    enum class Delivery { None, Delivered, Failed, Waiting };
    struct DeliveryNote
    {
        qsizetype index = 0; // its place in the job
        Delivery state = Delivery::None;
    };

    // What one message may be on this gateway: how many concatenated parts,
    // and whether texts outside GSM 03.38 go (as UCS-2).
    struct TextLimits
    {
        int parts = 1;
        bool ucs2 = false;
    };

    using QObject::QObject;
    ~GatewayControl() override = default;

    virtual void setUserName(const QString &user) = 0;
    virtual QString userName() const = 0;
    virtual void setPassword(const QString &password) = 0;
    virtual void setAuthenticated(bool authenticated) = 0;
    virtual void setAppCode(const QString &code) = 0;

    virtual bool isDemo() = 0;
    virtual qint64 getCredit() = 0;
    virtual QString getVersion() = 0;
    // False when the gateway cannot hold a message for a later time: the
    // program then keeps deferred sends itself.
    virtual bool schedules() const;
    // One GSM 03.38 message unless the driver says more.
    virtual TextLimits textLimits() const;
    // The user's cap on parts (setting Gateway/MaxParts), kept within 1..kMaxParts.
    void setMaxParts(int parts);

    // number: without its leading "+".
    virtual void addSMS(const QString &number, const QString &text, const SendTime &when) = 0;
    virtual void transmit() = 0;
    virtual void closeConnection() = 0;
    // True when transmit() only gets the hand-over ready, in the background,
    // and nothing of it leaves before closeConnection(): the caller may write
    // its record of the hand-over meanwhile.
    virtual bool preparesUntilClosed() const;
    // Drops what transmit() got ready when closeConnection() is not to come:
    // nothing of it leaves.
    virtual void dropPrepared();

    // True when the gateway applies a hand-over once per job key and can be
    // asked later what became of it; the others neither take nor tell keys.
    virtual bool keyed() const;
    // The key of the next hand-over (transmit() and closeConnection()): a
    // UUID in its 36-character text form, recorded by the caller beforehand.
    virtual void setJobKey(const QString &key);
    // What became of the hand-over with that key. With Applied every message
    // of the job is told through messageResult(), by its place in that job.
    virtual JobState askJob(const QString &key);
    // The send's token for delivery reports, for drivers that have the
    // network post them to the program's receiver; the others ignore it.
    virtual void setReportToken(const QString &token);
    // True when the network posts delivery reports to the program's receiver.
    virtual bool postsReports() const;
    // The delivery reports the gateway holds for the messages of a job, for
    // gateways that keep them (reportsKept()); throws Error when it cannot
    // be asked.
    virtual bool reportsKept() const;
    virtual QList<DeliveryNote> askDelivery(const QString &key);

Q_SIGNALS:
    void wrongNumber();
    // Hand-over progress during transmit(), for the status bar.
    void progress(qint64 done, qint64 total);
    // One message's outcome, by its place among the addSMS() calls since the
    // last transmit(). Drivers that do not tell rely on the contract above.
    void messageResult(qsizetype index, brio::GatewayControl::Result result);

protected:
    int maxParts() const;

private:
    int m_maxParts = kDefaultMaxParts;
};

} // namespace brio
