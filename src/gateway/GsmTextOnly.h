#pragma once

#include "gateway/GatewayControl.h"

#include <QString>

namespace brio {

// Outside the gateway control's range: a text with characters outside GSM
// 03.38 for a gateway that carries only those; the description names them.
constexpr int kGsmTextOnlyError = 29003;
// A text of more parts than the gateway joins; the description says how many.
constexpr int kTooManyPartsError = 29004;

// For drivers whose gateway takes GSM 03.38 texts only: throws that Error
// before anything is queued.
void requireGsmText(const QString &text);

// Throws, before anything is queued, when the text is more than the gateway
// carries: characters outside GSM 03.38 where it takes none (as
// requireGsmText), or more parts than it joins.
void requireSendable(const QString &text, const GatewayControl::TextLimits &limits);

} // namespace brio
