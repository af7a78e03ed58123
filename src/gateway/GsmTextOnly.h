#pragma once

#include <QString>

namespace brio {

// Outside the gateway control's range: a text with characters outside GSM
// 03.38 for a gateway that carries only those; the description names them.
constexpr int kGsmTextOnlyError = 29003;

// For drivers whose gateway takes GSM 03.38 texts only: throws that Error
// before anything is queued.
void requireGsmText(const QString &text);

} // namespace brio
