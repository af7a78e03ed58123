#pragma once

#include "addressbook/ListEntries.h"

#include <QAbstractListModel>

namespace brio {

// A list of contacts for a QListView: the same entries as the shared list
// routines make (text "Nominativo,Numero", data IDDestinatario), held in
// one array so that 100,000 of them load and search quickly. The data is
// in Qt::UserRole as a qint64.
class ContactListModel final : public QAbstractListModel
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
    const ListEntries &entries() const;
    const ListEntry &entry(int row) const;
    void append(const ListEntry &entry);
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

private:
    QString m_dragType;
    ListEntries m_entries;
};

} // namespace brio
