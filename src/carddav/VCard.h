#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace brio {

// The fields of a server's card that the address book keeps, as written on
// the card (not yet cut to the book's sizes).
struct CardFields
{
    QString uid;
    QString name;        // FN, else N's parts
    QStringList numbers; // TEL values, the mobile ones first
    QString address;     // ADR street and extended address
    QString city;        // ADR locality
    QString province;    // ADR region
    QString postCode;    // ADR postal code
    QString region;      // X-REGIONE
    QString email;       // the first EMAIL
    QString birthDate;   // BDAY as written
    QString sex;         // GENDER or X-GENDER as written
    QStringList categories;
};

// Reads a card (vCard 3.0 or 4.0; 2.1 too) with libvformat. Properties
// longer than a kilobyte (photos, keys) are not read. Throws Error when the
// text is no card.
CardFields readCard(const QByteArray &card);

// What the book holds of a card, in the form written back: the stored
// number ("+393331234567"), the birth date as yyyymmdd, "M"/"F", the groups
// sorted.
struct BookFields
{
    QString name;
    QString number;
    QString address;
    QString postCode;
    QString city;
    QString province;
    QString region;
    QString email;
    QString birthDate;
    QString sex;
    QStringList groups;

    bool operator==(const BookFields &) const = default;
    // One text holding every field, to tell a change.
    QString fingerprint() const;
};

// The card with the fields that differ between `before` (what the book
// made of the card at the last sync) and `after` written in; every other
// line stays as the server wrote it. An empty original makes a new vCard
// 3.0 with the UID. Lines are folded at 75 bytes and end with CR LF.
QByteArray patchCard(const QByteArray &original, const BookFields &before, const BookFields &after,
                     const QString &uid);

// A TEL property's parameters name a mobile (TYPE=CELL, or a bare CELL of
// vCard 2.1).
bool isMobileTel(const QStringList &params);
// The number of a TEL value, a "tel:" address included.
QString telNumber(QString value);

} // namespace brio
