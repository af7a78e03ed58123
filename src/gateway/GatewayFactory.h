#pragma once

#include "context/Context.h"
#include "gateway/GatewayPassword.h"

#include <QString>

namespace brio {

// The driver named by a gateway address: "sandbox:" (the embedded gateway,
// the default), "http://" / "https://" (a provider's JSON gateway) or
// "kannel://" / "kannels://" (a Kannel smsbox). Every control it makes
// carries the application code. Throws Error BadGatewayAddress, naming
// `origin` (the setting or option the address came from) and the address,
// for an address no driver can use.
GatewayFactory makeGatewayFactory(const QString &url, const QString &dataFolder, Settings &settings,
                                  const QString &origin = QStringLiteral("Gateway/URL"));
GatewayFactory sandboxGatewayFactory(const QString &dataFolder);

// The gateway address of this run: the command line's, else $BRIOSMS_GATEWAY,
// else the setting Gateway/URL with its password from the keyring or the
// settings file (`place`, when given, says which). An address on the command
// line must not carry a password, which every user of the machine could read
// there (Error 28376).
QString chooseGatewayUrl(const QString &argument, Settings &settings, PasswordPlace *place = nullptr);

QString sandboxFile(const QString &dataFolder);

// Where Kannel posts delivery reports: Gateway/DlrUrl, or else the address of
// the program's own receiver (Reports/Address and Reports/Port).
QString deliveryReportUrl(const Settings &settings);

} // namespace brio
