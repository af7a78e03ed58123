#include "compose/ListEntries.h"
#include "compose/NumberRules.h"
#include "mock/TestEnv.h"
#include "store/Database.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

class TestNumberRules final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void subscriberNumberHasSixOrSevenDigits_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("valid");
        QTest::newRow("5 digits") << "12345" << false;
        QTest::newRow("6 digits") << "123456" << true;
        QTest::newRow("7 digits") << "1234567" << true;
        QTest::newRow("8 digits") << "12345678" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("decimal point") << "12.3456" << false;
        QTest::newRow("decimal comma") << "12,3456" << false;
        QTest::newRow("sign") << "-123456" << false;
        QTest::newRow("plus") << "+123456" << false;
        QTest::newRow("exponent") << "1e5678" << false;
        QTest::newRow("blank") << " 123456" << false;
        QTest::newRow("letters") << "12345a" << false;
        QTest::newRow("full-width digits") << QString::fromUtf8("１２３４５６") << false;
    }

    void subscriberNumberHasSixOrSevenDigits()
    {
        QFETCH(QString, number);
        QFETCH(bool, valid);
        TestEnv env;
        env.state.NumberOK = !valid;
        QCOMPARE(CheckSubscriberNumber(*env.ctx, number), valid);
        QCOMPARE(env.state.NumberOK, valid);
    }

    void prefixMustBeAccepted_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("valid");
        QTest::newRow("accepted") << "347" << true;
        QTest::newRow("placeholder") << "Pref." << false;
        QTest::newRow("unknown") << "999" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("quote") << "3'4" << false;
        QTest::newRow("injection") << "' OR '1'='1" << false;
    }

    void prefixMustBeAccepted()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, valid);
        TestEnv env;
        env.state.PrefixOK = !valid;
        QCOMPARE(CheckPrefix(*env.ctx, prefix), valid);
        QCOMPARE(env.state.PrefixOK, valid);
    }

    void prefixOfAnyCountryPassesAndEmptyListRefusesAll()
    {
        TestEnv env;
        env.db().run(QStringLiteral("INSERT INTO tab_allowed_codes (Country, Prefix) VALUES ('41', '079')"));
        QVERIFY(CheckPrefix(*env.ctx, QStringLiteral("079")));
        QCOMPARE(allowedCountries(env.db()), (QStringList{QStringLiteral("+39"), QStringLiteral("+41")}));
        QCOMPARE(allowedPrefixes(env.db(), QStringLiteral("41")), QStringList{QStringLiteral("079")});
        QVERIFY(allowedPrefixes(env.db(), QStringLiteral("39")).contains(QStringLiteral("347")));

        env.db().run(QStringLiteral("DELETE FROM tab_allowed_codes"));
        QVERIFY(allowedCountries(env.db()).isEmpty());
        for (const QString &p : designPrefixes())
            QVERIFY2(!CheckPrefix(*env.ctx, p), qPrintable(p));
        QCOMPARE(designPrefixes().size(), 22);
        QCOMPARE(fullNumber(designCountry(), QStringLiteral("347"), QStringLiteral("1234567")),
                 QStringLiteral("+393471234567"));
    }

    void groupCombosListGroupsByName()
    {
        TestEnv env;
        QVERIFY(groupComboEntries(env.db(), true, GroupComboMode::GroupNames).isEmpty());
        QCOMPARE(groupComboEntries(env.db(), false, GroupComboMode::GroupNames),
                 (ListEntries{{QStringLiteral("Tutta la rubrica"), kWholeAddressBook}}));

        const qint64 lavoro = env.addGroup(QStringLiteral("Lavoro"));
        const qint64 amici = env.addGroup(QStringLiteral("Amici è"));
        QCOMPARE(groupComboEntries(env.db(), true, GroupComboMode::GroupNames),
                 (ListEntries{{QStringLiteral("Amici è"), amici}, {QStringLiteral("Lavoro"), lavoro}}));
        QCOMPARE(groupComboEntries(env.db(), false, GroupComboMode::ContactPlacement),
                 (ListEntries{{QStringLiteral("Solo in rubrica"), kWholeAddressBook},
                              {QStringLiteral("Gruppo AMICI È e rubrica"), amici},
                              {QStringLiteral("Gruppo LAVORO e rubrica"), lavoro}}));
    }
};

QTEST_GUILESS_MAIN(TestNumberRules)
#include "tst_numberrules.moc"
