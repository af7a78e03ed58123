#include "gateway/GatewayFactory.h"

#include "core/Error.h"
#include "core/Texts.h"
#include "gateway/HttpGateway.h"
#include "gateway/KannelGateway.h"
#include "gateway/SandboxGateway.h"
#include "settings/Settings.h"

#include <QDir>
#include <QHostAddress>
#include <QUrl>

namespace brio {

namespace {

// Every control carries the application code from the moment it is made:
// a gateway refuses a call without it.
std::unique_ptr<GatewayControl> withAppCode(std::unique_ptr<GatewayControl> control,
                                            const Settings *settings = nullptr)
{
    control->setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
    if (settings)
        control->setMaxParts(settings->integer(Key::GatewayMaxParts));
    return control;
}

} // namespace

QString sandboxFile(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("Sandbox.db"));
}

QString chooseGatewayUrl(const QString &argument, Settings &settings, PasswordPlace *place)
{
    if (place)
        *place = PasswordPlace::None;
    if (!argument.isEmpty()) {
        if (!QUrl(argument.trimmed()).password().isEmpty())
            throw Error(ErrorNo::GatewayBadParameters,
                        Texts::tr("La password del gateway non va scritta sulla riga di comando, dove è visibile "
                                  "a tutti: indicare l'indirizzo in BRIOSMS_GATEWAY o nell'impostazione "
                                  "Gateway/URL."));
        return argument;
    }
    const QString fromEnvironment = qEnvironmentVariable("BRIOSMS_GATEWAY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    PasswordPlace where = PasswordPlace::None;
    const QString url = gatewayUrlWithPassword(settings, where);
    if (place)
        *place = where;
    return url;
}

QString deliveryReportUrl(const Settings &settings)
{
    const QString set = settings.text(Key::GatewayDlrUrl).trimmed();
    if (!set.isEmpty())
        return set;
    // A receiver on every address is reached on this machine through loopback.
    QHostAddress host(settings.text(Key::ReportsAddress).trimmed());
    if (host.isNull() || host == QHostAddress::AnyIPv4 || host == QHostAddress::AnyIPv6 || host == QHostAddress::Any)
        host = QHostAddress::LocalHost;
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host.toString());
    url.setPort(settings.integer(Key::ReportsPort));
    url.setPath(QStringLiteral("/dlr"));
    return url.toString();
}

GatewayFactory sandboxGatewayFactory(const QString &dataFolder)
{
    const QString file = sandboxFile(dataFolder);
    return [file] { return withAppCode(std::make_unique<SandboxGateway>(file)); };
}

GatewayFactory makeGatewayFactory(const QString &url, const QString &dataFolder, Settings &settings,
                                  const QString &origin)
{
    const QString u = url.trimmed();
    if (u.isEmpty() || u.startsWith(QLatin1String("sandbox:"), Qt::CaseInsensitive)) {
        const QString file = sandboxFile(dataFolder);
        return [file, &settings] { return withAppCode(std::make_unique<SandboxGateway>(file), &settings); };
    }
    if (KannelGateway::handles(u)) {
        const KannelGateway::Address address = KannelGateway::parse(u);
        return [address, &settings] {
            auto kannel = std::make_unique<KannelGateway>(address, settings.integer(Key::ServerTimeout),
                                                          settings.integer(Key::GatewayParallel),
                                                          settings.text(Key::GatewaySender));
            kannel->setDeliveryReports(deliveryReportUrl(settings), settings.integer(Key::GatewayDlrMask));
            return withAppCode(std::move(kannel), &settings);
        };
    }
    try {
        const QUrl endpoint = HttpGateway::checkUrl(u);
        return [endpoint, &settings] {
            return withAppCode(std::make_unique<HttpGateway>(endpoint, settings.integer(Key::ServerTimeout)),
                               &settings);
        };
    } catch (const Error &e) {
        throw Error(ErrorNo::BadGatewayAddress,
                    Texts::tr("Indirizzo del gateway non valido in %1: \"%2\" (%3)").arg(origin, u, e.description()));
    }
}

} // namespace brio
