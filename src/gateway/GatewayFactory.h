#pragma once

#include "context/Context.h"

#include <QString>

namespace brio {

// The driver named by a gateway address: "sandbox:" (the embedded gateway,
// the default) or "http://" / "https://" (a provider's JSON gateway).
// Throws Error for an address no driver understands.
GatewayFactory makeGatewayFactory(const QString &url, const QString &dataFolder, Settings &settings);

QString sandboxFile(const QString &dataFolder);

} // namespace brio
