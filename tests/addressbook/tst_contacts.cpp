#include "addressbook/BirthDate.h"
#include "addressbook/Contacts.h"
#include "addressbook/ListEntries.h"
#include "core/Error.h"
#include "mock/TestEnv.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QSignalSpy>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

Contact person(const QString &name, const QString &number)
{
    Contact c;
    c.name = name;
    c.number = number;
    return c;
}

bool numberIndexIsUnique(Database &db)
{
    Statement st = db.prepare(QStringLiteral("PRAGMA index_list(tab_destinatari)"));
    while (st.next()) {
        if (st.text(QStringLiteral("name")) == QLatin1String("Numero"))
            return st.integer(QStringLiteral("unique")) != 0;
    }
    return false;
}

} // namespace

class TestContacts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void birthDates_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty box") << "__-__-____" << true << "";
        QTest::newRow("whole date") << "12-05-1970" << true << "19700512";
        QTest::newRow("leap day") << "29-02-2000" << true << "20000229";
        QTest::newRow("year partly typed") << "12-05-19__" << false << "";
        QTest::newRow("no such day") << "31-02-1990" << false << "19900231";
        QTest::newRow("no such month") << "99-99-9999" << false << "99999999";
        QTest::newRow("not a leap year") << "29-02-1900" << false << "19000229";
    }

    void birthDates()
    {
        QFETCH(QString, shown);
        QFETCH(bool, valid);
        QFETCH(QString, stored);
        QCOMPARE(IsBirthDateValid(shown, true), valid);
        QCOMPARE(BirthDateToStored(shown), stored);
        if (!stored.isEmpty()) // stored texts, even impossible ones, come back as they were
            QCOMPARE(StoredToBirthDate(stored), shown);
    }

    // The editor's clash message is tested through the window; here what it
    // does not show: one's own number is no clash, a vanished contact fails,
    // and a membership row that cannot be written takes the new contact back
    // with it, unheard by any window.
    void saveContactRefusals()
    {
        TestEnv env;
        Notifier &n = env.ctx->notifier();
        const qint64 anna = env.addContact(QStringLiteral("Anna"), QStringLiteral("+393331111111"));
        QCOMPARE(saveContact(env.db(), n, anna, person(QStringLiteral("Anna B"), QStringLiteral("+393331111111")),
                             kWholeAddressBook).id, anna);
        env.db().run(QStringLiteral("DELETE FROM tab_destinatari"));
        QVERIFY_THROWS_EXCEPTION(Error, saveContact(env.db(), n, anna, person(QStringLiteral("Anna"),
                                                                              QStringLiteral("+393331111111")),
                                                    kWholeAddressBook));

        const qint64 group = env.addGroup(QStringLiteral("Amici"));
        env.db().exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON tab_membri "
                                     "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        QSignalSpy heard(&n, &Notifier::contactChanged);
        QVERIFY_THROWS_EXCEPTION(Error, saveContact(env.db(), n, kNewContact,
                                                    person(QStringLiteral("Bruno"), QStringLiteral("+393332222222")),
                                                    group));
        QCOMPARE(env.db().scalar(QStringLiteral("SELECT COUNT(*) FROM tab_destinatari")), 0);
        QCOMPARE(heard.count(), 0);
    }

    // Empty fields are stored as empty text; NULLs an older file holds read
    // as empty and are written back as empty text; no sex chosen keeps the
    // stored one.
    void emptyFields()
    {
        TestEnv env;
        Database &db = env.db();
        const qint64 anna = saveContact(db, env.ctx->notifier(), kNewContact,
                                        person(QStringLiteral("Anna"), QStringLiteral("+393331111111")), kWholeAddressBook)
                                .id;
        db.run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero, Sesso) VALUES ('Old', '+393332222222', 'F')"));
        const qint64 old = db.lastInsertId();
        const std::optional<Contact> loaded = loadContact(db, old);
        QVERIFY(loaded && loaded->address.isEmpty() && loaded->birthDate.isEmpty() && loaded->sex == QLatin1String("F"));
        Contact changed = *loaded;
        changed.sex.clear();
        QCOMPARE(saveContact(db, env.ctx->notifier(), old, changed, kWholeAddressBook).id, old);
        const QString nulls = QStringLiteral(
            "SELECT COUNT(*) FROM tab_destinatari WHERE IDDestinatario IN (?, ?) AND (Indirizzo IS NULL OR CAP IS NULL "
            "OR Citta IS NULL OR Prov IS NULL OR Regione IS NULL OR e_mail IS NULL OR DataNascita IS NULL OR Sesso IS NULL)");
        QCOMPARE(db.scalar(nulls, {anna, old}), 0);
        QCOMPARE(loadContact(db, old)->sex, QStringLiteral("F"));
        QCOMPARE(loadContact(db, anna)->sex, QString());
    }

    // New files refuse a second contact with one number; older ones gain the
    // rule when they hold no such pair, and keep working otherwise.
    void uniqueNumberIndex()
    {
        TestEnv env;
        Database &db = env.db();
        QVERIFY(numberIndexIsUnique(db));
        env.addContact(QStringLiteral("Anna"), QStringLiteral("+393331111111"));
        QVERIFY_THROWS_EXCEPTION(Error, env.addContact(QStringLiteral("Bis"), QStringLiteral("+393331111111")));

        db.exec(QStringLiteral("DROP INDEX Numero; CREATE INDEX Numero ON tab_destinatari (Numero)"));
        QVERIFY(addUniqueNumberIndex(db));
        QVERIFY(numberIndexIsUnique(db));

        db.exec(QStringLiteral("DROP INDEX Numero; CREATE INDEX Numero ON tab_destinatari (Numero)"));
        env.addContact(QStringLiteral("Bis"), QStringLiteral("+393331111111"));
        QVERIFY(!addUniqueNumberIndex(db));
        QVERIFY(!numberIndexIsUnique(db));
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_destinatari")), 2);
    }
};

QTEST_GUILESS_MAIN(TestContacts)
#include "tst_contacts.moc"
