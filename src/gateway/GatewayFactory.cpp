#include "gateway/GatewayFactory.h"

#include "app/Error.h"
#include "gateway/SandboxGateway.h"

#include <QDir>

namespace brio {

QString sandboxFile(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("Sandbox.db"));
}

GatewayFactory makeGatewayFactory(const QString &url, const QString &dataFolder, Settings &settings)
{
    Q_UNUSED(settings);
    const QString u = url.trimmed();
    if (u.isEmpty() || u.startsWith(QLatin1String("sandbox:"), Qt::CaseInsensitive)) {
        const QString file = sandboxFile(dataFolder);
        return [file]() -> std::unique_ptr<GatewayControl> { return std::make_unique<SandboxGateway>(file); };
    }
    throw Error(ErrorNo::GatewayBadParameters, QStringLiteral("Indirizzo del gateway non riconosciuto: %1").arg(u));
}

} // namespace brio
