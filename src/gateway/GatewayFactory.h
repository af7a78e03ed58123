#pragma once

#include "context/Context.h"

#include <QString>

namespace brio {

// The driver named by a gateway address: "sandbox:" (the embedded gateway,
// the default) or "http://" / "https://" (a provider's JSON gateway). Every
// control it makes carries the application code. Throws Error
// BadGatewayAddress, naming `origin` (the setting or option the address came
// from) and the address, for an address no driver can use.
GatewayFactory makeGatewayFactory(const QString &url, const QString &dataFolder, Settings &settings,
                                  const QString &origin = QStringLiteral("Gateway/URL"));
GatewayFactory sandboxGatewayFactory(const QString &dataFolder);

QString sandboxFile(const QString &dataFolder);

} // namespace brio
