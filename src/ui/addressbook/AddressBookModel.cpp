#include "ui/addressbook/AddressBookModel.h"

#include "addressbook/Contacts.h"
#include "context/Context.h"
#include "context/Notifier.h"

#include <utility>

namespace brio {

namespace {

// More members than this at once are read with the group rather than one by one.
constexpr qsizetype kOneByOne = 200;

} // namespace

AddressBookModel::AddressBookModel(Context &ctx, QString dragType, QObject *parent)
    : ContactListModel(std::move(dragType), parent)
    , m_ctx(ctx)
{
    Notifier &n = ctx.notifier();
    connect(&n, &Notifier::contactChanged, this, &AddressBookModel::contactChanged);
    connect(&n, &Notifier::membersAdded, this, &AddressBookModel::membersAdded);
    connect(&n, &Notifier::membersRemoved, this, &AddressBookModel::membersRemoved);
    connect(&n, &Notifier::membersReplaced, this, &AddressBookModel::membersReplaced);
}

void AddressBookModel::showGroup(std::optional<qint64> group)
{
    m_group = group;
    setEntries(group ? memberEntries(m_ctx.db(), *group) : ListEntries());
}

void AddressBookModel::showFound(const ListEntries &found)
{
    m_group.reset();
    setEntries(found);
}

std::optional<qint64> AddressBookModel::group() const
{
    return m_group;
}

void AddressBookModel::insertSorted(qint64 id, const QString &name, const QString &number)
{
    insert(sortedRow(name), {contactEntryText(name, number), id});
}

void AddressBookModel::contactChanged(qint32 id, const QString &name, const QString &number, bool removed)
{
    if (removed) {
        removeData(id);
        return;
    }
    // Search results keep the place they were found in.
    if (rowOf(id) >= 0)
        updateContact(id, name, number, m_group.has_value());
    else if (m_group == kWholeAddressBook)
        insertSorted(id, name, number);
}

void AddressBookModel::membersAdded(qint64 group, const QList<qint64> &contacts)
{
    if (m_group != group)
        return;
    guarded(m_ctx, [&] {
        if (contacts.size() > kOneByOne) {
            showGroup(group);
            return;
        }
        for (qint64 id : contacts) {
            if (rowOf(id) >= 0)
                continue;
            if (const std::optional<Contact> c = loadContact(m_ctx.db(), id))
                insertSorted(id, c->name, c->number);
        }
    });
}

void AddressBookModel::membersRemoved(qint64 group, const QList<qint64> &contacts)
{
    if (m_group != group)
        return;
    for (qint64 id : contacts)
        removeData(id);
}

void AddressBookModel::expectMembers(qint64 group, ListEntries entries)
{
    m_expectedGroup = entries.isEmpty() ? -1 : group;
    m_expected = std::move(entries);
}

void AddressBookModel::membersReplaced(qint64 group)
{
    if (m_group != group)
        return;
    if (m_expectedGroup == group) {
        setEntries(std::exchange(m_expected, {}));
        m_expectedGroup = -1;
        return;
    }
    guarded(m_ctx, [&] { showGroup(group); });
}

} // namespace brio
