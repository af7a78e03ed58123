#include "ui/addressbook/ContactListModel.h"

#include "store/Database.h"

#include <QMimeData>
#include <QSet>

namespace brio {

namespace {

// The name part of "Nominativo,Numero": numbers hold no comma.
QStringView nameOf(const QString &text)
{
    const qsizetype comma = text.lastIndexOf(QLatin1Char(','));
    return comma < 0 ? QStringView(text) : QStringView(text).left(comma);
}

} // namespace

ContactListModel::ContactListModel(QString dragType, QObject *parent)
    : QAbstractListModel(parent)
    , m_dragType(std::move(dragType))
{
}

int ContactListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

// Asked for row after row by every pass over a book of 100,000 contacts
// (the widest entry, searches), so no detour through the generic bounds check.
QModelIndex ContactListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || column != 0 || row < 0 || row >= m_entries.size())
        return QModelIndex();
    return createIndex(row, column);
}

QVariant ContactListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    const ListEntry &e = m_entries.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return e.text;
    if (role == Qt::UserRole)
        return QVariant(qlonglong(e.data));
    return QVariant();
}

Qt::ItemFlags ContactListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractListModel::flags(index);
    if (index.isValid() && !m_dragType.isEmpty())
        f |= Qt::ItemIsDragEnabled;
    return f;
}

QStringList ContactListModel::mimeTypes() const
{
    return m_dragType.isEmpty() ? QStringList() : QStringList{m_dragType};
}

QMimeData *ContactListModel::mimeData(const QModelIndexList &indexes) const
{
    if (m_dragType.isEmpty())
        return nullptr;
    QByteArray ids;
    for (const QModelIndex &i : indexes)
        ids += QByteArray::number(qlonglong(m_entries.at(i.row()).data)) + '\n';
    auto *mime = new QMimeData;
    mime->setData(m_dragType, ids);
    return mime;
}

void ContactListModel::setEntries(ListEntries entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    m_mostData = std::numeric_limits<qint64>::min();
    noteData(m_entries);
    endResetModel();
}

void ContactListModel::noteData(const ListEntries &entries)
{
    for (const ListEntry &e : entries)
        m_mostData = std::max(m_mostData, e.data);
}

const ListEntries &ContactListModel::entries() const
{
    return m_entries;
}

const ListEntry &ContactListModel::entry(int row) const
{
    return m_entries.at(row);
}

void ContactListModel::append(const ListEntry &entry)
{
    insert(int(m_entries.size()), entry);
}

void ContactListModel::append(const ListEntries &entries)
{
    if (entries.isEmpty())
        return;
    const int first = int(m_entries.size());
    beginInsertRows(QModelIndex(), first, first + int(entries.size()) - 1);
    m_entries.append(entries);
    noteData(entries);
    endInsertRows();
}

void ContactListModel::insert(int row, const ListEntry &entry)
{
    beginInsertRows(QModelIndex(), row, row);
    m_entries.insert(row, entry);
    m_mostData = std::max(m_mostData, entry.data);
    endInsertRows();
}

void ContactListModel::removeAt(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    m_entries.removeAt(row);
    endRemoveRows();
}

void ContactListModel::setText(int row, const QString &text)
{
    m_entries[row].text = text;
    const QModelIndex i = index(row);
    emit dataChanged(i, i);
}

int ContactListModel::rowOf(qint64 data) const
{
    if (data > m_mostData)
        return -1;
    for (int row = 0; row < m_entries.size(); ++row) {
        if (m_entries.at(row).data == data)
            return row;
    }
    return -1;
}

int ContactListModel::sortedRow(const QString &name) const
{
    // The name in the collation's form once, not once per comparison.
    const QByteArray key = name.toUtf8();
    const auto at = std::upper_bound(m_entries.cbegin(), m_entries.cend(), key,
                                     [](const QByteArray &k, const ListEntry &e) {
                                         return compareNamesUtf8(k, nameOf(e.text).toUtf8()) < 0;
                                     });
    return int(at - m_entries.cbegin());
}

int ContactListModel::firstContaining(const QString &text) const
{
    for (int row = 0; row < m_entries.size(); ++row) {
        if (m_entries.at(row).text.contains(text, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

void ContactListModel::mergeEntries(const ListEntries &fresh)
{
    if (m_entries.isEmpty()) {
        append(fresh);
        return;
    }
    QSet<qint64> wanted;
    wanted.reserve(fresh.size());
    for (const ListEntry &e : fresh)
        wanted.insert(e.data);
    for (int row = int(m_entries.size()) - 1; row >= 0; --row) {
        if (!wanted.contains(m_entries.at(row).data))
            removeAt(row);
    }
    for (int row = 0; row < fresh.size(); ++row) {
        const ListEntry &e = fresh.at(row);
        if (row < m_entries.size() && m_entries.at(row).data == e.data) {
            if (m_entries.at(row).text != e.text)
                setText(row, e.text);
            continue;
        }
        // Moved entries leave their old place for the new one.
        if (const int old = rowOf(e.data); old > row)
            removeAt(old);
        insert(row, e);
    }
}

void ContactListModel::updateContact(qint64 id, const QString &name, const QString &number, bool sorted)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    if (sorted) {
        // Its place by name among the others: the row moves there, so that
        // a selection on it moves along.
        const QByteArray key = name.toUtf8();
        int low = 0;
        int high = int(m_entries.size()) - 1;
        while (low < high) {
            const int mid = (low + high) / 2;
            const int other = mid < row ? mid : mid + 1;
            if (compareNamesUtf8(key, nameOf(m_entries.at(other).text).toUtf8()) < 0)
                high = mid;
            else
                low = mid + 1;
        }
        if (low != row) {
            beginMoveRows(QModelIndex(), row, row, QModelIndex(), low > row ? low + 1 : low);
            m_entries.move(row, low);
            endMoveRows();
        }
        setText(low, contactEntryText(name, number));
        return;
    }
    setText(row, contactEntryText(name, number));
}

void ContactListModel::removeData(qint64 data)
{
    if (const int row = rowOf(data); row >= 0)
        removeAt(row);
}

} // namespace brio
