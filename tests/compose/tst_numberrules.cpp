#include "addressbook/ListEntries.h"
#include "compose/NumberRules.h"
#include "groups/Groups.h"
#include "mock/TestEnv.h"
#include "store/Database.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

class TestNumberRules final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Subscriber numbers of exactly 6 or 7 decimal digits; prefixes from the
    // gateway's list, looked up without the typed text becoming SQL.
    void checks_data()
    {
        QTest::addColumn<bool>("prefix"); // else the subscriber number
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("valid");
        QTest::newRow("5 digits") << false << "12345" << false;
        QTest::newRow("6 digits") << false << "123456" << true;
        QTest::newRow("7 digits") << false << "1234567" << true;
        QTest::newRow("8 digits") << false << "12345678" << false;
        QTest::newRow("no number") << false << "" << false;
        QTest::newRow("decimal point") << false << "12.3456" << false;
        QTest::newRow("decimal comma") << false << "12,3456" << false;
        QTest::newRow("sign") << false << "-123456" << false;
        QTest::newRow("plus") << false << "+123456" << false;
        QTest::newRow("exponent") << false << "1e5678" << false;
        QTest::newRow("blank") << false << " 123456" << false;
        QTest::newRow("letters") << false << "12345a" << false;
        QTest::newRow("full-width digits") << false << QString::fromUtf8("１２３４５６") << false;
        QTest::newRow("prefix accepted") << true << "347" << true;
        QTest::newRow("prefix placeholder") << true << "Pref." << false;
        QTest::newRow("prefix unknown") << true << "999" << false;
        QTest::newRow("no prefix") << true << "" << false;
        QTest::newRow("prefix with a quote") << true << "3'4" << false;
        QTest::newRow("prefix injection") << true << "' OR '1'='1" << false;
    }

    void checks()
    {
        QFETCH(bool, prefix);
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        TestEnv env;
        QCOMPARE(prefix ? CheckPrefix(*env.ctx, typed) : CheckSubscriberNumber(*env.ctx, typed), valid);
    }

    void prefixOfAnyCountryPassesAndEmptyListRefusesAll()
    {
        TestEnv env;
        env.db().run(QStringLiteral("INSERT INTO tab_allowed_codes (Country, Prefix) VALUES ('41', '079')"));
        QVERIFY(CheckPrefix(*env.ctx, QStringLiteral("079")));
        env.db().run(QStringLiteral("DELETE FROM tab_allowed_codes"));
        for (const QString &p : designPrefixes())
            QVERIFY2(!CheckPrefix(*env.ctx, p), qPrintable(p));
    }

    void groupsForPlacingAContact()
    {
        TestEnv env;
        const qint64 lavoro = env.addGroup(QStringLiteral("Lavoro"));
        const qint64 amici = env.addGroup(QStringLiteral("Amici è"));
        QCOMPARE(groupComboEntries(env.db(), false, GroupComboMode::ContactPlacement),
                 (ListEntries{{QStringLiteral("Solo in rubrica"), kWholeAddressBook},
                              {QStringLiteral("Gruppo AMICI È e rubrica"), amici},
                              {QStringLiteral("Gruppo LAVORO e rubrica"), lavoro}}));
    }
};

QTEST_GUILESS_MAIN(TestNumberRules)
#include "tst_numberrules.moc"
