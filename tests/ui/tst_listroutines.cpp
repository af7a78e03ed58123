#include "compose/NumberRules.h"
#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

QList<qint64> data(const QListWidget &list)
{
    QList<qint64> out;
    for (int i = 0; i < list.count(); ++i)
        out << entryData(&list, i);
    return out;
}

} // namespace

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

    void memberListAndMessageRecipients()
    {
        TestEnv env;
        const qint64 zeno = env.addContact(QStringLiteral("Zeno"), QStringLiteral("+393330000001"));
        const qint64 anna = env.addContact(QStringLiteral("Anna"), QStringLiteral("+393330000002"));
        const qint64 marco = env.addContact(QStringLiteral("Marco"), QStringLiteral("+393330000003"));
        env.addGroup(QStringLiteral("Amici"), {zeno, anna});
        QComboBox combo;
        QListWidget list;
        LoadGroupCombo(*env.ctx, &combo, false, GroupComboMode::GroupNames);

        LoadMemberList(*env.ctx, &combo, &list);
        QCOMPARE(itemTexts(&list), (QStringList{QStringLiteral("Anna,+393330000002"), QStringLiteral("Marco,+393330000003"),
                                                QStringLiteral("Zeno,+393330000001")}));
        QCOMPARE(data(list), (QList<qint64>{anna, marco, zeno}));
        combo.setCurrentIndex(1);
        LoadMemberList(*env.ctx, &combo, &list);
        QCOMPARE(data(list), (QList<qint64>{anna, zeno}));
        QCOMPARE(QApplication::overrideCursor(), nullptr); // the wait pointer is gone again
        // An empty combo names no group: nothing is listed.
        QComboBox empty;
        LoadMemberList(*env.ctx, &empty, &list);
        QCOMPARE(list.count(), 0);

        // The message's contacts by name, then its typed numbers; the list is
        // replaced, not added to.
        for (qint64 id : {zeno, anna})
            env.db().run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {id});
        env.db().run(QStringLiteral("INSERT INTO tab_dest_number (Numero) VALUES ('+393479999999')"));
        const qint64 number = env.db().lastInsertId();
        addEntry(&list, QStringLiteral("vecchia voce"), 42);
        LoadMessageRecipients(*env.ctx, &list, true);
        QCOMPARE(itemTexts(&list), (QStringList{QStringLiteral("Anna,+393330000002"), QStringLiteral("Zeno,+393330000001"),
                                                QStringLiteral("+393479999999")}));
        QCOMPARE(data(list), (QList<qint64>{anna, zeno, -number}));
        LoadMessageRecipients(*env.ctx, &list, false);
        QCOMPARE(data(list), (QList<qint64>{anna, zeno}));
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
