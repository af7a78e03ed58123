#include "gateway/GatewayFactory.h"

#include "core/Error.h"
#include "gateway/HttpGateway.h"
#include "gateway/SandboxGateway.h"
#include "settings/Settings.h"

#include <QDir>

namespace brio {

namespace {

// Every control carries the application code from the moment it is made:
// a gateway refuses a call without it.
std::unique_ptr<GatewayControl> withAppCode(std::unique_ptr<GatewayControl> control)
{
    control->setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
    return control;
}

} // namespace

QString sandboxFile(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("Sandbox.db"));
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
    if (u.isEmpty() || u.startsWith(QLatin1String("sandbox:"), Qt::CaseInsensitive))
        return sandboxGatewayFactory(dataFolder);
    try {
        const QUrl endpoint = HttpGateway::checkUrl(u);
        return [endpoint, &settings] {
            return withAppCode(std::make_unique<HttpGateway>(endpoint, settings.integer(Key::ServerTimeout)));
        };
    } catch (const Error &e) {
        throw Error(ErrorNo::BadGatewayAddress,
                    QStringLiteral("Indirizzo del gateway non valido in %1: \"%2\" (%3)").arg(origin, u, e.description()));
    }
}

} // namespace brio
