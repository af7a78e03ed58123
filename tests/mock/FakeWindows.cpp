#include "mock/FakeWindows.h"

namespace brio::test {

FakeWindows::FakeWindows(AppState &state)
    : m_state(state)
{
}

void FakeWindows::showPasswordWindow()
{
    ++passwordShown;
    m_state.book.setPassword(password);
}

void FakeWindows::showLoginWindow()
{
    ++loginShown;
    // The real window clears LoggedIn when it loads.
    m_state.LoggedIn = false;
    if (onLogin) {
        onLogin();
        return;
    }
    if (!m_loginOk)
        return;
    m_state.LoginUser = m_user;
    m_state.LoginPassword = m_password;
    m_state.LoggedIn = true;
}

void FakeWindows::showMainWindow()
{
    ++mainShown;
}

void FakeWindows::loginWith(const QString &user, const QString &password)
{
    m_loginOk = true;
    m_user = user;
    m_password = password;
}

void FakeWindows::cancelLogin()
{
    m_loginOk = false;
}

} // namespace brio::test
