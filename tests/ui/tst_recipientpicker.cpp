#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "mock/WindowRun.h"
#include "addressbook/Contacts.h"
#include "addressbook/ListEntries.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/addressbook/RecipientPicker.h"
#include "ui/EntryListView.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QScopeGuard>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

struct Run : WindowRun
{
    qint64 dario = env.addContact(QStringLiteral("Dario Barosio"), QStringLiteral("+393334444444"));
    qint64 carla = env.addContact(QStringLiteral("Carla Rossi"), QStringLiteral("+393333333333"));
    qint64 bruno = env.addContact(QStringLiteral("Bruno"), QStringLiteral("+393332222222"));
    qint64 anna = env.addContact(QStringLiteral("anna"), QStringLiteral("+393331111111"));

    Run()
    {
        env.addGroup(QStringLiteral("Amici"), {dario, anna});
        for (const qint64 id : {bruno, anna})
            env.db().run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {id});
        env.db().run(QStringLiteral("INSERT INTO tab_dest_number (Numero) VALUES ('+393470000000')"));
        main->LoadMessageRecipients();
        main->RefreshRecipientCount();
    }

    // Through the menu, or the tool bar's "Rubrica".
    RecipientPicker *open(const char *command = "mnuContatti")
    {
        get<QAction>(command)->trigger();
        for (RecipientPicker *picker : main->findChildren<RecipientPicker *>()) {
            if (picker->isVisible())
                return QTest::qWaitForWindowActive(picker) ? picker : nullptr;
        }
        return nullptr;
    }

    // tab_dest_msg as stored, row by row.
    QStringList chosenRows()
    {
        QStringList out;
        Statement st = env.db().prepare(QStringLiteral("SELECT rowid, IDDestinatario FROM tab_dest_msg ORDER BY rowid"));
        while (st.next())
            out << st.text(0) + QLatin1Char(':') + st.text(1);
        return out;
    }
};

void select(QListView *list, int row)
{
    list->setCurrentIndex(list->model()->index(row, 0));
}

} // namespace

class TestRecipientPicker final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The message keeps its chosen contacts while the picker is open; Annulla
    // leaves the table exactly as it was, OK replaces it. Keyboard only.
    void chooseWithTheKeyboard()
    {
        Run run;
        // The main window lists the chosen contacts by name, then the typed numbers.
        QCOMPARE(itemTexts(run.main->recipientList()), (QStringList{"anna,+393331111111", "Bruno,+393332222222",
                                                                    "+393470000000"}));
        const QStringList before = run.chosenRows();
        RecipientPicker *picker = run.open();
        QVERIFY(picker);
        QCOMPARE(picker->objectName(), QStringLiteral("frmTrovaDestinatari"));
        QCOMPARE(run.open(), picker); // a second command raises the open one
        auto *elenco = child<QListView>(*picker, "lst_elenco");
        auto *destinatari = child<QListView>(*picker, "lst_destinatari");
        QCOMPARE(itemTexts(elenco), (QStringList{"anna,+393331111111", "Bruno,+393332222222", "Carla Rossi,+393333333333",
                                             "Dario Barosio,+393334444444"}));
        QCOMPARE(itemTexts(destinatari), (QStringList{"anna,+393331111111", "Bruno,+393332222222"}));
        QCOMPARE(run.chosenRows(), before);

        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(*picker, "txt_key"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ros")); // Barosio comes after Rossi
        QCOMPARE(elenco->currentIndex().row(), 2);
        for (int i = 0; i < 3; ++i) // group combo, address book, "A ->"
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>(*picker, "cmd_add"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), destinatari);
        select(destinatari, 1);
        QTest::keyClick(destinatari, Qt::Key_Delete);
        QCOMPARE(itemTexts(destinatari), (QStringList{"anna,+393331111111", "Carla Rossi,+393333333333"}));
        QCOMPARE(run.chosenRows(), before);

        QTest::keyClick(picker, Qt::Key_Escape);
        QVERIFY(!picker->isVisible());
        QCOMPARE(run.chosenRows(), before);

        picker = run.open("tb_Rubrica");
        QVERIFY(picker);
        destinatari = child<QListView>(*picker, "lst_destinatari");
        select(destinatari, 0);
        QTest::keyClick(destinatari, Qt::Key_Delete);
        QTest::keyClick(destinatari, Qt::Key_Return); // OK is the default button
        QVERIFY(!picker->isVisible());
        QCOMPARE(run.env.db().scalar(QStringLiteral("SELECT group_concat(IDDestinatario) FROM tab_dest_msg")),
                 run.bruno);
        QCOMPARE(itemTexts(run.main->recipientList()), (QStringList{"Bruno,+393332222222", "+393470000000"}));
        QCOMPARE(itemData(run.main->recipientList(), 0), run.bruno);
        QCOMPARE(itemData(run.main->recipientList(), 1), -run.env.db().scalar(QStringLiteral("SELECT ID FROM tab_dest_number")));
        QCOMPARE(run.main->statusPanel(1)->text(), QStringLiteral("SMS da inviare: 2"));
    }

    // A long name is shown whole (the list scrolls sideways) in the picker
    // and the main window; Delete removes the entry the keyboard is on; a
    // change of groups elsewhere keeps the entry chosen in the book.
    void longNamesDeleteAndGroupChanges()
    {
        Run run;
        const QString name = QStringLiteral("Bianca Maria Giovanna Della Valle Bartolomei R"); // 46 characters
        QCOMPARE(name.size(), 46);
        const qint64 bianca = run.env.addContact(name, QStringLiteral("+393335555555"));
        RecipientPicker *picker = run.open();
        QVERIFY(picker);
        auto *elenco = child<QListView>(*picker, "lst_elenco");
        auto *destinatari = child<QListView>(*picker, "lst_destinatari");
        const QString entry = name + QStringLiteral(",+393335555555");
        QCOMPARE(itemTexts(elenco).at(1), entry);
        screenshot(*picker, "picker-long-name");
        auto wholeWidth = [](const QAbstractItemView *list, int row) {
            return list->visualRect(list->model()->index(row, 0)).width()
                >= list->fontMetrics().horizontalAdvance(list->model()->index(row, 0).data().toString());
        };
        QVERIFY(wholeWidth(elenco, 1));
        QVERIFY(elenco->horizontalScrollBar()->maximum() > 0);

        select(elenco, 1);
        child<QPushButton>(*picker, "cmd_add")->click();
        QCOMPARE(itemTexts(destinatari).last(), entry);
        QVERIFY(wholeWidth(destinatari, 2));

        // The focus comes to the chosen list by Tab: its first entry is the
        // one the keyboard is on, and Delete takes it out.
        child<QPushButton>(*picker, "cmd_add")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), destinatari);
        QTest::keyClick(destinatari, Qt::Key_Delete);
        QCOMPARE(itemTexts(destinatari), (QStringList{"Bruno,+393332222222", entry}));

        select(elenco, 3); // Carla
        run.env.addGroup(QStringLiteral("Lavoro"), {run.carla});
        Q_EMIT run.env.ctx->notifier().groupsChanged();
        QCOMPARE(itemTexts(child<QComboBox>(*picker, "cb_gruppi")), (QStringList{"Tutta la rubrica", "Amici", "Lavoro"}));
        QCOMPARE(selectedRow(elenco), 3);

        child<QPushButton>(*picker, "cmd_ok")->click();
        auto *mainList = run.main->recipientList();
        QCOMPARE(itemData(mainList, 0), bianca);
        run.main->resize(640, 480);
        QApplication::processEvents();
        QVERIFY(wholeWidth(mainList, 0));
        screenshot(*run.main, "main-long-name");
    }

    void addAndRemove()
    {
        Run run;
        RecipientPicker *picker = run.open();
        auto *elenco = child<QListView>(*picker, "lst_elenco");
        auto *destinatari = child<QListView>(*picker, "lst_destinatari");
        auto *add = child<QPushButton>(*picker, "cmd_add");
        add->click(); // nothing selected
        child<QLineEdit>(*picker, "txt_key")->setText(QStringLiteral("   "));
        QCOMPARE(elenco->currentIndex().row(), -1);
        select(elenco, 0);
        add->click(); // anna is chosen already
        QCOMPARE(destinatari->model()->rowCount(), 2);

        select(elenco, 2);
        const QPoint carla = elenco->visualRect(elenco->currentIndex()).center();
        QTest::mouseClick(elenco->viewport(), Qt::LeftButton, {}, carla);
        QTest::mouseDClick(elenco->viewport(), Qt::LeftButton, {}, carla);
        QCOMPARE(itemTexts(destinatari).last(), QStringLiteral("Carla Rossi,+393333333333"));

        // A drop adds when it comes from the address-book list only.
        select(elenco, 3);
        auto drop = [&](QMimeData *mime) {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, {});
            QApplication::sendEvent(destinatari->viewport(), &enter);
            QDropEvent event(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, {});
            QApplication::sendEvent(destinatari->viewport(), &event);
            delete mime;
        };
        auto *foreign = new QMimeData;
        foreign->setText(QStringLiteral("Dario"));
        drop(foreign);
        QCOMPARE(destinatari->model()->rowCount(), 3);
        drop(elenco->model()->mimeData({elenco->currentIndex()}));
        QCOMPARE(itemTexts(destinatari).last(), QStringLiteral("Dario Barosio,+393334444444"));

        auto *groups = child<QComboBox>(*picker, "cb_gruppi");
        QCOMPARE(itemTexts(groups), (QStringList{"Tutta la rubrica", "Amici"}));
        groups->setCurrentIndex(1);
        QCOMPARE(itemTexts(elenco), (QStringList{"anna,+393331111111", "Dario Barosio,+393334444444"}));

        // The pop-up menus open over an entry of a list that had a selection.
        QCOMPARE(rightClick(destinatari, 0, false), QString());
        select(destinatari, 0);
        QCOMPARE(rightClick(destinatari, -1, false), QString());
        QCOMPARE(rightClick(destinatari, 1, false), QStringLiteral("mnupopup"));
        QCOMPARE(destinatari->currentIndex().row(), 1);
        QCOMPARE(rightClick(elenco, 1, false), QString());
        select(elenco, 0);
        QCOMPARE(rightClick(elenco, 1, false), QStringLiteral("mnuPopupElenco"));
        QCOMPARE(menuKey(elenco, false), QStringLiteral("mnuPopupElenco"));
        child<QAction>(*picker, "mnuEscludiInvio")->trigger();
        QCOMPARE(destinatari->model()->rowCount(), 3);
    }

    // A book of thousands follows saved, renamed and deleted contacts
    // anywhere in it, many in one place too, in the database's order.
    void bigBookFollowsChanges()
    {
        Run run;
        Database &db = run.env.db();
        {
            Transaction tx(db);
            for (int i = 0; i < 5000; ++i)
                db.run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES (?, ?)"),
                       {QStringLiteral("Contatto %1").arg(i, 4, 10, QLatin1Char('0')),
                        QStringLiteral("+39340%1").arg(i, 7, 10, QLatin1Char('0'))});
            tx.commit();
        }
        RecipientPicker *picker = run.open();
        QVERIFY(picker);
        auto *elenco = child<QListView>(*picker, "lst_elenco");
        const auto inOrder = [&] {
            QStringList wanted;
            for (const ListEntry &e : memberEntries(db, kWholeAddressBook))
                wanted << e.text;
            return itemTexts(elenco) == wanted;
        };
        QVERIFY(inOrder());

        int number = 0;
        const auto save = [&](qint64 id, const QString &name) {
            Contact c;
            c.name = name;
            c.number = id == kNewContact ? QStringLiteral("+39347%1").arg(++number, 7, 10, QLatin1Char('0'))
                                         : loadContact(db, id)->number;
            return saveContact(db, run.env.ctx->notifier(), id, c, kWholeAddressBook).id;
        };
        for (const char *name : {"Aaa primo", "Contatto 1023 bis", "Contatto 1024 bis", "Contatto 2047 bis", "Zeta"})
            save(kNewContact, QString::fromLatin1(name));
        QVERIFY(inOrder());
        for (int i = 0; i < 2500; ++i)
            save(kNewContact, QStringLiteral("Contatto 0500 %1").arg(i, 4, 10, QLatin1Char('0')));
        QVERIFY(inOrder());
        const qint64 third = db.scalar(QStringLiteral("SELECT IDDestinatario FROM tab_destinatari WHERE Nominativo = 'Contatto 0003'"));
        select(elenco, int(itemTexts(elenco).indexOf(QStringLiteral("Contatto 0003,+393400000003"))));
        QCOMPARE(elenco->currentIndex().data(Qt::UserRole).toLongLong(), third);
        save(third, QStringLiteral("Contatto 4999 bis"));
        // The selection moves along.
        QCOMPARE(elenco->currentIndex().data(Qt::UserRole).toLongLong(), third);
        save(db.scalar(QStringLiteral("SELECT IDDestinatario FROM tab_destinatari WHERE Nominativo = 'Contatto 4990'")),
             QStringLiteral("Aab"));
        QVERIFY(inOrder());
        for (const int row : {0, 1024, 2048, 3000, elenco->model()->rowCount() - 1})
            deleteContact(db, run.env.ctx->notifier(), elenco->model()->index(row, 0).data(Qt::UserRole).toLongLong());
        QVERIFY(inOrder());
        QTest::keyClick(elenco, Qt::Key_End);
        QCOMPARE(elenco->currentIndex().row(), elenco->model()->rowCount() - 1);
    }

    // A contact deleted in the picker leaves the book, its groups, the
    // message, every list and the main window's count; OK cannot bring it
    // back. Editing a contact from the picker shows the change in place.
    void deleteAndEdit()
    {
        Run run;
        RecipientPicker *picker = run.open();
        auto *elenco = child<QListView>(*picker, "lst_elenco");
        auto *destinatari = child<QListView>(*picker, "lst_destinatari");
        QCOMPARE(run.main->statusPanel(1)->text(), QStringLiteral("SMS da inviare: 3"));
        select(elenco, 0);
        run.env.prompter.answer(Answer::No);
        child<QAction>(*picker, "mnuEliminaContatto")->trigger();
        QCOMPARE(run.env.prompter.last().text, QStringLiteral("Si desidera cancellare definitivamente il contatto dalla rubrica?"));
        QCOMPARE(elenco->model()->rowCount(), 4);

        run.env.prompter.answer(Answer::Yes);
        child<QAction>(*picker, "mnuEliminaContatto")->trigger();
        QCOMPARE(itemTexts(elenco).first(), QStringLiteral("Bruno,+393332222222"));
        QCOMPARE(itemTexts(destinatari), QStringList{"Bruno,+393332222222"});
        for (const char *sql : {"SELECT COUNT(*) FROM tab_destinatari WHERE IDDestinatario = %1",
                                "SELECT COUNT(*) FROM tab_membri WHERE ID_Membro = %1",
                                "SELECT COUNT(*) FROM tab_dest_msg WHERE IDDestinatario = %1"})
            QCOMPARE(run.env.db().scalar(QString::fromLatin1(sql).arg(run.anna)), 0);
        QCOMPARE(itemTexts(run.main->recipientList()), (QStringList{"Bruno,+393332222222", "+393470000000"}));
        // Counted once the event loop is back.
        QTRY_COMPARE(run.main->statusPanel(1)->text(), QStringLiteral("SMS da inviare: 2"));

        // Bruno renamed: his entries follow, in name order.
        select(elenco, 0);
        whenModalOpens("frmContatto", [](QWidget &editor) {
            const auto close = qScopeGuard([&editor] { editor.close(); });
            child<QLineEdit>(editor, "txt_nominativo")->setText(QStringLiteral("Zeno"));
            child<QPushButton>(editor, "cmd_inserisci")->click();
        });
        child<QPushButton>(*picker, "cmd_properties")->click();
        QCOMPARE(itemTexts(elenco), (QStringList{"Carla Rossi,+393333333333", "Dario Barosio,+393334444444",
                                             "Zeno,+393332222222"}));
        QCOMPARE(elenco->currentIndex().row(), 2);
        QCOMPARE(itemTexts(destinatari), QStringList{"Zeno,+393332222222"});

        whenModalOpens("frmContatto", [](QWidget &editor) {
            const auto close = qScopeGuard([&editor] { editor.close(); });
            child<QLineEdit>(editor, "txt_nominativo")->setText(QStringLiteral("Elena"));
            child<QComboBox>(editor, "cb_prefisso")->setEditText(QStringLiteral("333"));
            child<QLineEdit>(editor, "txt_Numero")->setText(QStringLiteral("5555555"));
            child<QPushButton>(editor, "cmd_inserisci")->click();
        });
        child<QPushButton>(*picker, "cmd_nuovo_contatto")->click();
        QCOMPARE(itemTexts(elenco).at(2), QStringLiteral("Elena,+393335555555"));

        child<QPushButton>(*picker, "cmd_ok")->click();
        QCOMPARE(run.env.db().scalar(QStringLiteral("SELECT group_concat(IDDestinatario) FROM tab_dest_msg")),
                 run.bruno);
    }
};

QTEST_MAIN(TestRecipientPicker)
#include "tst_recipientpicker.moc"
