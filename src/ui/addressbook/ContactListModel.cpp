#include "ui/addressbook/ContactListModel.h"

#include "store/Database.h"

#include <QMimeData>
#include <QSet>

#include <algorithm>

namespace brio {

namespace {

// The name part of "Nominativo,Numero": numbers hold no comma.
QStringView nameOf(const QString &text)
{
    const qsizetype comma = text.lastIndexOf(QLatin1Char(','));
    return comma < 0 ? QStringView(text) : QStringView(text).left(comma);
}

constexpr int kBlock = 1024;

} // namespace

ContactListModel::ContactListModel(QString dragType, QObject *parent)
    : QAbstractListModel(parent)
    , m_dragType(std::move(dragType))
{
}

int ContactListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

// Asked for row after row by every pass over a book of 100,000 contacts
// (the widest entry, searches), so no detour through the generic bounds check.
QModelIndex ContactListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || column != 0 || row < 0 || row >= m_count)
        return QModelIndex();
    return createIndex(row, column);
}

QVariant ContactListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_count)
        return QVariant();
    const ListEntry &e = at(index.row());
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
        ids += QByteArray::number(qlonglong(at(i.row()).data)) + '\n';
    auto *mime = new QMimeData;
    mime->setData(m_dragType, ids);
    return mime;
}

void ContactListModel::setEntries(ListEntries entries)
{
    beginResetModel();
    m_mostData = std::numeric_limits<qint64>::min();
    noteData(entries);
    m_blocks.clear();
    if (!entries.isEmpty())
        m_blocks.append(std::move(entries));
    renumber(0);
    endResetModel();
}

std::pair<int, int> ContactListModel::locate(int row) const
{
    const int block = int(std::upper_bound(m_firstRows.cbegin(), m_firstRows.cend(), row) - m_firstRows.cbegin()) - 1;
    return {block, row - m_firstRows.at(block)};
}

const ListEntry &ContactListModel::at(int row) const
{
    const auto [block, offset] = locate(row);
    return m_blocks.at(block).at(offset);
}

void ContactListModel::insertAt(int row, const ListEntry &entry)
{
    if (m_blocks.isEmpty())
        m_blocks.append(ListEntries());
    // The end of the list is the end of its last block.
    const auto [block, offset] =
        row >= m_count ? std::pair(int(m_blocks.size()) - 1, int(m_blocks.last().size())) : locate(row);
    m_blocks[block].insert(offset, entry);
    renumber(block);
}

void ContactListModel::removeFrom(int row)
{
    const auto [block, offset] = locate(row);
    m_blocks[block].removeAt(offset);
    if (m_blocks.at(block).isEmpty())
        m_blocks.removeAt(block);
    renumber(std::max(0, block - 1));
}

void ContactListModel::renumber(int block)
{
    // A block grown past twice the size (a new list, many appended) is cut
    // into blocks of kBlock.
    const auto tooLong = [](const ListEntries &b) { return b.size() > 2 * kBlock; };
    if (std::any_of(m_blocks.cbegin() + block, m_blocks.cend(), tooLong)) {
        QList<ListEntries> cut;
        for (ListEntries &b : m_blocks) {
            if (!tooLong(b)) {
                cut.append(std::move(b));
                continue;
            }
            for (qsizetype i = 0; i < b.size(); i += kBlock)
                cut.append(b.mid(i, kBlock));
        }
        m_blocks = std::move(cut);
        block = 0;
    }
    // The blocks before `block` kept their rows.
    m_firstRows.resize(m_blocks.size());
    int first = block > 0 ? m_firstRows.at(block) : 0;
    for (int b = block; b < m_blocks.size(); ++b) {
        m_firstRows[b] = first;
        first += int(m_blocks.at(b).size());
    }
    m_count = first;
}

void ContactListModel::noteData(const ListEntries &entries)
{
    for (const ListEntry &e : entries)
        m_mostData = std::max(m_mostData, e.data);
}

ListEntries ContactListModel::entries() const
{
    if (m_blocks.size() == 1)
        return m_blocks.first();
    ListEntries out;
    out.reserve(m_count);
    for (const ListEntries &block : m_blocks)
        out.append(block);
    return out;
}

const ListEntry &ContactListModel::entry(int row) const
{
    return at(row);
}

void ContactListModel::append(const ListEntry &entry)
{
    insert(m_count, entry);
}

void ContactListModel::append(const ListEntries &entries)
{
    if (entries.isEmpty())
        return;
    const int first = m_count;
    beginInsertRows(QModelIndex(), first, first + int(entries.size()) - 1);
    if (m_blocks.isEmpty())
        m_blocks.append(entries);
    else
        m_blocks.last().append(entries);
    renumber(int(m_blocks.size()) - 1);
    noteData(entries);
    endInsertRows();
}

void ContactListModel::insert(int row, const ListEntry &entry)
{
    beginInsertRows(QModelIndex(), row, row);
    insertAt(row, entry);
    m_mostData = std::max(m_mostData, entry.data);
    endInsertRows();
}

void ContactListModel::removeAt(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    removeFrom(row);
    endRemoveRows();
}

void ContactListModel::setText(int row, const QString &text)
{
    const auto [block, offset] = locate(row);
    m_blocks[block][offset].text = text;
    const QModelIndex i = index(row);
    emit dataChanged(i, i);
}

int ContactListModel::rowOf(qint64 data) const
{
    if (data > m_mostData)
        return -1;
    for (int b = 0; b < m_blocks.size(); ++b) {
        const ListEntries &block = m_blocks.at(b);
        for (int i = 0; i < block.size(); ++i) {
            if (block.at(i).data == data)
                return m_firstRows.at(b) + i;
        }
    }
    return -1;
}

int ContactListModel::sortedRow(const QString &name) const
{
    // The name in the collation's form once, not once per comparison.
    const QByteArray key = name.toUtf8();
    // The first row whose name sorts after it.
    int low = 0;
    int high = m_count;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (compareNamesUtf8(key, nameOf(at(mid).text).toUtf8()) < 0)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

int ContactListModel::firstContaining(const QString &text) const
{
    for (int b = 0; b < m_blocks.size(); ++b) {
        const ListEntries &block = m_blocks.at(b);
        for (int i = 0; i < block.size(); ++i) {
            if (block.at(i).text.contains(text, Qt::CaseInsensitive))
                return m_firstRows.at(b) + i;
        }
    }
    return -1;
}

void ContactListModel::mergeEntries(const ListEntries &fresh)
{
    if (m_count == 0) {
        append(fresh);
        return;
    }
    QSet<qint64> wanted;
    wanted.reserve(fresh.size());
    for (const ListEntry &e : fresh)
        wanted.insert(e.data);
    for (int row = m_count - 1; row >= 0; --row) {
        if (!wanted.contains(at(row).data))
            removeAt(row);
    }
    for (int row = 0; row < fresh.size(); ++row) {
        const ListEntry &e = fresh.at(row);
        if (row < m_count && at(row).data == e.data) {
            if (at(row).text != e.text)
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
        int high = m_count - 1;
        while (low < high) {
            const int mid = (low + high) / 2;
            const int other = mid < row ? mid : mid + 1;
            if (compareNamesUtf8(key, nameOf(at(other).text).toUtf8()) < 0)
                high = mid;
            else
                low = mid + 1;
        }
        if (low != row) {
            beginMoveRows(QModelIndex(), row, row, QModelIndex(), low > row ? low + 1 : low);
            const ListEntry moved = at(row);
            removeFrom(row);
            insertAt(low, moved);
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
