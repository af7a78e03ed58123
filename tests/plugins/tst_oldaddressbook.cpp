#include "compose/NumberRules.h"
#include "mock/TestEnv.h"
#include "plugins/OldAddressBook.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

class TestOldAddressBook final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void NormaliseOldNumber_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("normalised"); // empty: a bad number
        QTest::newRow("blank inside") << "333 1234567" << "+393331234567";
        QTest::newRow("plus, slash, 6 digits") << "+39 347/123456" << "+39347123456";
        QTest::newRow("leading zero") << "0347-1234567" << "+393471234567";
        QTest::newRow("dots and letters") << "tel. 338.123.4567" << "+393381234567";
        QTest::newRow("international zeros") << "0039 333 1234567" << "";
        QTest::newRow("own digits begin with 39") << "3921234567" << "";
        QTest::newRow("5 digits after the prefix") << "333 12345" << "";
        QTest::newRow("8 digits after the prefix") << "333 12345678" << "";
        QTest::newRow("prefix not allowed") << "999 1234567" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("no digits") << "cellulare" << "";
    }

    void NormaliseOldNumber()
    {
        QFETCH(QString, stored);
        QFETCH(QString, normalised);
        TestEnv env;
        QCOMPARE(brio::NormaliseOldNumber(*env.ctx, stored), normalised);
        // The prefixes read once for a whole import give the same answers.
        const QSet<QString> allowed = allowedPrefixSet(env.db());
        QCOMPARE(brio::NormaliseOldNumber(*env.ctx, stored, &allowed), normalised);
    }
};

QTEST_GUILESS_MAIN(TestOldAddressBook)
#include "tst_oldaddressbook.moc"
