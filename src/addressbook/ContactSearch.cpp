#include "addressbook/ContactSearch.h"

#include "store/Database.h"

#include <QElapsedTimer>

namespace brio {

namespace {

constexpr int kStretchRows = 2000;

const QString kSelect = QStringLiteral("SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari");
const QString kOrder = QStringLiteral(" ORDER BY Nominativo COLLATE NOCASE");

QString whereClause(const QStringList &conditions)
{
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

void addLike(SearchSql &sql, const char *column, const QString &value)
{
    if (value.trimmed().isEmpty())
        return;
    sql.conditions.append(QLatin1String(column) + QStringLiteral(" LIKE ? ESCAPE '\\'"));
    sql.params.append(QLatin1Char('%') + likePattern(value) + QLatin1Char('%'));
}

// The box's leading digits as a number; nothing for a box without any.
std::optional<int> ageValue(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype digits = 0;
    while (digits < t.size() && t.at(digits).isDigit() && digits < 4)
        ++digits;
    if (digits == 0)
        return std::nullopt;
    return t.left(digits).toInt();
}

} // namespace

QString SearchSql::statement() const
{
    return kSelect + whereClause(conditions) + kOrder;
}

SearchSql BuildSearchSql(const SearchCriteria &c, int currentYear)
{
    SearchSql sql;
    addLike(sql, "Nominativo", c.name);
    addLike(sql, "Numero", c.number);
    // Birth dates are yyyymmdd texts, so text order is date order; an empty
    // one is no date at all.
    if (const std::optional<int> from = ageValue(c.ageFrom)) {
        sql.conditions.append(QStringLiteral("DataNascita <> '' AND DataNascita <= ?"));
        sql.params.append(QString::number(currentYear - *from) + QStringLiteral("0101"));
    }
    if (const std::optional<int> to = ageValue(c.ageTo)) {
        sql.conditions.append(QStringLiteral("DataNascita <> '' AND DataNascita >= ?"));
        sql.params.append(QString::number(currentYear - *to) + QStringLiteral("1231"));
    }
    addLike(sql, "Citta", c.city);
    addLike(sql, "Prov", c.province);
    addLike(sql, "Regione", c.region);
    addLike(sql, "e_mail", c.email);
    if (c.sex == SexCriterion::Male)
        sql.conditions.append(QStringLiteral("Sesso = 'M'"));
    else if (c.sex == SexCriterion::Female)
        sql.conditions.append(QStringLiteral("Sesso = 'F'"));
    if (c.group != kWholeAddressBook) {
        // The '+' keeps the engine reading in name order rather than
        // through the members first.
        sql.conditions.append(QStringLiteral("+IDDestinatario IN (SELECT ID_Membro FROM tab_membri WHERE ID_Lista = ?)"));
        sql.params.append(c.group);
    }
    return sql;
}

ContactSearch::ContactSearch(Database &db, SearchSql sql)
    : m_db(db)
    , m_sql(std::move(sql))
{
}

ContactSearch::~ContactSearch() = default;

bool ContactSearch::openNextStretch()
{
    QStringList conditions = m_sql.conditions;
    QVariantList params = m_sql.params;
    switch (m_stage) {
    case Stage::Done:
        return false;
    case Stage::NullNames:
        conditions.append(QStringLiteral("Nominativo IS NULL"));
        m_stage = Stage::Stretches;
        break;
    case Stage::Stretches: {
        // The stretch ends with the name kStretchRows entries further on;
        // names equal but for case stay together in one stretch.
        QString next = QStringLiteral("SELECT Nominativo FROM tab_destinatari WHERE ");
        next += m_haveLower ? QStringLiteral("Nominativo COLLATE NOCASE > ?") : QStringLiteral("Nominativo IS NOT NULL");
        next += kOrder + QStringLiteral(" LIMIT 1 OFFSET %1").arg(kStretchRows - 1);
        Statement bound = m_db.prepare(next);
        if (m_haveLower)
            bound.bind(1, m_lower);
        const bool more = bound.next();
        if (m_haveLower) {
            conditions.append(QStringLiteral("Nominativo COLLATE NOCASE > ?"));
            params.append(m_lower);
        } else {
            conditions.append(QStringLiteral("Nominativo IS NOT NULL"));
        }
        if (more) {
            m_lower = bound.text(0);
            m_haveLower = true;
            conditions.append(QStringLiteral("Nominativo COLLATE NOCASE <= ?"));
            params.append(m_lower);
        } else {
            m_stage = Stage::Done;
        }
        break;
    }
    }
    m_rows = std::make_unique<Statement>(m_db.prepare(kSelect + whereClause(conditions) + kOrder));
    m_rows->bindAll(params);
    return true;
}

bool ContactSearch::fetch(ListEntries &out, int budgetMs)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (!m_rows && !openNextStretch())
            return false;
        while (m_rows->next()) {
            out.append({contactEntryText(m_rows->text(1), m_rows->text(2)), m_rows->integer(0)});
            if (timer.elapsed() >= budgetMs)
                return true;
        }
        m_rows.reset();
        if (timer.elapsed() >= budgetMs)
            return m_stage != Stage::Done;
    }
}

} // namespace brio
