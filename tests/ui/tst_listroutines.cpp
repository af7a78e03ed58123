#include "compose/NumberRules.h"
#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
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

    void prefixComboTakesThreeCharacters()
    {
        QComboBox prefix;
        limitPrefixCombo(&prefix);
        prefix.addItems({prefixPlaceholder(), QStringLiteral("347")});
        prefix.show();
        QVERIFY(QTest::qWaitForWindowExposed(&prefix));
        QCOMPARE(prefix.currentText(), QStringLiteral("Pref."));

        QLineEdit *edit = prefix.lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("34712"));
        QCOMPARE(prefix.currentText(), QStringLiteral("347"));
        // Typing at the end of the placeholder adds nothing.
        prefix.setCurrentIndex(0);
        edit->end(false);
        QTest::keyClicks(edit, QStringLiteral("3"));
        QCOMPARE(prefix.currentText(), QStringLiteral("Pref."));

        edit->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("3471234567"));
        edit->paste();
        QCOMPARE(prefix.currentText(), QStringLiteral("Pref."));
        QApplication::clipboard()->setText(QStringLiteral("34"));
        edit->selectAll();
        edit->paste();
        QCOMPARE(prefix.currentText(), QStringLiteral("34"));
    }
};

QTEST_MAIN(TestListRoutines)
#include "tst_listroutines.moc"
