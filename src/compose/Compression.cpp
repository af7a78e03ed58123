#include "compose/Compression.h"

#include "core/Texts.h"
#include "sms/GsmText.h"

#include <QStringList>

namespace brio {

QString CompressText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    const QStringList words = text.split(QLatin1Char(' '));
    for (const QString &word : words) {
        if (word.isEmpty())
            continue;
        out += word.left(1).toUpper();
        out += QStringView(word).mid(1);
    }
    return out;
}

QString messageCounterText(const QString &text)
{
    // The network counts septets ("€" takes two), or UTF-16 units once one
    // character forces UCS-2.
    const SmsSize size = smsSize(text);
    if (size.parts <= 1)
        return Texts::tr("Testo (%1):").arg(size.left);
    return Texts::tr("Testo (%1, %2 SMS):").arg(size.left).arg(size.parts);
}

QString ucs2NoticeText(const QString &text)
{
    const QList<Ucs2Cause> causes = ucs2Causes(text);
    if (causes.isEmpty())
        return QString();
    QStringList named;
    for (const Ucs2Cause &c : causes)
        named << Texts::tr("“%1” alla posizione %2").arg(c.character).arg(c.position);
    return Texts::tr("Caratteri fuori dall'alfabeto SMS: %1. Con questi caratteri un SMS contiene al "
                     "massimo %2 caratteri invece di 160.")
        .arg(named.join(QStringLiteral(", ")))
        .arg(smsSize(text).single);
}

bool messageFits(const QString &text, int maxParts)
{
    return fitsParts(text, maxParts);
}

void CompressButton::UpdateCompressButton(const QString &text)
{
    if (!text.contains(QLatin1Char(' '))) {
        // A compressed text keeps the button so that it can be undone.
        if (m_state.key != QLatin1String(kRestore) || text.isEmpty())
            m_state.enabled = false;
        return;
    }
    m_state = State{};
    m_state.enabled = true;
}

QString CompressButton::press(const QString &text)
{
    const bool enabled = m_state.enabled;
    if (m_state.key == QLatin1String(kRestore)) {
        m_state = State{};
        m_state.enabled = enabled;
        return DecomprimiSMS();
    }
    m_state = State{QString::fromLatin1(kRestore), Texts::tr("Annulla Compressione"), true, enabled};
    m_savedText = text;
    return CompressText(text);
}

QString CompressButton::DecomprimiSMS() const
{
    return m_savedText;
}

void CompressButton::release()
{
    m_state.pressed = false;
}

const CompressButton::State &CompressButton::button() const
{
    return m_state;
}

const QString &CompressButton::savedText() const
{
    return m_savedText;
}

} // namespace brio
