#include "core/Error.h"
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
        db.run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {anna});
        addTypedNumber(db, QStringLiteral("+393471234567"));
        addGroupEntry(db, env.addGroup(QStringLiteral("Amici"), {anna, bruno}));
        addGroupEntry(db, env.addGroup(QStringLiteral("Lavoro"), {anna}));
        db.run(QStringLiteral("INSERT INTO tab_stringa_messaggio (testo_SMS) VALUES ('ciao')"));
        // number + Anna by hand + two members + Anna again through the second
        // group: Anna gets one message
        QCOMPARE(recipientCount(db), 3);
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
};

QTEST_GUILESS_MAIN(TestMessageState)
#include "tst_messagestate.moc"
