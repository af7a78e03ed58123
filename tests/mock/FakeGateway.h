#pragma once

#include "gateway/GatewayControl.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace brio::test {

// A gateway control that records the calls made on it and fails where told.
class FakeGateway final : public GatewayControl
{
    Q_OBJECT
public:
    struct Sms
    {
        QString number;
        QString text;
        QString when;
    };

    void setUserName(const QString &user) override;
    QString userName() const override { return user; }
    void setPassword(const QString &password) override;
    void setAuthenticated(bool authenticated) override;
    void setAppCode(const QString &code) override { appCode = code; }
    bool isDemo() override;
    qint64 getCredit() override;
    QString getVersion() override { return QStringLiteral("fake"); }
    void addSMS(const QString &number, const QString &text, const SendTime &when) override
    {
        added.append({number, text, when.storedText()});
    }
    void transmit() override;
    void closeConnection() override;

    // Script.
    QString acceptUser = QStringLiteral("prova");
    QString acceptPassword = QStringLiteral("prova");
    qint64 credit = 100;
    bool demo = false;
    int failTransmitWith = 0;   // error number thrown by transmit()
    int failCloseWith = 0;      // error number thrown by closeConnection()
    int wrongNumbers = 0;       // wrongNumber() emitted this many times by transmit()
    int failCreditOnceDelivered = 0; // error number thrown by getCredit() after a delivery

    // Record.
    QStringList calls;
    QList<Sms> added;
    QList<Sms> delivered;
    QString user;
    QString password;
    QString appCode;
    bool authenticated = false;

private:
    void check();
};

} // namespace brio::test
