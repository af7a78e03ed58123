#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QFile;

namespace brio::ErrorNo {
// A source file not in the format expected of it.
constexpr int NotExpectedFormat = 3274;
} // namespace brio::ErrorNo

namespace brio::kit {

// What an import reads at most: past any of these it stops, names the limit
// and leaves the book as it was. Memory stays within a few tens of
// megabytes whatever the file holds.
constexpr qint64 kMostCsvBytes = 64 << 20;
constexpr qint64 kMostVCardBytes = 256 << 20; // photos are skipped unread, but still read
constexpr qsizetype kMostCsvFieldBytes = 64 << 10;
constexpr qsizetype kMostCsvRowBytes = 256 << 10;
constexpr int kMostQuotedFieldLines = 10; // more is a quote left open
constexpr qsizetype kMostCardBytes = 64 << 10; // photos and other long properties left out
constexpr qsizetype kMostContacts = 1000000;

// Opens a source file for reading: only a regular file of at most mostBytes.
// Throws Error naming what is wrong.
void openSource(QFile &file, qint64 mostBytes);

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
    bool badText = false; // bytes that are not text in the file's encoding: left out

    QString where() const;
};

// "yyyymmdd" from the common written forms (dd/mm/yyyy, dd-mm-yyyy, dd.mm.yyyy,
// yyyy-mm-dd, yyyymmdd); empty when it is none of them or no real date.
QByteArray storedBirthDate(QByteArrayView written);
// "M", "F" or empty.
QByteArray storedSex(QByteArrayView written);

} // namespace brio::kit
