#include "gateway/GsmTextOnly.h"

#include "core/Error.h"
#include "core/Texts.h"
#include "sms/GsmText.h"

#include <QStringList>
#include <algorithm>

namespace brio {

void requireGsmText(const QString &text)
{
    const QList<Ucs2Cause> causes = ucs2Causes(text);
    if (causes.isEmpty())
        return;
    QStringList named;
    for (const Ucs2Cause &c : causes)
        named << Texts::tr("“%1” alla posizione %2").arg(c.character).arg(c.position);
    throw Error(kGsmTextOnlyError,
                Texts::tr("Questo gateway accetta soltanto testi nell'alfabeto SMS; nel messaggio ci sono %1. "
                          "Nessun messaggio è stato inoltrato: sostituire quei caratteri (pulsante \"Sostituisci\") "
                          "e inviare di nuovo")
                    .arg(named.join(QStringLiteral(", "))));
}

void requireSendable(const QString &text, const GatewayControl::TextLimits &limits)
{
    if (!limits.ucs2)
        requireGsmText(text);
    const int parts = smsSize(text).parts;
    if (parts > std::max(limits.parts, 1))
        throw Error(kTooManyPartsError,
                    Texts::tr("Il messaggio occupa %1 SMS; questo gateway ne unisce al massimo %2. Nessun messaggio "
                              "è stato inoltrato: accorciare il testo")
                        .arg(parts)
                        .arg(std::max(limits.parts, 1)));
}

} // namespace brio
