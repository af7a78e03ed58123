#include "compose/NumberRules.h"
#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

using namespace brio;
using namespace brio::test;

class TestListRoutines final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void groupComboWithoutGroups()
    {
        TestEnv env;
        QComboBox combo;
        LoadGroupCombo(*env.ctx, &combo, true, GroupComboMode::GroupNames);
        QCOMPARE(combo.count(), 0);
        QVERIFY(!combo.isEnabled());

        QSignalSpy clicked(&combo, &QComboBox::currentIndexChanged);
        LoadGroupCombo(*env.ctx, &combo, false, GroupComboMode::GroupNames);
        QCOMPARE(itemTexts(&combo), QStringList{QStringLiteral("Tutta la rubrica")});
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(combo.currentData().toLongLong(), kWholeAddressBook);
        QVERIFY(combo.isEnabled());
        QCOMPARE(clicked.count(), 1);

        LoadGroupCombo(*env.ctx, &combo, false, GroupComboMode::ContactPlacement);
        QCOMPARE(itemTexts(&combo), QStringList{QStringLiteral("Solo in rubrica")});
        // Selected again although the index did not change: the window's
        // click handler runs as after every filling.
        QCOMPARE(clicked.count(), 2);
    }

    void countryAndPrefixCombosFromTheAcceptedCodes()
    {
        TestEnv env;
        env.db().run(QStringLiteral("INSERT INTO tab_allowed_codes (Country, Prefix) VALUES ('33', '600')"));
        QComboBox country;
        QComboBox prefix;
        country.addItem(designCountry());
        connect(&country, &QComboBox::currentIndexChanged, &prefix,
                [&] { LoadPrefixCombo(*env.ctx, &country, &prefix); });

        LoadCountryCombo(*env.ctx, &country);
        QCOMPARE(itemTexts(&country), (QStringList{QStringLiteral("+33"), QStringLiteral("+39")}));
        QCOMPARE(country.currentText(), QStringLiteral("+39"));
        QCOMPARE(prefix.itemText(0), QStringLiteral("Pref."));
        QCOMPARE(prefix.currentIndex(), 0);
        QVERIFY(itemTexts(&prefix).contains(QStringLiteral("347")));

        country.setCurrentIndex(0);
        QCOMPARE(itemTexts(&prefix), (QStringList{QStringLiteral("Pref."), QStringLiteral("600")}));
    }
};

QTEST_MAIN(TestListRoutines)
#include "tst_listroutines.moc"
