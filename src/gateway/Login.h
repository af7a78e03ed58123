#pragma once

#include <QString>
#include <functional>

namespace brio {

struct Context;
class Database;
class GatewayControl;
class Settings;

// The row of tab_accesso that remembers the account between runs.
struct SavedLogin
{
    bool saved = false;
    QString user;
    QString password;
};

// Reads the row with ID 1; a row not marked saved gives empty fields.
// Throws Error when the row is missing.
SavedLogin loadSavedLogin(Database &db);

// Remembers the account, or forgets it (one blank in each field, "N").
void storeLogin(Database &db, bool save, const QString &user, const QString &password);

enum class LoginResult {
    MissingUser,     // told to the user; focus to the user name
    MissingPassword, // told to the user; focus to the password
    Refused,         // wrong account, told to the user; fields to be emptied
    Failed,          // any other failure, reported
    LoggedIn,
};

// The OK of the login window. The typed values become the session's account
// before `gateway` (the window's own) is asked, and stay even when it refuses;
// GetCredit answering means the account is good, then the session logs in and
// the row is saved or cleared. `busy` hears true before the gateway call and false
// after it, for the wait cursor and caption.
LoginResult Login(Context &ctx, GatewayControl &gateway, const QString &user, const QString &password, bool save,
                  const std::function<void(bool)> &busy = {});

// The provider's registration page with the partner code.
QString registrationPageUrl(const Settings &settings);

} // namespace brio
