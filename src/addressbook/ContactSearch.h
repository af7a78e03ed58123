#pragma once

#include "compose/ListEntries.h"

#include <QStringList>
#include <QVariantList>
#include <memory>

namespace brio {

class Database;
class Statement;

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
// show the first rows and serve its stop button between slices. The rows are
// read in stretches of the name index, so that no single step of the engine
// scans the whole book.
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
    bool openNextStretch();

    Database &m_db;
    SearchSql m_sql;
    std::unique_ptr<Statement> m_rows;
    enum class Stage { NullNames, Stretches, Done } m_stage = Stage::NullNames;
    bool m_haveLower = false;
    QString m_lower; // the stretches read so far end with this name
};

} // namespace brio
