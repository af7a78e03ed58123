#include "groups/Groups.h"

#include "context/Notifier.h"
#include "core/Texts.h"
#include "store/Database.h"

namespace brio {

namespace {

bool groupExists(Database &db, qint64 groupId)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_liste WHERE ID_Lista = ?"), {groupId}) > 0;
}

// Names are compared in capitals after trimming, letters beyond ASCII too;
// the whole-address-book entry of the copy list counts as a name.
bool nameTaken(Database &db, const QString &name)
{
    const QString wanted = name.toUpper();
    if (wanted == QStringLiteral("TUTTA LA RUBRICA"))
        return true;
    Statement st = db.prepare(QStringLiteral("SELECT NomeLista FROM tab_liste"));
    while (st.next()) {
        if (st.text(0).trimmed().toUpper() == wanted)
            return true;
    }
    return false;
}

} // namespace

QString groupListText(const QString &name, qint64 members)
{
    return name + QStringLiteral("  (") + QString::number(members)
        + (members == 1 ? Texts::tr(" contatto)") : Texts::tr(" contatti)"));
}

ListEntries groupListEntries(Database &db)
{
    ListEntries out;
    Statement st = db.prepare(QStringLiteral(
        "SELECT l.ID_Lista, l.NomeLista, "
        "(SELECT COUNT(*) FROM tab_membri m WHERE m.ID_Lista = l.ID_Lista) AS Totale "
        "FROM tab_liste l ORDER BY l.NomeLista COLLATE NAME_ORDER"));
    while (st.next())
        out.append({groupListText(st.text(1), st.integer(2)), st.integer(0)});
    return out;
}

NewGroup createGroup(Database &db, Notifier &notifier, const QString &typedName, std::optional<qint64> copyFrom)
{
    const QString name = typedName.trimmed();
    if (name.isEmpty())
        return {NewGroupStatus::EmptyName};
    Transaction tx(db);
    if (nameTaken(db, name))
        return {NewGroupStatus::NameTaken};
    if (copyFrom && *copyFrom != kWholeAddressBook && !groupExists(db, *copyFrom))
        return {NewGroupStatus::SourceGone};
    db.run(QStringLiteral("INSERT INTO tab_liste (NomeLista) VALUES (?)"), {name});
    const qint64 id = db.lastInsertId();
    if (copyFrom && *copyFrom == kWholeAddressBook) {
        db.run(QStringLiteral("INSERT INTO tab_membri (ID_Lista, ID_Membro) SELECT ?, IDDestinatario FROM tab_destinatari"),
               {id});
    } else if (copyFrom) {
        db.run(QStringLiteral("INSERT INTO tab_membri (ID_Lista, ID_Membro) "
                              "SELECT ?, ID_Membro FROM tab_membri WHERE ID_Lista = ?"),
               {id, *copyFrom});
    }
    tx.commit();
    emit notifier.groupsChanged();
    return {NewGroupStatus::Created, id};
}

void deleteGroup(Database &db, Notifier &notifier, qint64 groupId)
{
    Transaction tx(db);
    db.run(QStringLiteral("DELETE FROM tab_liste WHERE ID_Lista = ?"), {groupId});
    db.run(QStringLiteral("DELETE FROM tab_membri WHERE ID_Lista = ?"), {groupId});
    db.run(QStringLiteral("DELETE FROM tab_dest_liste WHERE IDLista = ?"), {groupId});
    tx.commit();
    emit notifier.groupsChanged();
}

qint64 addMembers(Database &db, Notifier &notifier, qint64 groupId, const QList<qint64> &contactIds)
{
    QList<qint64> added;
    {
        Transaction tx(db);
        // Another window may have deleted the group or a contact meanwhile.
        if (!groupExists(db, groupId))
            return 0;
        Statement insert = db.prepare(QStringLiteral(
            "INSERT OR IGNORE INTO tab_membri (ID_Lista, ID_Membro) "
            "SELECT ?, IDDestinatario FROM tab_destinatari WHERE IDDestinatario = ?"));
        insert.bind(1, groupId);
        for (qint64 contact : contactIds) {
            insert.bind(2, contact).run();
            if (db.changes() > 0)
                added.append(contact);
            insert.reset();
        }
        tx.commit();
    }
    if (!added.isEmpty()) {
        emit notifier.membersAdded(groupId, added);
        emit notifier.groupsChanged();
    }
    return added.size();
}

qint64 addWholeBook(Database &db, Notifier &notifier, qint64 groupId)
{
    qint64 added = 0;
    {
        Transaction tx(db);
        if (!groupExists(db, groupId))
            return 0;
        db.run(QStringLiteral("INSERT OR IGNORE INTO tab_membri (ID_Lista, ID_Membro) "
                              "SELECT ?, IDDestinatario FROM tab_destinatari"),
               {groupId});
        added = db.changes();
        tx.commit();
    }
    if (added > 0) {
        emit notifier.membersReplaced(groupId);
        emit notifier.groupsChanged();
    }
    return added;
}

void removeMember(Database &db, Notifier &notifier, qint64 groupId, qint64 contactId)
{
    db.run(QStringLiteral("DELETE FROM tab_membri WHERE ID_Lista = ? AND ID_Membro = ?"), {groupId, contactId});
    emit notifier.membersRemoved(groupId, {contactId});
    emit notifier.groupsChanged();
}

void removeAllMembers(Database &db, Notifier &notifier, qint64 groupId)
{
    db.run(QStringLiteral("DELETE FROM tab_membri WHERE ID_Lista = ?"), {groupId});
    emit notifier.membersReplaced(groupId);
    emit notifier.groupsChanged();
}

} // namespace brio
