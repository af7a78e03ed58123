#pragma once

#include <QString>

namespace brio {

class Settings;

// Where the password of the gateway set in Gateway/URL is kept.
enum class PasswordPlace {
    None,         // the address names no account
    Keyring,      // the desktop's keyring (Secret Service, KWallet)
    SettingsFile, // the settings file, readable by its owner only
};

// Gateway/URL with its password. A password written into the setting is
// moved into the desktop keyring when one answers, the setting keeping the
// address without it; where none runs (cron, a server) it stays in the
// settings file. `place` says which holds it.
QString gatewayUrlWithPassword(Settings &settings, PasswordPlace &place);

// The same for the address book's server, CardDAV/URL.
QString cardDavUrlWithPassword(Settings &settings, PasswordPlace &place);

// The user's words for the place, for messages.
QString passwordPlaceText(PasswordPlace place);

} // namespace brio
