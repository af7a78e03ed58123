#include "mock/FakeWindows.h"

namespace brio::test {

FakeWindows::FakeWindows(AppState &state, GatewaySession &session)
    : m_state(state)
    , m_session(session)
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
    // The real window logs out when it loads.
    m_session.logOut();
    if (!m_loginOk)
        return;
    m_session.setAccount(m_user, m_password);
    m_session.logIn();
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
