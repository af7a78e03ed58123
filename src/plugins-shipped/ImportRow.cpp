#include "ImportRow.h"

#include <QDate>
#include <QRegularExpression>

namespace brio::kit {

QString ImportRow::where() const
{
    return wherePattern.arg(whereNumber);
}

QByteArray storedBirthDate(QByteArrayView written)
{
    static const QRegularExpression dayFirst(QStringLiteral("^(\\d{1,2})[/.-](\\d{1,2})[/.-](\\d{4})$"));
    static const QRegularExpression yearFirst(QStringLiteral("^(\\d{4})-?(\\d{2})-?(\\d{2})(?:T.*)?$"));
    if (written.isEmpty())
        return QByteArray();
    const QString t = QString::fromUtf8(written).trimmed();
    QDate date;
    if (const auto m = dayFirst.match(t); m.hasMatch())
        date = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    else if (const auto m = yearFirst.match(t); m.hasMatch())
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return date.isValid() ? date.toString(QStringLiteral("yyyyMMdd")).toLatin1() : QByteArray();
}

QByteArray storedSex(QByteArrayView written)
{
    if (written.isEmpty())
        return QByteArray();
    const QString t = QString::fromUtf8(written).trimmed().toLower();
    for (const char *male : {"m", "maschio", "male", "uomo", "man"}) {
        if (t == QLatin1String(male))
            return QByteArrayLiteral("M");
    }
    for (const char *female : {"f", "femmina", "female", "donna", "woman"}) {
        if (t == QLatin1String(female))
            return QByteArrayLiteral("F");
    }
    return QByteArray();
}

} // namespace brio::kit
