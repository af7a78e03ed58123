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

QList<Group> groupsByName(Database &db)
{
    Statement st = db.prepare(QStringLiteral("SELECT ID_Lista, NomeLista FROM tab_liste ORDER BY NomeLista COLLATE NAME_ORDER"));
    QList<Group> out;
    while (st.next())
        out.append({st.integer(0), st.text(1)});
    return out;
}

QHash<qint64, QSet<qint64>> membershipsByGroup(Database &db)
{
    Statement st = db.prepare(QStringLiteral("SELECT ID_Lista, ID_Membro FROM tab_membri"));
    QHash<qint64, QSet<qint64>> out;
    while (st.next())
        out[st.integer(0)].insert(st.integer(1));
    return out;
}

std::optional<qint64> groupWithName(Database &db, const QString &name)
{
    Statement st = db.prepare(QStringLiteral("SELECT ID_Lista FROM tab_liste WHERE NomeLista = ?"));
    st.bind(1, name);
    if (!st.next())
        return std::nullopt;
    return st.integer(0);
}

qint64 groupMemberCount(Database &db, qint64 groupId)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_membri WHERE ID_Lista = ?"), {groupId});
}

ListEntries groupComboEntries(Database &db, bool noHeader, GroupComboMode mode)
{
    ListEntries out;
    const bool placement = mode == GroupComboMode::ContactPlacement;
    if (!noHeader) {
        out.append({placement ? Texts::tr("Solo in rubrica") : Texts::tr("Tutta la rubrica"),
                    kWholeAddressBook});
    }
    for (const Group &g : groupsByName(db))
        out.append({placement ? Texts::tr("Gruppo %1 e rubrica").arg(g.name.toUpper()) : g.name, g.id});
    return out;
}

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

QStringList groupNamesOf(Database &db, qint64 contactId)
{
    QStringList out;
    ReusedStatement st(db, QStringLiteral("SELECT l.NomeLista FROM tab_membri m JOIN tab_liste l "
                                          "ON l.ID_Lista = m.ID_Lista WHERE m.ID_Membro = ?"));
    st->bind(1, contactId);
    while (st->next())
        out << st->text(0);
    out.sort();
    return out;
}

void setGroupsOf(Database &db, qint64 contactId, const QStringList &names)
{
    db.run(QStringLiteral("DELETE FROM tab_membri WHERE ID_Membro = ?"), {contactId});
    for (const QString &typed : names) {
        const QString name = typed.trimmed().left(50);
        if (name.isEmpty())
            continue;
        qint64 id = db.scalar(QStringLiteral("SELECT ID_Lista FROM tab_liste WHERE NomeLista = ? COLLATE NOCASE "
                                             "ORDER BY ID_Lista LIMIT 1"),
                              {name});
        if (id == 0) {
            db.run(QStringLiteral("INSERT INTO tab_liste (NomeLista) VALUES (?)"), {name});
            id = db.lastInsertId();
        }
        db.run(QStringLiteral("INSERT OR IGNORE INTO tab_membri (ID_Lista, ID_Membro) VALUES (?, ?)"),
               {id, contactId});
    }
}

} // namespace brio
