#include "app/GatewayChoice.h"

#include "core/Texts.h"
#include "gateway/GatewayFactory.h"

namespace brio {

bool chooseGateway(Context &ctx, const QString &commandLine)
{
    const QString folder = ctx.state.InstallDir;
    if (!commandLine.isEmpty()) {
        try {
            ctx.makeGateway = makeGatewayFactory(chooseGatewayUrl(commandLine, ctx.settings), folder, ctx.settings,
                                                 QStringLiteral("--gateway"));
            return true;
        } catch (const Error &e) {
            ReportError(ctx, e);
            return false;
        }
    }
    try {
        const bool fromEnvironment = !qEnvironmentVariableIsEmpty("BRIOSMS_GATEWAY");
        ctx.makeGateway = makeGatewayFactory(chooseGatewayUrl(QString(), ctx.settings), folder, ctx.settings,
                                             fromEnvironment ? QStringLiteral("BRIOSMS_GATEWAY")
                                                             : QStringLiteral("Gateway/URL"));
    } catch (const Error &e) {
        ReportError(ctx, Error(e.number(), e.description()
                                               + Texts::tr(". BrioSMS usa per ora il gateway di prova (sandbox:); "
                                                           "correggere Gateway/URL nel file delle impostazioni")));
        ctx.makeGateway = sandboxGatewayFactory(folder);
    }
    return true;
}

} // namespace brio
