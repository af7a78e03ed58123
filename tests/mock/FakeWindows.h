#pragma once

#include "app/Context.h"

#include <QStringList>
#include <functional>

namespace brio::test {

// Records which windows were shown and plays the user's part in them from a
// script: the password typed, the login made or cancelled.
class FakeWindows final : public Windows
{
public:
    explicit FakeWindows(AppState &state);

    void showPasswordWindow() override;
    void showLoginWindow() override;
    void showMainWindow() override;

    // Script.
    QString typedPassword;                  // password window: what the user types
    bool loginSucceeds = true;              // login window: OK with these credentials, or cancel
    QString loginUser = QStringLiteral("prova");
    QString loginPassword = QStringLiteral("prova");
    std::function<void()> onLogin;          // replaces the scripted login when set

    QStringList shown; // "password", "login", "main"

private:
    AppState &m_state;
};

} // namespace brio::test
