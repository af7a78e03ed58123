#include "ImportRow.h"

#include "core/Error.h"
#include "core/Texts.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace brio::kit {

void openSource(QFile &file, qint64 mostBytes)
{
    const QFileInfo info(file.fileName());
    if (!info.exists())
        throw Error(ErrorNo::InvalidPath, Texts::tr("Il file '%1' non esiste").arg(file.fileName()));
    // A device or a pipe would be read without end.
    if (!info.isFile())
        throw Error(ErrorNo::InvalidPath,
                    Texts::tr("'%1' non è un file normale: si importa solo da un file").arg(file.fileName()));
    if (info.size() > mostBytes)
        throw Error(ErrorNo::NotExpectedFormat, Texts::tr("Il file '%1' è troppo grande: il limite è di %2 MB")
                                           .arg(file.fileName())
                                           .arg(mostBytes >> 20));
    if (!file.open(QIODevice::ReadOnly))
        throw Error(ErrorNo::InvalidPath,
                    Texts::tr("Impossibile leggere il file '%1': %2").arg(file.fileName(), file.errorString()));
}

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
