#pragma once

#include "context/Account.h"

#include <QString>

namespace brio {

struct AppState;
struct Context;
class GatewaySession;

// The account's web pages on the gateway's site.
enum class AccountPage { Purchase, Sent, Deferred, Errors };

// The page's address: the brand's base, the account percent-encoded, the view.
QString accountPageAddress(const AppState &state, const Account &account, AccountPage page);

// The menu commands that need the account: they ask for a login first when
// nobody has logged in during this run, and do nothing when it is cancelled.
// The credit they read reaches the status bar through the session. Every one
// throws Error.
class AccountCommands final
{
public:
    explicit AccountCommands(Context &ctx);

    void openPage(AccountPage page);
    // The sender number is changed on the account page; a demo account is
    // told it cannot and sent to the purchase page instead.
    void senderNumber();
    // Shows the credit, then the once-per-run server checks.
    void checkCredit();

private:
    enum class Login { Already, Made, Refused };
    Login loginFirst();
    void open(AccountPage page);

    Context &m_ctx;
    GatewaySession &m_session;
};

} // namespace brio
