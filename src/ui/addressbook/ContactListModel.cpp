#include "ui/addressbook/ContactListModel.h"

#include "store/Database.h"

#include <QMimeData>

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

// The view asks for every row's index each time it lays the list out: a
// book of 100,000 contacts makes that the cost of each insertion, so no
// detour through the generic bounds check.
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
    endResetModel();
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

void ContactListModel::insert(int row, const ListEntry &entry)
{
    beginInsertRows(QModelIndex(), row, row);
    m_entries.insert(row, entry);
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
    for (int row = 0; row < m_entries.size(); ++row) {
        if (m_entries.at(row).data == data)
            return row;
    }
    return -1;
}

int ContactListModel::sortedRow(const QString &name) const
{
    const auto at = std::upper_bound(m_entries.cbegin(), m_entries.cend(), name,
                                     [](const QString &n, const ListEntry &e) {
                                         return compareNames(n, nameOf(e.text).toString()) < 0;
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

} // namespace brio
