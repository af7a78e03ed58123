#include "gateway/GatewayPassword.h"

#include "core/Texts.h"
#include "settings/Settings.h"

#include <QEventLoop>
#include <QUrl>
#include <qt6keychain/keychain.h>

namespace brio {

namespace {

const QString kService = QStringLiteral("BrioSMS");

// One entry per address, so that two gateways keep two passwords.
QString keyOf(QUrl url, const QString &kind)
{
    url.setPassword(QString());
    return kind + QLatin1Char(' ') + url.toString();
}

// The jobs answer through the event loop; a missing keyring answers at once.
bool finish(QKeychain::Job &job)
{
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

// Reads the setting; a password written into it moves into the keyring
// when one answers.
QString urlWithPassword(Settings &settings, Key key, const QString &kind, PasswordPlace &place)
{
    const QString text = settings.text(key).trimmed();
    QUrl url(text);
    place = PasswordPlace::None;
    if (!url.isValid() || url.userName().isEmpty())
        return text;
    if (!url.password().isEmpty()) {
        QKeychain::WritePasswordJob write(kService);
        write.setKey(keyOf(url, kind));
        write.setTextData(url.password());
        if (!finish(write)) {
            // The settings file is its owner's only (Settings sees to it).
            place = PasswordPlace::SettingsFile;
            return text;
        }
        QUrl bare = url;
        bare.setPassword(QString());
        settings.set(key, bare.toString());
        settings.sync();
        place = PasswordPlace::Keyring;
        return text;
    }
    QKeychain::ReadPasswordJob read(kService);
    read.setKey(keyOf(url, kind));
    if (!finish(read))
        return text; // no password anywhere: the login window asks for it
    url.setPassword(read.textData());
    place = PasswordPlace::Keyring;
    return url.toString();
}

} // namespace

QString gatewayUrlWithPassword(Settings &settings, PasswordPlace &place)
{
    return urlWithPassword(settings, Key::GatewayURL, QStringLiteral("gateway"), place);
}

QString cardDavUrlWithPassword(Settings &settings, PasswordPlace &place)
{
    return urlWithPassword(settings, Key::CardDavURL, QStringLiteral("carddav"), place);
}

QString passwordPlaceText(PasswordPlace place)
{
    switch (place) {
    case PasswordPlace::Keyring:
        return Texts::tr("La password del gateway è nel portachiavi del desktop.");
    case PasswordPlace::SettingsFile:
        return Texts::tr("La password del gateway è nel file delle impostazioni, leggibile solo dall'utente: "
                         "nessun portachiavi del desktop risponde.");
    case PasswordPlace::None:
        break;
    }
    return QString();
}

} // namespace brio
