#pragma once

#include <QString>
#include <QVariant>
#include <memory>

class QSettings;

namespace brio {

// Every setting the program reads or writes, with its section, key and default
// in one table (Settings.cpp).
enum class Key {
    InstallDir,
    AskDBPassword,
    Language,
    MainCaption,
    MsgBoxCaption,
    AboutLinkText,
    AboutLinkURL,
    PluginLinkURL,
    BuyLinkURL,
    LoginLinkURL,
    DownloadLinkUrl,
    Branded,
    CurrentVersion,
    CapabVersion,
    ServerHost,
    ServerTLS,
    ServerTimeout,
    GatewayURL,
    GatewayParallel,
    GatewaySender,
    GatewayDlrUrl,
    GatewayDlrMask,
    ReportsAddress,
    ReportsPort,
    GatewayMaxParts,
    RegistrationURL,
    CompanyURL,
    Country,
    CardDavURL,
    CardDavUser,
    CardDavAddressBook,
    CardDavTimeout,
    CardDavMinutes,
};

// The per-user settings store, application "Brio2", INI format.
class Settings final
{
public:
    // Empty path: the user's own file in the XDG config folder.
    explicit Settings(const QString &iniPath = QString());
    ~Settings();
    Settings(const Settings &) = delete;
    Settings &operator=(const Settings &) = delete;

    QString text(Key key) const;
    int integer(Key key) const; // non-numeric or absent: the default (0 when none)
    bool contains(Key key) const;
    void set(Key key, const QVariant &value);
    void remove(Key key);

    // For values whose key arrives from the server (brand lines).
    void setRaw(const QString &section, const QString &key, const QString &value);
    QString raw(const QString &section, const QString &key, const QString &fallback = QString()) const;

    void sync();

    static QString defaultOf(Key key);
    static QString sectionOf(Key key);

private:
    std::unique_ptr<QSettings> m_store;
};

} // namespace brio
