#include "addressbook/ContactBulk.h"

#include "core/Error.h"
#include "store/Database.h"

#include <QStringList>
#include <optional>
#include <utility>

namespace brio {

namespace {

// A large import into a smaller book sets its index entries aside and
// makes them again after the rows, inside the same transaction: one sort
// costs far less than as many insertions into each index. The schema is
// the same once the transaction ends; nobody else ever sees it without
// them.
class IndexesSetAside final
{
public:
    IndexesSetAside(Database &db, qsizetype adding, qsizetype existing)
        : m_db(db)
    {
        if (adding < kWorthIt || adding < existing)
            return;
        // The index on the contact's counter is kept: new rows only ever
        // add to its end, which costs less than making it again.
        Statement st = db.prepare(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' "
                                                 "AND tbl_name = 'tab_destinatari' AND sql IS NOT NULL "
                                                 "AND name <> 'IDDestinatario'"));
        QStringList names;
        while (st.next()) {
            names << st.text(0);
            m_definitions << st.text(1);
        }
        for (const QString &name : names)
            db.exec(QStringLiteral("DROP INDEX ") + quotedName(name));
    }

    void restore()
    {
        for (const QString &definition : std::exchange(m_definitions, {}))
            m_db.exec(definition);
    }

private:
    static constexpr qsizetype kWorthIt = 1000;
    Database &m_db;
    QStringList m_definitions;
};

// The table checks each field's size on every row it is given. The
// import has already cut every field to those sizes, so for its rows the
// checks would only repeat it, at a quarter of a large import's time.
class SizeChecksRepeated final
{
public:
    explicit SizeChecksRepeated(Database &db)
        : m_db(db)
    {
        m_db.exec(QStringLiteral("PRAGMA ignore_check_constraints=ON"));
    }
    ~SizeChecksRepeated()
    {
        try {
            m_db.exec(QStringLiteral("PRAGMA ignore_check_constraints=OFF"));
        } catch (const Error &) {
            // Only an import ever sets it, and a failed one ends the program.
        }
    }
    SizeChecksRepeated(const SizeChecksRepeated &) = delete;
    SizeChecksRepeated &operator=(const SizeChecksRepeated &) = delete;

private:
    Database &m_db;
};

// Several contacts to a statement: each statement costs about as much
// again as a row (the table's AUTOINCREMENT counter, for one, is read and
// written back by each), and an import is mostly statements.
constexpr int kSeveral = 25;

QString insertSql(int contacts)
{
    QStringList rows;
    for (int i = 0; i < contacts; ++i)
        rows << QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    return QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero, Indirizzo, CAP, Citta, Prov, "
                          "Regione, e_mail, DataNascita, Sesso) VALUES ")
        + rows.join(QStringLiteral(", "));
}

} // namespace

struct ContactBulkWriter::Parts
{
    Parts(Database &db, qsizetype adding, qsizetype existing)
        : indexes(db, adding, existing)
        , checks(std::in_place, db)
        , several(std::in_place, db.prepare(insertSql(kSeveral)))
        , one(std::in_place, db.prepare(insertSql(1)))
    {
    }

    void run(Statement &insert, const CheckedUtf8 &text, const std::vector<qsizetype> &ends, qsizetype first,
             int contacts)
    {
        for (int c = 0; c < contacts; ++c) {
            for (int f = 0; f < kFields; ++f) {
                const qsizetype i = (first + c) * kFields + f;
                insert.bindUtf8(c * kFields + f + 1, text, i == 0 ? 0 : ends[size_t(i - 1)], ends[size_t(i)]);
            }
        }
        insert.run();
        insert.reset();
    }

    // Destroyed in reverse: the statements, then the checks back on, then
    // (when finish() was not reached) the indexes left for the rollback.
    IndexesSetAside indexes;
    std::optional<SizeChecksRepeated> checks;
    std::optional<Statement> several;
    std::optional<Statement> one;
};

qsizetype forEachStoredNumber(Database &db, const std::function<void(const QString &number)> &found)
{
    qsizetype count = 0;
    Statement numbers = db.prepare(QStringLiteral("SELECT Numero FROM tab_destinatari"));
    for (; numbers.next(); ++count)
        found(numbers.text(0));
    return count;
}

ContactBulkWriter::ContactBulkWriter(Database &db, qsizetype adding, qsizetype existing)
    : m_parts(std::make_unique<Parts>(db, adding, existing))
{
}

ContactBulkWriter::~ContactBulkWriter() = default;

void ContactBulkWriter::write(const CheckedUtf8 &text, const std::vector<qsizetype> &ends)
{
    const qsizetype contacts = qsizetype(ends.size()) / kFields;
    qsizetype c = 0;
    for (; c + kSeveral <= contacts; c += kSeveral)
        m_parts->run(*m_parts->several, text, ends, c, kSeveral);
    for (; c < contacts; ++c)
        m_parts->run(*m_parts->one, text, ends, c, 1);
}

void ContactBulkWriter::finish()
{
    m_parts->several.reset();
    m_parts->one.reset();
    m_parts->checks.reset();
    m_parts->indexes.restore();
}

} // namespace brio
