#include "addressbook/ContactSearch.h"
#include "mock/TestEnv.h"
#include "store/Database.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

// name, number, city, province, region, e-mail, birth date, sex
struct Row
{
    const char *name;
    const char *number;
    const char *city;
    const char *prov;
    const char *region;
    const char *email;
    const char *born;
    const char *sex;
};

const Row kBook[] = {
    {"Rossi Mario", "+393331111111", "Roma", "RM", "Lazio", "mario@rossi.it", "19700512", "M"},
    {"D'Angelo Anna", "+393472222222", "Milano", "MI", "Lombardia", "anna_d@posta.it", "19851231", "F"},
    {"Rosa 100%", "+393403333333", "Romagnano", "NO", "Piemonte", "rosa@x.it", "", "F"},
    {"Bianchi Luca", "+393294444444", "Napoli", "NA", "Campania", "lucaxd@posta.it", "19620101", "M"},
    {"rossini gino", "+393335555555", "Roma ", "RM", "Lazio", "", "20000615", ""},
    {"Èrica Neri", "+393206666666", "Bari", "", "", "", "", ""},
};

QStringList names(Database &db, const SearchSql &sql)
{
    QStringList out;
    Statement st = db.prepare(sql.statement());
    st.bindAll(sql.params);
    while (st.next())
        out << st.text(1);
    return out;
}

} // namespace

class TestContactSearch final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void criteriaFindTheirContacts_data()
    {
        QTest::addColumn<SearchCriteria>("criteria");
        QTest::addColumn<QStringList>("found");
        auto c = [](auto set) {
            SearchCriteria s;
            set(s);
            return s;
        };
        QTest::newRow("none: the whole book by name, accents beside their letter")
            << SearchCriteria{}
            << QStringList{"Bianchi Luca", "D'Angelo Anna", "Èrica Neri", "Rosa 100%", "Rossi Mario", "rossini gino"};
        QTest::newRow("name anywhere, any case") << c([](auto &s) { s.name = "ROSS"; })
                                                 << QStringList{"Rossi Mario", "rossini gino"};
        QTest::newRow("apostrophe") << c([](auto &s) { s.name = "d'angelo"; }) << QStringList{"D'Angelo Anna"};
        QTest::newRow("blanks only add nothing") << c([](auto &s) { s.name = "   "; s.city = "Milano"; })
                                                 << QStringList{"D'Angelo Anna"};
        QTest::newRow("blanks around are kept") << c([](auto &s) { s.city = "Roma "; })
                                                << QStringList{"rossini gino"};
        QTest::newRow("star and question mark are wildcards") << c([](auto &s) { s.name = "ro?s*o"; })
                                                              << QStringList{"Rossi Mario", "rossini gino"};
        QTest::newRow("percent is a character") << c([](auto &s) { s.name = "%"; }) << QStringList{"Rosa 100%"};
        QTest::newRow("underscore is a character") << c([](auto &s) { s.email = "a_d"; })
                                                   << QStringList{"D'Angelo Anna"};
        QTest::newRow("number includes the country code") << c([](auto &s) { s.number = "+39347"; })
                                                          << QStringList{"D'Angelo Anna"};
        QTest::newRow("age from 40 in 2026: born by 1 January 1986")
            << c([](auto &s) { s.ageFrom = "40"; })
            << QStringList{"Bianchi Luca", "D'Angelo Anna", "Rossi Mario"};
        QTest::newRow("age to 40: born from 31 December 1986") << c([](auto &s) { s.ageTo = "40"; })
                                                               << QStringList{"rossini gino"};
        QTest::newRow("age range") << c([](auto &s) { s.ageFrom = "50"; s.ageTo = "65"; })
                                   << QStringList{"Bianchi Luca", "Rossi Mario"};
        QTest::newRow("province, region") << c([](auto &s) { s.province = "rm"; s.region = "lazio"; })
                                          << QStringList{"Rossi Mario", "rossini gino"};
        QTest::newRow("sex F") << c([](auto &s) { s.sex = SexCriterion::Female; })
                               << QStringList{"D'Angelo Anna", "Rosa 100%"};
        QTest::newRow("sex M and name") << c([](auto &s) { s.sex = SexCriterion::Male; s.name = "ross"; })
                                        << QStringList{"Rossi Mario"};
        QTest::newRow("group") << c([](auto &s) { s.group = 1; }) << QStringList{"D'Angelo Anna", "rossini gino"};
        QTest::newRow("group and city") << c([](auto &s) { s.group = 1; s.city = "rom"; })
                                        << QStringList{"rossini gino"};
    }

    void criteriaFindTheirContacts()
    {
        QFETCH(SearchCriteria, criteria);
        QFETCH(QStringList, found);
        TestEnv env;
        QList<qint64> ids;
        for (const Row &r : kBook) {
            env.db().run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero, Citta, Prov, Regione, e_mail, "
                                        "DataNascita, Sesso) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                         {r.name, r.number, r.city, r.prov, r.region, r.email, r.born, r.sex});
            ids << env.db().lastInsertId();
        }
        QCOMPARE(env.addGroup(QStringLiteral("Uno"), {ids[1], ids[4]}), 1);
        QCOMPARE(names(env.db(), BuildSearchSql(criteria, 2026)), found);
    }

    // Read a slice at a time across several stretches of the book, the
    // search lists exactly what one statement lists, in the same order.
    void slicesListWhatOneStatementLists()
    {
        TestEnv env;
        Database &db = env.db();
        {
            Transaction tx(db);
            for (int i = 0; i < 4500; ++i) {
                // Names equal but for case straddle the stretches' ends.
                const QString name = (i % 2 ? QStringLiteral("NOME %1") : QStringLiteral("nome %1")).arg(i / 4, 4, 10, QLatin1Char('0'));
                db.run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero, Citta) VALUES (?, ?, ?)"),
                       {name, QStringLiteral("+39333%1").arg(i, 7, 10, QLatin1Char('0')), i % 3 ? "Roma" : "Bari"});
            }
            db.run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero, Citta) VALUES (NULL, '+390', 'Roma')"));
            tx.commit();
        }
        SearchCriteria criteria;
        criteria.city = QStringLiteral("roma");
        const SearchSql sql = BuildSearchSql(criteria, 2026);
        ListEntries plain;
        {
            Statement st = db.prepare(sql.statement());
            st.bindAll(sql.params);
            while (st.next())
                plain.append({contactEntryText(st.text(1), st.text(2)), st.integer(0)});
        }
        QCOMPARE(plain.size(), 3001);

        ContactSearch search(db, sql);
        ListEntries sliced;
        int slices = 0;
        while (search.fetch(sliced, 0))
            ++slices;
        QCOMPARE(sliced.size(), plain.size());
        QVERIFY(slices > 1000);
        QCOMPARE(sliced, plain);
    }
};

QTEST_GUILESS_MAIN(TestContactSearch)
#include "tst_contactsearch.moc"
