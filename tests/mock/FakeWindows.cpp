#include "mock/FakeWindows.h"

namespace brio::test {

FakeWindows::FakeWindows(AppState &state)
    : m_state(state)
{
}

void FakeWindows::showPasswordWindow()
{
    shown << QStringLiteral("password");
    m_state.DBPassword = typedPassword;
}

void FakeWindows::showLoginWindow()
{
    shown << QStringLiteral("login");
    m_state.LoggedIn = false;
    if (onLogin) {
        onLogin();
        return;
    }
    if (loginSucceeds) {
        m_state.LoginUser = loginUser;
        m_state.LoginPassword = loginPassword;
        m_state.LoggedIn = true;
    }
}

void FakeWindows::showMainWindow()
{
    shown << QStringLiteral("main");
}

} // namespace brio::test
