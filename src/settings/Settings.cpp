#include "settings/Settings.h"

#include "core/Error.h"
#include "core/Texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <array>

namespace brio {

namespace {

struct Entry
{
    Key key;
    const char *section;
    const char *name;
    const char *fallback;
};

// The maker's web site: every default address derives from it.
#define BRIO_SITE "https://www.briosms.it"

constexpr std::array kEntries{
    Entry{Key::InstallDir, "Path", "InstallDir", ""},
    Entry{Key::AskDBPassword, "Options", "AskDBPassword", "0"},
    // The interface language chosen in Opzioni: "it", "en", or empty to follow the desktop.
    Entry{Key::Language, "Options", "Language", ""},
    Entry{Key::MainCaption, "Brand", "MainCaption", "BrioSMS 2.0"},
    Entry{Key::MsgBoxCaption, "Brand", "MsgBoxCaption", "BrioSMS"},
    Entry{Key::AboutLinkText, "Brand", "AboutLinkText", "www.briosms.it"},
    Entry{Key::AboutLinkURL, "Brand", "AboutLinkURL", BRIO_SITE "/"},
    Entry{Key::PluginLinkURL, "Brand", "PluginLinkURL", BRIO_SITE "/plugin.php"},
    Entry{Key::BuyLinkURL, "Brand", "BuyLinkURL", BRIO_SITE "/acquisto.php"},
    Entry{Key::LoginLinkURL, "Brand", "LoginLinkURL", BRIO_SITE "/login.php"},
    Entry{Key::DownloadLinkUrl, "Brand", "DownloadLinkUrl", BRIO_SITE "/download.php"},
    Entry{Key::Branded, "Brand", "Branded", "0"},
    Entry{Key::CurrentVersion, "Brand", "CurrentVersion", "00"},
    Entry{Key::CapabVersion, "Server", "CapabVersion", "00"},
    // No gateway host by default: the server services then have nobody to ask.
    Entry{Key::ServerHost, "Server", "Host", ""},
    Entry{Key::ServerTLS, "Server", "TLS", "0"},
    Entry{Key::ServerTimeout, "Server", "Timeout", "20"},
    Entry{Key::GatewayURL, "Gateway", "URL", "sandbox:"},
    // Requests a send keeps open at once, for gateways that take several.
    Entry{Key::GatewayParallel, "Gateway", "Parallel", "4"},
    // The sender shown on the phone, for gateways that let the program say it.
    Entry{Key::GatewaySender, "Gateway", "Sender", ""},
    // Where a gateway that reports deliveries posts them (empty: the
    // program's own receiver, below), and which reports (Kannel's bits: 1
    // delivered, 2 failed, 4 buffered, 8 accepted by the SMSC, 16 refused by
    // it; 0: none asked).
    Entry{Key::GatewayDlrUrl, "Gateway", "DlrUrl", ""},
    Entry{Key::GatewayDlrMask, "Gateway", "DlrMask", "31"},
    // The receiver of delivery reports: the address it listens on (another
    // than loopback when Kannel runs on another machine) and its port.
    Entry{Key::ReportsAddress, "Reports", "Address", "127.0.0.1"},
    Entry{Key::ReportsPort, "Reports", "Port", "13090"},
    // Parts one message may take on a gateway that joins them (1 to 10); for
    // Kannel no more than its sendsms-user max-messages, past which it cuts
    // the text short without saying so.
    Entry{Key::GatewayMaxParts, "Gateway", "MaxParts", "4"},
    Entry{Key::RegistrationURL, "Server", "RegistrationURL", BRIO_SITE "/btp_redirect_brio.php"},
    Entry{Key::CompanyURL, "Server", "CompanyURL", "https://www.ztq.it"},
    // The country of a number typed without one (ISO 3166 code).
    Entry{Key::Country, "Options", "Country", "IT"},
    // The shared address book: server or book address (user and password in
    // it as in Gateway/URL), the user when the address has none, the book
    // among the user's, seconds per request, minutes between syncs (0: on
    // demand only).
    Entry{Key::CardDavURL, "CardDAV", "URL", ""},
    Entry{Key::CardDavUser, "CardDAV", "User", ""},
    Entry{Key::CardDavAddressBook, "CardDAV", "AddressBook", ""},
    Entry{Key::CardDavTimeout, "CardDAV", "Timeout", "60"},
    Entry{Key::CardDavMinutes, "CardDAV", "Minutes", "0"},
};

const Entry &entry(Key key)
{
    for (const Entry &e : kEntries) {
        if (e.key == key)
            return e;
    }
    Q_UNREACHABLE();
}

QString path(const Entry &e)
{
    return QLatin1String(e.section) + QLatin1Char('/') + QLatin1String(e.name);
}

} // namespace

namespace {

// A settings file named by the user must be a file, or not be there yet: a
// device or a folder would be read as garbage and replaced by a file.
const QString &usableSettingsPath(const QString &iniPath)
{
    const QFileInfo info(iniPath);
    if (!iniPath.isEmpty() && info.exists() && !info.isFile())
        throw Error(ErrorNo::InvalidPath,
                    Texts::tr("\"%1\" non è un file normale (è una cartella o un dispositivo): non può fare da file "
                              "delle impostazioni, e non è stato né letto né modificato.")
                        .arg(QDir::toNativeSeparators(iniPath)));
    return iniPath;
}

} // namespace

Settings::Settings(const QString &iniPath)
    : m_store(usableSettingsPath(iniPath).isEmpty()
                  ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                QStringLiteral("BrioSMS"), QStringLiteral("Brio2"))
                  : std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
    // The file may hold a gateway password: readable by its owner only. A
    // rewrite keeps the permissions of the file it replaces.
    const QString file = m_store->fileName();
    if (!QFileInfo::exists(file)) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        if (f.open(QIODevice::WriteOnly))
            f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    } else if (QFile::permissions(file) & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) {
        // One written by hand or by an earlier version is narrowed.
        QFile::setPermissions(file, QFile::permissions(file) & ~(QFileDevice::ReadGroup | QFileDevice::ReadOther
                                                                  | QFileDevice::WriteGroup | QFileDevice::WriteOther));
    }
}

Settings::~Settings() = default;

QString Settings::text(Key key) const
{
    const Entry &e = entry(key);
    return m_store->value(path(e), QString::fromUtf8(e.fallback)).toString();
}

int Settings::integer(Key key) const
{
    bool ok = false;
    const int v = text(key).trimmed().toInt(&ok);
    if (ok)
        return v;
    return QString::fromUtf8(entry(key).fallback).toInt();
}

bool Settings::contains(Key key) const
{
    return m_store->contains(path(entry(key)));
}

void Settings::set(Key key, const QVariant &value)
{
    m_store->setValue(path(entry(key)), value.toString());
}

void Settings::remove(Key key)
{
    m_store->remove(path(entry(key)));
}

void Settings::setRaw(const QString &section, const QString &key, const QString &value)
{
    m_store->setValue(section + QLatin1Char('/') + key, value);
}

QString Settings::raw(const QString &section, const QString &key, const QString &fallback) const
{
    return m_store->value(section + QLatin1Char('/') + key, fallback).toString();
}

void Settings::sync()
{
    m_store->sync();
}

QString Settings::defaultOf(Key key)
{
    return QString::fromUtf8(entry(key).fallback);
}

QString Settings::sectionOf(Key key)
{
    return QString::fromUtf8(entry(key).section);
}

} // namespace brio
