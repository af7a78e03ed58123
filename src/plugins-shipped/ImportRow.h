#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace brio::ErrorNo {
// A source file not in the format expected of it.
constexpr int NotExpectedFormat = 3274;
} // namespace brio::ErrorNo

namespace brio::kit {

// One contact as a source file gives it, before its number is checked. The
// texts are UTF-8 without surrounding blanks: a large file's fields go to
// the book as they are, with no conversion on the way.
struct ImportRow
{
    // Where the source has it, "Riga %1" or "Scheda %1" and the number: the
    // text is only made for the rows the import refuses.
    QString wherePattern;
    qsizetype whereNumber = 0;
    QByteArray name;
    QList<QByteArray> numbers; // candidates, the mobile ones first
    QByteArray address;
    QByteArray cap;
    QByteArray city;
    QByteArray province;
    QByteArray region;
    QByteArray email;
    QByteArray birthDate; // as written in the source
    QByteArray sex;       // as written in the source

    QString where() const;
};

// "yyyymmdd" from the common written forms (dd/mm/yyyy, dd-mm-yyyy, dd.mm.yyyy,
// yyyy-mm-dd, yyyymmdd); empty when it is none of them or no real date.
QByteArray storedBirthDate(QByteArrayView written);
// "M", "F" or empty.
QByteArray storedSex(QByteArrayView written);

} // namespace brio::kit
