#include "addressbook/ContactSearch.h"

#include "store/Database.h"

#include <QElapsedTimer>

#include <algorithm>

namespace brio {

namespace {

constexpr int kStretchRows = 2000;

const QString kSelect = QStringLiteral("SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari");
const QString kOrder = QStringLiteral(" ORDER BY Nominativo COLLATE NAME_ORDER");

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
        // Looked up row by row, so that a stretch of the book costs the same
        // whatever the size of the group.
        sql.conditions.append(QStringLiteral(
            "EXISTS (SELECT 1 FROM tab_membri m WHERE m.ID_Lista = ? AND m.ID_Membro = tab_destinatari.IDDestinatario)"));
        sql.params.append(c.group);
    }
    return sql;
}

struct ContactSearch::Found
{
    QByteArray key; // the name in UTF-8, as the collation compares it
    bool noName;
    ListEntry entry;
};

ContactSearch::ContactSearch(Database &db, SearchSql sql)
    : m_db(db)
    , m_sql(std::move(sql))
{
}

ContactSearch::~ContactSearch() = default;

// Contacts without a name first, as the engine lists them; then names in
// the collation's order; equal names by row number.
bool ContactSearch::before(const Found &x, const Found &y)
{
    if (x.noName != y.noName)
        return x.noName;
    if (const int c = compareNamesUtf8(x.key, y.key))
        return c < 0;
    return x.entry.data < y.entry.data;
}

bool ContactSearch::later(const std::pair<int, int> &a, const std::pair<int, int> &b) const
{
    return before(m_stretches[size_t(b.first)][size_t(b.second)], m_stretches[size_t(a.first)][size_t(a.second)]);
}

void ContactSearch::readNextStretch()
{
    QStringList conditions = m_sql.conditions;
    QVariantList params = m_sql.params;
    if (m_haveLower) {
        conditions.append(QStringLiteral("IDDestinatario > ?"));
        params.append(m_lower);
    }
    Statement end = m_db.prepare(
        QStringLiteral("SELECT IDDestinatario FROM tab_destinatari%1 ORDER BY IDDestinatario LIMIT 1 OFFSET %2")
            .arg(m_haveLower ? QStringLiteral(" WHERE IDDestinatario > ?") : QString())
            .arg(kStretchRows - 1));
    if (m_haveLower)
        end.bind(1, m_lower);
    if (end.next()) {
        m_lower = end.integer(0);
        m_haveLower = true;
        conditions.append(QStringLiteral("IDDestinatario <= ?"));
        params.append(m_lower);
    } else {
        m_reading = false;
    }

    Statement rows = m_db.prepare(kSelect + whereClause(conditions));
    rows.bindAll(params);
    std::vector<Found> stretch;
    while (rows.next()) {
        const QString name = rows.text(1);
        stretch.push_back({name.toUtf8(), rows.isNull(1), {contactEntryText(name, rows.text(2)), rows.integer(0)}});
    }
    if (stretch.empty())
        return;
    std::sort(stretch.begin(), stretch.end(), &ContactSearch::before);
    m_stretches.push_back(std::move(stretch));
}

void ContactSearch::startMerge()
{
    for (int s = 0; s < int(m_stretches.size()); ++s)
        m_heads.emplace_back(s, 0);
    std::make_heap(m_heads.begin(), m_heads.end(), [this](const auto &a, const auto &b) { return later(a, b); });
}

bool ContactSearch::fetch(ListEntries &out, int budgetMs)
{
    QElapsedTimer timer;
    timer.start();
    const auto order = [this](const auto &a, const auto &b) { return later(a, b); };
    while (m_reading) {
        readNextStretch();
        if (!m_reading)
            startMerge();
        if (timer.elapsed() >= budgetMs)
            return true;
    }
    while (!m_heads.empty()) {
        std::pop_heap(m_heads.begin(), m_heads.end(), order);
        auto &[stretch, row] = m_heads.back();
        std::vector<Found> &rows = m_stretches[size_t(stretch)];
        out.append(std::move(rows[size_t(row)].entry));
        if (++row < int(rows.size())) {
            std::push_heap(m_heads.begin(), m_heads.end(), order);
        } else {
            m_heads.pop_back();
            rows = {};
        }
        if (timer.elapsed() >= budgetMs)
            return !m_heads.empty();
    }
    return false;
}

} // namespace brio
