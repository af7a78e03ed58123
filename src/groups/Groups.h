#pragma once

#include "addressbook/ListEntries.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace brio {

class Database;
class Notifier;

// Groups (tab_liste) and their members (tab_membri). Every change is one
// transaction and is announced with Notifier::groupsChanged once stored.

struct Group
{
    qint64 id = 0;
    QString name;
    qint64 members = 0; // where the reader says so
};

// Every group (id and name) in the program's name order.
QList<Group> groupsByName(Database &db);

// Each group's members, by group id.
QHash<qint64, QSet<qint64>> membershipsByGroup(Database &db);

// The group of exactly that name, if any.
std::optional<qint64> groupWithName(Database &db, const QString &name);

qint64 groupMemberCount(Database &db, qint64 groupId);

enum class GroupComboMode {
    GroupNames = 1,       // "Tutta la rubrica", then the names as stored
    ContactPlacement = 2, // "Solo in rubrica", then "Gruppo NAME e rubrica"
};

// The groups sorted by name, after the header entry unless noHeader.
ListEntries groupComboEntries(Database &db, bool noHeader, GroupComboMode mode);

// "Amici  (1 contatto)", "Amici  (0 contatti)"
QString groupListText(const QString &name, qint64 members);

// Every group with its member count, in name order, data = ID_Lista.
ListEntries groupListEntries(Database &db);

enum class NewGroupStatus {
    Created,
    EmptyName,  // blanks only: nothing to do
    NameTaken,  // a group of that name, or "Tutta la rubrica", case ignored
    SourceGone, // the group to copy from no longer exists
};

struct NewGroup
{
    NewGroupStatus status = NewGroupStatus::EmptyName;
    qint64 id = -1;
};

// Creates a group named typedName without its outer blanks. copyFrom, when
// given, names the group whose members the new group gets, or
// kWholeAddressBook for every contact.
NewGroup createGroup(Database &db, Notifier &notifier, const QString &typedName,
                     std::optional<qint64> copyFrom);

// Removes the group, its memberships and its place among the groups chosen
// for the message being prepared.
void deleteGroup(Database &db, Notifier &notifier, qint64 groupId);

// Adds the contacts that are not members yet and still exist, to a group that
// still exists; returns how many were added.
qint64 addMembers(Database &db, Notifier &notifier, qint64 groupId, const QList<qint64> &contactIds);
// Every contact of the book joins a group that still exists, in one
// statement; returns how many were added.
qint64 addWholeBook(Database &db, Notifier &notifier, qint64 groupId);
void removeMember(Database &db, Notifier &notifier, qint64 groupId, qint64 contactId);
void removeAllMembers(Database &db, Notifier &notifier, qint64 groupId);

// For work that holds one transaction around many contacts (the address
// book's sync): no transaction of their own, no notice to the windows.
// The names of the contact's groups, sorted.
QStringList groupNamesOf(Database &db, qint64 contactId);
// The contact belongs to exactly the named groups afterwards; a name no
// group has (case ignored) makes a new group.
void setGroupsOf(Database &db, qint64 contactId, const QStringList &names);

} // namespace brio
