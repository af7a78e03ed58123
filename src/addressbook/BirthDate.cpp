#include "addressbook/BirthDate.h"

#include <QDate>

namespace brio {

namespace {

bool allDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

QString emptyBirthDateText()
{
    return QStringLiteral("__-__-____");
}

bool IsBirthDateValid(const QString &text, bool allowEmpty)
{
    if (text == emptyBirthDateText() || text.isEmpty())
        return allowEmpty;
    if (text.size() != 10 || text.at(2) != QLatin1Char('-') || text.at(5) != QLatin1Char('-'))
        return false;
    const QStringView view(text);
    const QStringView day = view.mid(0, 2), month = view.mid(3, 2), year = view.mid(6, 4);
    if (!allDigits(day) || !allDigits(month) || !allDigits(year))
        return false;
    // A date that does not exist would be stored and sorted as if it did.
    return QDate(year.toInt(), month.toInt(), day.toInt()).isValid();
}

QString BirthDateToStored(const QString &text)
{
    if (text.size() != 10)
        return QString();
    const QString stored = text.mid(6, 4) + text.mid(3, 2) + text.mid(0, 2);
    return allDigits(stored) ? stored : QString();
}

QString StoredToBirthDate(const QString &stored)
{
    if (stored.size() != 8)
        return emptyBirthDateText();
    return stored.mid(6, 2) + QLatin1Char('-') + stored.mid(4, 2) + QLatin1Char('-') + stored.mid(0, 4);
}

} // namespace brio
