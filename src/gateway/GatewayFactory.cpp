#include "gateway/GatewayFactory.h"

#include "core/Error.h"
#include "gateway/HttpGateway.h"
#include "gateway/KannelGateway.h"
#include "gateway/SandboxGateway.h"
#include "settings/Settings.h"

#include <QDir>
#include <QUrl>

namespace brio {

QString sandboxFile(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("Sandbox.db"));
}

QString chooseGatewayUrl(const QString &argument, const Settings &settings)
{
    if (!argument.isEmpty()) {
        if (!QUrl(argument.trimmed()).password().isEmpty())
            throw Error(ErrorNo::GatewayBadParameters,
                        QStringLiteral("La password del gateway non va scritta sulla riga di comando, dove è visibile "
                                       "a tutti: indicare l'indirizzo in BRIOSMS_GATEWAY o nell'impostazione "
                                       "Gateway/URL."));
        return argument;
    }
    const QString fromEnvironment = qEnvironmentVariable("BRIOSMS_GATEWAY");
    return fromEnvironment.isEmpty() ? settings.text(Key::GatewayURL) : fromEnvironment;
}

GatewayFactory makeGatewayFactory(const QString &url, const QString &dataFolder, Settings &settings)
{
    const QString u = url.trimmed();
    if (u.isEmpty() || u.startsWith(QLatin1String("sandbox:"), Qt::CaseInsensitive)) {
        const QString file = sandboxFile(dataFolder);
        return [file]() -> std::unique_ptr<GatewayControl> { return std::make_unique<SandboxGateway>(file); };
    }
    if (u.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || u.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        const QUrl endpoint = HttpGateway::checkUrl(u);
        return [endpoint, &settings]() -> std::unique_ptr<GatewayControl> {
            return std::make_unique<HttpGateway>(endpoint, settings.integer(Key::ServerTimeout));
        };
    }
    if (KannelGateway::handles(u)) {
        const KannelGateway::Address address = KannelGateway::parse(u);
        return [address, &settings]() -> std::unique_ptr<GatewayControl> {
            return std::make_unique<KannelGateway>(address, settings.integer(Key::ServerTimeout),
                                                   settings.integer(Key::GatewayParallel),
                                                   settings.text(Key::GatewaySender));
        };
    }
    throw Error(ErrorNo::GatewayBadParameters, QStringLiteral("Indirizzo del gateway non riconosciuto: %1").arg(u));
}

} // namespace brio
