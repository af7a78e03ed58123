#pragma once

#include "ui/addressbook/ContactListModel.h"

#include <optional>

namespace brio {

struct Context;

// The contacts of one group or of the whole book, in name order, or search
// results. It follows the notifier row by row: a saved contact moves to its
// place, a deleted one goes, members that join or leave the group shown come
// and go; only a change to many members at once reads the group again.
class AddressBookModel final : public ContactListModel
{
    Q_OBJECT
public:
    AddressBookModel(Context &ctx, QString dragType, QObject *parent);

    // The contacts of the group, of the whole book for kWholeAddressBook, or
    // none without a group. Throws Error.
    void showGroup(std::optional<qint64> group);
    // These contacts only (search results): they follow their changes, but
    // no contact joins them.
    void showFound(const ListEntries &found);
    std::optional<qint64> group() const;
    // The group's members once the change under way is announced, given by
    // the window that makes it and already holds them (the whole book added),
    // so that the group is not read again; forgotten when empty.
    void expectMembers(qint64 group, ListEntries entries);

private:
    void contactChanged(qint32 id, const QString &name, const QString &number, bool removed);
    void membersAdded(qint64 group, const QList<qint64> &contacts);
    void membersRemoved(qint64 group, const QList<qint64> &contacts);
    void membersReplaced(qint64 group);
    void insertSorted(qint64 id, const QString &name, const QString &number);

    Context &m_ctx;
    std::optional<qint64> m_group; // nothing for no group and for search results
    qint64 m_expectedGroup = -1;
    ListEntries m_expected;
};

} // namespace brio
