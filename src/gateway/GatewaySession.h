#pragma once

#include "context/Account.h"
#include "context/Context.h"

#include <QObject>
#include <QString>
#include <memory>

namespace brio {

class GatewayControl;

// The login of this run and the gateway control it configures: the one place
// that holds the account, whether the gateway took it and whether the gateway
// host's checks ran. Windows listen to it instead of copying the account.
class GatewaySession final : public QObject, public AccountSource
{
    Q_OBJECT
public:
    explicit GatewaySession(QObject *parent = nullptr);
    ~GatewaySession() override;

    // Serves this run: its gateway is made by ctx.makeGateway when first
    // needed (so a gateway chosen later still counts), and session(ctx)
    // finds it.
    void attach(Context &ctx);

    // As typed or saved; it stays when the gateway refuses it.
    Account account() const override;
    bool loggedIn() const;
    // The account typed, before the gateway is asked.
    void setAccount(const QString &user, const QString &password);
    // The gateway took the account: the session's gateway carries it from now on.
    void logIn();
    // A new login begins (the login window opens).
    void logOut();

    // The version, prefix and brand checks of the gateway host, once per run.
    bool serverChecksDone() const;
    void setServerChecksDone(bool done);
    void runServerChecks(Context &ctx);
    // The brand when due, after the login a first run needs. False when the
    // program has to end.
    bool loadBrand(Context &ctx);

    // The run's gateway control, with the application code, and the account
    // once it was taken. Throws Error when no gateway can be made.
    GatewayControl &gateway();
    // A driver made elsewhere (a test's, with its faults) in place of the
    // factory's; not owned.
    void useGateway(GatewayControl &gateway);
    // A control of its own for work beside the run's one (a delivery poll),
    // carrying the account once taken.
    std::unique_ptr<GatewayControl> newGateway() const;

    // Asks the gateway for the credit, which the listeners hear. Throws Error.
    qint64 refreshCredit();

Q_SIGNALS:
    void loginChanged(bool loggedIn);
    void creditChanged(qint64 credit); // kUnknownCredit when the gateway does not tell

private:
    void configure(GatewayControl &gateway) const;

    const GatewayFactory *m_factory = nullptr;
    std::unique_ptr<GatewayControl> m_own;
    GatewayControl *m_gateway = nullptr;
    Account m_account;
    bool m_loggedIn = false;
    bool m_serverChecksDone = false;
};

// The session of the run the context serves. Throws Error when it has none.
GatewaySession &session(const Context &ctx);

} // namespace brio
