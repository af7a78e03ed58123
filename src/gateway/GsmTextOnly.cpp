#include "gateway/GsmTextOnly.h"

#include "core/Error.h"
#include "core/Texts.h"
#include "sms/GsmText.h"

#include <QStringList>

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

} // namespace brio
