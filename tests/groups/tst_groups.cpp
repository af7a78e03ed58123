#include "context/Notifier.h"
#include "core/Error.h"
#include "groups/Groups.h"
#include "mock/TestEnv.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QSignalSpy>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

QList<qint64> members(Database &db, qint64 group)
{
    QList<qint64> out;
    Statement st = db.prepare(QStringLiteral("SELECT ID_Membro FROM tab_membri WHERE ID_Lista = ? ORDER BY ID_Membro"));
    st.bind(1, group);
    while (st.next())
        out << st.integer(0);
    return out;
}

QStringList texts(const ListEntries &entries)
{
    QStringList out;
    for (const ListEntry &e : entries)
        out << e.text;
    return out;
}

} // namespace

class TestGroups final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listTextsCountMembersInNameOrder()
    {
        TestEnv env;
        QList<qint64> seven;
        for (int i = 0; i < 7; ++i)
            seven << env.addContact(QStringLiteral("C%1").arg(i), QStringLiteral("+39333000000%1").arg(i));
        env.addGroup(QStringLiteral("zio"), seven);
        const qint64 amici = env.addGroup(QStringLiteral("Amici"), {seven[0]});
        env.addGroup(QStringLiteral("Vuoto"));
        const ListEntries list = groupListEntries(env.db());
        QCOMPARE(texts(list), (QStringList{"Amici  (1 contatto)", "Vuoto  (0 contatti)", "zio  (7 contatti)"}));
        QCOMPARE(list.first().data, amici);
    }

    void namesRefusedOrStored_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("stored");
        const int created = int(NewGroupStatus::Created);
        const int taken = int(NewGroupStatus::NameTaken);
        QTest::newRow("blanks only") << "   " << int(NewGroupStatus::EmptyName) << "";
        QTest::newRow("same name other case, blanks around") << " amici " << taken << "";
        QTest::newRow("whole address book in any case") << "TUTTA la Rubrica" << taken << "";
        QTest::newRow("accented letters compared in capitals") << "CITTÀ" << taken << "";
        QTest::newRow("quote kept as typed") << "Amici d'infanzia " << created << "Amici d'infanzia";
        QTest::newRow("percent and underscore") << "100%_soci" << created << "100%_soci";
    }

    void namesRefusedOrStored()
    {
        QFETCH(QString, typed);
        QFETCH(int, status);
        QFETCH(QString, stored);
        TestEnv env;
        env.addGroup(QStringLiteral("AMICI"));
        env.addGroup(QStringLiteral("città"));
        QSignalSpy changed(&env.ctx->notifier(), &Notifier::groupsChanged);
        const NewGroup g = createGroup(env.db(), env.ctx->notifier(), typed, std::nullopt);
        QCOMPARE(int(g.status), status);
        const qint64 groups = env.db().scalar(QStringLiteral("SELECT COUNT(*) FROM tab_liste"));
        QCOMPARE(groups, stored.isEmpty() ? 2 : 3);
        QCOMPARE(changed.count(), stored.isEmpty() ? 0 : 1);
        if (!stored.isEmpty()) {
            QCOMPARE(env.db().scalar(QStringLiteral("SELECT COUNT(*) FROM tab_liste WHERE ID_Lista = ? AND NomeLista = ?"),
                                     {g.id, stored}),
                     1);
        }
    }

    void copyTakesTheSourceMembersAllOrNothing()
    {
        TestEnv env;
        Database &db = env.db();
        Notifier &n = env.ctx->notifier();
        const qint64 a = env.addContact(QStringLiteral("A"), QStringLiteral("+393330000001"));
        const qint64 b = env.addContact(QStringLiteral("B"), QStringLiteral("+393330000002"));
        const qint64 c = env.addContact(QStringLiteral("C"), QStringLiteral("+393330000003"));
        const qint64 source = env.addGroup(QStringLiteral("Fonte"), {a, c});

        const NewGroup copy = createGroup(db, n, QStringLiteral("Amici d'infanzia"), source);
        QCOMPARE(copy.status, NewGroupStatus::Created);
        QCOMPARE(members(db, copy.id), (QList<qint64>{a, c}));
        QCOMPARE(members(db, source), (QList<qint64>{a, c}));

        const NewGroup whole = createGroup(db, n, QStringLiteral("Tutti"), kWholeAddressBook);
        QCOMPARE(members(db, whole.id), (QList<qint64>{a, b, c}));

        QCOMPARE(createGroup(db, n, QStringLiteral("Orfano"), 9999).status, NewGroupStatus::SourceGone);

        // A copy the database refuses leaves no empty group behind.
        db.exec(QStringLiteral("CREATE TRIGGER guasto BEFORE INSERT ON tab_membri BEGIN SELECT RAISE(ABORT, 'no'); END"));
        QVERIFY_THROWS_EXCEPTION(Error, createGroup(db, n, QStringLiteral("Rotto"), source));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_liste")), 3);
    }

    // Adding all adds only those not yet in; a contact or group deleted
    // meanwhile is skipped; removing all keeps the group.
    void membersOncePerGroup()
    {
        TestEnv env;
        Database &db = env.db();
        Notifier &n = env.ctx->notifier();
        const qint64 a = env.addContact(QStringLiteral("A"), QStringLiteral("+393330000001"));
        const qint64 b = env.addContact(QStringLiteral("B"), QStringLiteral("+393330000002"));
        const qint64 g = env.addGroup(QStringLiteral("G"), {a});

        QCOMPARE(addMembers(db, n, g, {a, b, 777, b}), 1);
        QCOMPARE(members(db, g), (QList<qint64>{a, b}));
        QVERIFY_THROWS_EXCEPTION(Error, db.run(QStringLiteral("INSERT INTO tab_membri (ID_Lista, ID_Membro) VALUES (?, ?)"), {g, a}));
        QCOMPARE(addMembers(db, n, 4242, {a}), 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_membri WHERE ID_Lista = 4242")), 0);

        removeMember(db, n, g, a);
        QCOMPARE(members(db, g), QList<qint64>{b});
        removeAllMembers(db, n, g);
        QCOMPARE(texts(groupListEntries(db)), QStringList{"G  (0 contatti)"});
    }

    // A file whose memberships repeat becomes unique at start-up.
    void upgradeDropsRepeatedMemberships()
    {
        TestEnv env;
        Database &db = env.db();
        db.exec(QStringLiteral("DROP INDEX tab_membri_ID_Lista"));
        db.exec(QStringLiteral("CREATE INDEX tab_membri_ID_Lista ON tab_membri (ID_Lista, ID_Membro)"));
        db.exec(QStringLiteral("INSERT INTO tab_membri VALUES (1, 5), (1, 5), (1, 6), (2, 5); PRAGMA user_version = 0"));
        UpgradeSchema(db);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_membri")), 3);
        QVERIFY_THROWS_EXCEPTION(Error, db.exec(QStringLiteral("INSERT INTO tab_membri VALUES (1, 6)")));
    }
};

QTEST_GUILESS_MAIN(TestGroups)
#include "tst_groups.moc"
