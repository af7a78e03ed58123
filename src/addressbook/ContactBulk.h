#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace brio {

class CheckedUtf8;
class Database;

// Calls found with each stored number; returns how many contacts the book
// holds.
qsizetype forEachStoredNumber(Database &db, const std::function<void(const QString &number)> &found);

// Writes the contacts of a large import, inside the caller's transaction:
// finish() before its commit. Each contact is kFields UTF-8 fields in the
// book's column order (Nominativo, Numero, Indirizzo, CAP, Citta, Prov,
// Regione, e_mail, DataNascita, Sesso), already cut to the fields' sizes,
// an empty field as empty text.
class ContactBulkWriter final
{
public:
    static constexpr int kFields = 10;

    // adding and existing (the book's contacts) decide whether the indexes
    // are made again at the end rather than kept up row by row.
    ContactBulkWriter(Database &db, qsizetype adding, qsizetype existing);
    ~ContactBulkWriter();
    ContactBulkWriter(const ContactBulkWriter &) = delete;
    ContactBulkWriter &operator=(const ContactBulkWriter &) = delete;

    // text holds the fields one after the other; ends[i] is where field i
    // ends, and field i begins where field i - 1 ends.
    void write(const CheckedUtf8 &text, const std::vector<qsizetype> &ends);
    // Puts the book's size checks and indexes back. A rule an index
    // enforces that the rows break (a number twice) throws here.
    void finish();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

} // namespace brio
