#pragma once

#include <QString>

namespace brio {

// The gateway account as typed or saved. Never logged: it holds the password.
struct Account
{
    QString user;
    QString password;
};

// Where the floors below the gateway read the run's account; the gateway
// session (gateway/GatewaySession) is the one, reached above them with
// session(ctx).
class AccountSource
{
public:
    virtual ~AccountSource() = default;
    virtual Account account() const = 0;
};

} // namespace brio
