#include "core/Error.h"
#include "compose/ListEntries.h"
#include "compose/MessageState.h"
#include "mock/TestEnv.h"
#include "store/Database.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

// Rows of tab_dest_msg, tab_dest_number, tab_dest_liste, tab_stringa_messaggio.
QList<qint64> stateRows(Database &db)
{
    QList<qint64> out;
    for (const char *table : {"tab_dest_msg", "tab_dest_number", "tab_dest_liste", "tab_stringa_messaggio"})
        out << db.scalar(QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(table));
    return out;
}

void chooseContact(Database &db, qint64 id)
{
    db.run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {id});
}

} // namespace

class TestMessageState final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countAndAllOrNothingClearing()
    {
        TestEnv env;
        Database &db = env.db();
        const qint64 anna = env.addContact(QStringLiteral("Anna"), QStringLiteral("+393331111111"));
        const qint64 bruno = env.addContact(QStringLiteral("Bruno"), QStringLiteral("+393332222222"));
        QCOMPARE(recipientCount(db), 0);
        chooseContact(db, anna);
        addTypedNumber(db, QStringLiteral("+393471234567"));
        addGroupEntry(db, env.addGroup(QStringLiteral("Amici"), {anna, bruno}));
        addGroupEntry(db, env.addGroup(QStringLiteral("Lavoro"), {anna}));
        db.run(QStringLiteral("INSERT INTO tab_stringa_messaggio (testo_SMS) VALUES ('ciao')"));
        // number + Anna by hand + two members + Anna again through the second group
        QCOMPARE(recipientCount(db), 5);
        QCOMPARE(recipientCountText(5), QStringLiteral("SMS da inviare: 5"));

        // A statement that fails half-way leaves the message as it was.
        db.exec(QStringLiteral("ALTER TABLE tab_stringa_messaggio RENAME TO altrove"));
        QVERIFY_THROWS_EXCEPTION(Error, clearMessageState(db));
        db.exec(QStringLiteral("ALTER TABLE altrove RENAME TO tab_stringa_messaggio"));
        QCOMPARE(stateRows(db), (QList<qint64>{1, 1, 2, 1}));

        clearMessageState(db);
        QCOMPARE(stateRows(db), (QList<qint64>{0, 0, 0, 0}));
        QCOMPARE(addressBookCount(db), 2);
    }

    // Entries as the lists show them, and removal by their item data.
    void stateIsReadBackAndRemovedByItemData()
    {
        TestEnv env;
        Database &db = env.db();
        const qint64 zeno = env.addContact(QStringLiteral("Zeno"), QStringLiteral("+393330000001"));
        const qint64 anna = env.addContact(QStringLiteral("Anna"), QStringLiteral("+393330000002"));
        chooseContact(db, zeno);
        chooseContact(db, anna);
        const qint64 n1 = addTypedNumber(db, QStringLiteral("+393479999999"));
        const qint64 n2 = addTypedNumber(db, QStringLiteral("+393471111111"));
        const qint64 lavoro = env.addGroup(QStringLiteral("Lavoro"), {anna});
        const qint64 amici = env.addGroup(QStringLiteral("Amici"), {zeno});
        // Row IDs that differ from the group IDs.
        removeGroupEntry(db, *addGroupEntry(db, amici));
        const qint64 rowLavoro = *addGroupEntry(db, lavoro);
        const qint64 rowAmici = *addGroupEntry(db, amici);
        QCOMPARE(rowLavoro, lavoro + 1);

        const MessageStateContent content = readMessageState(db);
        QCOMPARE(content.numbers, (ListEntries{{QStringLiteral("+393479999999"), -n1},
                                               {QStringLiteral("+393471111111"), -n2}}));
        QCOMPARE(content.contacts, (ListEntries{{QStringLiteral("Anna"), anna}, {QStringLiteral("Zeno"), zeno}}));
        QCOMPARE(content.groups, (ListEntries{{QStringLiteral("Amici"), rowAmici}, {QStringLiteral("Lavoro"), rowLavoro}}));
        QVERIFY(!content.text.has_value());
        db.run(QStringLiteral("INSERT INTO tab_stringa_messaggio (testo_SMS) VALUES (?)"), {QStringLiteral("dal plugin")});
        QCOMPARE(readMessageState(db).text.value_or(QString()), QStringLiteral("dal plugin"));

        // Number row 1 and contact 1 (Zeno): only the sign tells them apart.
        QCOMPARE(n1, zeno);
        removeRecipient(db, -n1);
        QCOMPARE(stateRows(db), (QList<qint64>{2, 1, 2, 1}));
        removeRecipient(db, zeno);
        QCOMPARE(stateRows(db), (QList<qint64>{1, 1, 2, 1}));
    }
};

QTEST_GUILESS_MAIN(TestMessageState)
#include "tst_messagestate.moc"
