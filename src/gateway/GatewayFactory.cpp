#include "gateway/GatewayFactory.h"

#include "core/Error.h"
#include "gateway/HttpGateway.h"
#include "gateway/SandboxGateway.h"
#include "settings/Settings.h"

#include <QDir>

namespace brio {

QString sandboxFile(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("Sandbox.db"));
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
    throw Error(ErrorNo::GatewayBadParameters, QStringLiteral("Indirizzo del gateway non riconosciuto: %1").arg(u));
}

} // namespace brio
