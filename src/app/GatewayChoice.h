#pragma once

#include "context/Context.h"

namespace brio {

// Sets ctx.makeGateway from --gateway (`commandLine`, when given) or from the
// setting Gateway/URL. A bad address on the command line is reported and
// gives false: the program ends. A bad one in the settings is reported and
// the program goes on with the sandbox gateway, so that the user can start it
// and mend the setting.
bool chooseGateway(Context &ctx, const QString &commandLine);

} // namespace brio
