#pragma once

#include "addressbook/ListEntries.h"

#include <QStringList>
#include <QVariantList>
#include <utility>
#include <vector>

namespace brio {

class Database;

enum class SexCriterion { Any, Female, Male };

// What the contact search window asks for. A text criterion counts when it
// holds more than blanks and is then matched as typed, blanks included;
// '*' and '?' are wildcards, every other character (also '%' and '_') stands
// for itself. Ages are the digits typed in the age boxes.
struct SearchCriteria
{
    QString name;
    QString number;
    QString ageFrom;
    QString ageTo;
    QString city;
    QString province;
    QString region;
    QString email;
    SexCriterion sex = SexCriterion::Any;
    qint64 group = kWholeAddressBook;
};

// The search as SQL with bound parameters: the conditions in the window's
// order, joined by AND.
struct SearchSql
{
    QStringList conditions;
    QVariantList params;

    // The whole statement: contacts ordered by name.
    QString statement() const;
};

// Builds the search for the current year. A contact without a birth date
// never satisfies an age criterion.
SearchSql BuildSearchSql(const SearchCriteria &criteria, int currentYear);

// Runs a search a slice at a time, in name order, so that the window can
// serve its stop button between slices. Names sort as a person reads them, an
// order no index of the file can hold: the book is read in stretches of its
// row numbers, each stretch sorted as it comes, and the stretches are then
// merged, so that no single step scans or sorts the whole book.
class ContactSearch final
{
public:
    ContactSearch(Database &db, SearchSql sql);
    ~ContactSearch();
    ContactSearch(const ContactSearch &) = delete;
    ContactSearch &operator=(const ContactSearch &) = delete;

    // Appends the rows found within about budgetMs milliseconds. Returns
    // false once every row has been read. Throws Error.
    bool fetch(ListEntries &out, int budgetMs);

private:
    struct Found;

    void readNextStretch();
    void startMerge();
    static bool before(const Found &x, const Found &y);
    // The heap's order: the row listed later comes first.
    bool later(const std::pair<int, int> &a, const std::pair<int, int> &b) const;

    Database &m_db;
    SearchSql m_sql;
    bool m_reading = true;
    bool m_haveLower = false;
    qint64 m_lower = 0; // the stretches read so far end with this row number
    std::vector<std::vector<Found>> m_stretches;
    std::vector<std::pair<int, int>> m_heads; // a heap of (stretch, row) still to list
};

} // namespace brio
