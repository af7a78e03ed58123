#pragma once

#include <QString>
#include <QStringList>

namespace brio::ErrorNo {
// A source file not in the format expected of it.
constexpr int NotExpectedFormat = 3274;
} // namespace brio::ErrorNo

namespace brio::kit {

// One contact as a source file gives it, before its number is checked.
struct ImportRow
{
    // Where the source has it, "Riga %1" or "Scheda %1" and the number: the
    // text is only made for the rows the import refuses.
    QString wherePattern;
    qsizetype whereNumber = 0;
    QString name;
    QStringList numbers; // candidates, the mobile ones first
    QString address;
    QString cap;
    QString city;
    QString province;
    QString region;
    QString email;
    QString birthDate;   // as written in the source
    QString sex;         // as written in the source

    QString where() const;
};

// "yyyymmdd" from the common written forms (dd/mm/yyyy, dd-mm-yyyy, dd.mm.yyyy,
// yyyy-mm-dd, yyyymmdd); empty when it is none of them or no real date.
QString storedBirthDate(const QString &written);
// "M", "F" or empty.
QString storedSex(const QString &written);

} // namespace brio::kit
