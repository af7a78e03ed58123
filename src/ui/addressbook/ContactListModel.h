#pragma once

#include "addressbook/ListEntries.h"

#include <QAbstractListModel>
#include <limits>
#include <utility>

namespace brio {

// A list of entries for a view: contacts (text "Nominativo,Numero", data
// IDDestinatario), typed numbers or groups, held in one array so that
// 100,000 of them load and search quickly. The data is in Qt::UserRole as a
// qint64. The models of the windows build on it; every change is a row
// insertion, removal, move or change, a reset only for a new list.
class ContactListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    // Drags carry this type: a drop knows its source list by it.
    explicit ContactListModel(QString dragType = QString(), QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex index(int row, int column = 0, const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;

    void setEntries(ListEntries entries);
    ListEntries entries() const;
    const ListEntry &entry(int row) const;
    void append(const ListEntry &entry);
    void append(const ListEntries &entries);
    void removeAt(int row);
    void setText(int row, const QString &text);
    // The first row with that data, or -1.
    int rowOf(qint64 data) const;
    // Where an entry goes so that the list stays ordered by name as the
    // database orders it.
    int sortedRow(const QString &name) const;
    void insert(int row, const ListEntry &entry);
    // The first row whose text contains the text without regard to case,
    // or -1.
    int firstContaining(const QString &text) const;
    // The entries become fresh ones with row insertions, removals and
    // changes rather than a reset, so that views keep their selection and
    // place. Both lists are in the same order.
    void mergeEntries(const ListEntries &fresh);
    // A contact's entry with a new name or number: changed where it is, or
    // moved to its place by name when sorted.
    void updateContact(qint64 id, const QString &name, const QString &number, bool sorted);
    void removeData(qint64 data);

private:
    void noteData(const ListEntries &entries);
    const ListEntry &at(int row) const;
    // The block that holds the row and the row's place in it.
    std::pair<int, int> locate(int row) const;
    void insertAt(int row, const ListEntry &entry);
    void removeFrom(int row);
    // Splits blocks grown too long from `block` on, and numbers the rows again.
    void renumber(int block);

    QString m_dragType;
    // The entries in blocks of a thousand or two, so that one inserted into
    // a book of 100,000 moves the entries of its block only.
    QList<ListEntries> m_blocks;
    QList<int> m_firstRows; // of each block
    int m_count = 0;
    // No entry has larger data: a contact just added to the book has a
    // larger id than any other, so looking for it needs no pass over them.
    qint64 m_mostData = std::numeric_limits<qint64>::min();
};

} // namespace brio
