#pragma once

#include "context/Context.h"
#include "gateway/GatewaySession.h"

namespace brio::test {

// The program's windows as a script: counts what was shown and, for the
// login window, does what a user would have done in it.
class FakeWindows final : public Windows
{
public:
    FakeWindows(AppState &state, GatewaySession &session);

    void showPasswordWindow() override;
    void showLoginWindow() override;
    void showMainWindow() override;

    // The next login windows log in with these credentials (as OK would).
    void loginWith(const QString &user, const QString &password);
    // The next login windows are cancelled.
    void cancelLogin();

    int passwordShown = 0;
    int loginShown = 0;
    int mainShown = 0;

    QString password;                      // typed into the password window

private:
    AppState &m_state;
    GatewaySession &m_session;
    bool m_loginOk = false;
    QString m_user;
    QString m_password;
};

} // namespace brio::test
