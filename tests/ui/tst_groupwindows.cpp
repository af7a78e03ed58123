#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "mock/WindowRun.h"
#include "store/Database.h"
#include "ui/addressbook/ContactSearchWindow.h"
#include "ui/groups/GroupManagementWindow.h"
#include "ui/groups/GroupMembersWindow.h"
#include "ui/groups/NewGroupWindow.h"
#include "ui/EntryListView.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace brio;
using namespace brio::test;

namespace {

struct Run : WindowRun
{
    qint64 anna = env.addContact(QStringLiteral("Anna"), QStringLiteral("+393331111111"));
    qint64 bruno = env.addContact(QStringLiteral("Bruno"), QStringLiteral("+393332222222"));
    qint64 carla = env.addContact(QStringLiteral("Carla"), QStringLiteral("+393333333333"));
    qint64 amici = env.addGroup(QStringLiteral("Amici"), {anna});
    qint64 lavoro = env.addGroup(QStringLiteral("Lavoro"), {anna, bruno});

    Run()
        : WindowRun(Later)
    {
        open();
    }

    QWidget *openManagement()
    {
        command("mnuGruppi");
        return shown("frmGestioneGruppi");
    }

    QWidget *openMembers(int row)
    {
        openManagement();
        auto *list = in<QListView>("frmGestioneGruppi", "lst_gruppi");
        list->setCurrentIndex(list->model()->index(row, 0));
        in<QPushButton>("frmGestioneGruppi", "cmModifica")->click();
        return &window("frmGruppi");
    }
};

const QString kNotSelected = QStringLiteral("Seleziona un gruppo.");

} // namespace

class TestGroupWindows final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Deleting a group asks first, and also takes it out of the message
    // being prepared; with no group left the commands that need one rest.
    void managementListsAndDeletes()
    {
        Run run;
        auto *combo = child<QComboBox>(*run.main, "cb_gruppi");
        combo->setCurrentIndex(combo->findText(QStringLiteral("Lavoro")));
        child<QPushButton>(*run.main, "cmd_gruppi_aggiungi")->click();
        QCOMPARE(run.main->statusPanel(1)->text(), QStringLiteral("SMS da inviare: 2"));

        QVERIFY(child<QAction>(*run.main, "tb_Gruppi")->isEnabled());
        run.openManagement();
        child<QAction>(*run.main, "tb_Gruppi")->trigger();
        QCOMPARE(Run::allShown("frmGestioneGruppi").size(), 1);
        auto *list = Run::in<QListView>("frmGestioneGruppi", "lst_gruppi");
        QCOMPARE(itemTexts(list), (QStringList{"Amici  (1 contatto)", "Lavoro  (2 contatti)"}));

        Run::in<QPushButton>("frmGestioneGruppi", "cmd_inserisciNuovi")->click();
        QCOMPARE(run.env.prompter.last().text, kNotSelected);

        list->setCurrentIndex(list->model()->index(1, 0));
        run.env.prompter.answer(Answer::No);
        Run::in<QPushButton>("frmGestioneGruppi", "cmElimina")->click();
        QCOMPARE(run.env.prompter.last().text, QStringLiteral("Vuoi eliminare il gruppo Lavoro  (2 contatti)"));
        QCOMPARE(rowCount(list), 2);

        run.env.prompter.answer(Answer::Yes);
        Run::in<QPushButton>("frmGestioneGruppi", "cmElimina")->click();
        QCOMPARE(itemTexts(list), QStringList{"Amici  (1 contatto)"});
        QCOMPARE(run.rows(QStringLiteral("SELECT COUNT(*) FROM tab_membri WHERE ID_Lista = ?"), {run.lavoro}), 0);
        QCOMPARE(itemTexts(combo), QStringList{"Amici"});
        QCOMPARE(rowCount(child<QListView>(*run.main, "lst_gruppi")), 0);
        QCOMPARE(run.main->statusPanel(1)->text(), QStringLiteral("SMS da inviare: 0"));

        list->setCurrentIndex(list->model()->index(0, 0));
        run.env.prompter.answer(Answer::Yes);
        Run::in<QPushButton>("frmGestioneGruppi", "cmElimina")->click();
        for (const char *name : {"cmElimina", "cmModifica", "cmd_inserisciNuovi"})
            QVERIFY(!Run::in<QPushButton>("frmGestioneGruppi", name)->isEnabled());
        QCOMPARE(run.rows(QStringLiteral("SELECT COUNT(*) FROM tab_destinatari")), 3);
    }

    void newGroupRefusesTakenNamesAndCopies()
    {
        Run run;
        run.openManagement();
        Run::in<QPushButton>("frmGestioneGruppi", "cmNuovo")->click();
        auto *name = Run::in<QLineEdit>("frmNuovoGruppo", "txt_nomeGruppo");
        auto *sources = Run::in<QComboBox>("frmNuovoGruppo", "cb_gruppi");
        QCOMPARE(itemTexts(sources), (QStringList{"Tutta la rubrica", "Amici", "Lavoro"}));
        QVERIFY(Run::in<QRadioButton>("frmNuovoGruppo", "opt_vuoto")->isChecked());

        name->setText(QStringLiteral(" lavoro "));
        Run::in<QPushButton>("frmNuovoGruppo", "cmd_inserisci")->click();
        QCOMPARE(run.env.prompter.last().text, QStringLiteral("Gruppo già esistente!"));
        QCOMPARE(run.env.prompter.last().icon, Icon::Critical);
        QCOMPARE(name->selectedText(), QStringLiteral(" lavoro "));

        // Choosing a list to copy from chooses copying.
        name->setText(QStringLiteral("Amici d'infanzia"));
        sources->setFocus();
        QTest::keyClick(sources, Qt::Key_Down);
        QCOMPARE(sources->currentText(), QStringLiteral("Amici"));
        QVERIFY(Run::in<QRadioButton>("frmNuovoGruppo", "opt_copiaDa")->isChecked());
        Run::in<QPushButton>("frmNuovoGruppo", "cmd_inserisci")->click();
        QVERIFY(!Run::shown("frmNuovoGruppo"));
        auto *list = Run::in<QListView>("frmGestioneGruppi", "lst_gruppi");
        QCOMPARE(itemTexts(list), (QStringList{"Amici  (1 contatto)", "Amici d'infanzia  (1 contatto)",
                                               "Lavoro  (2 contatti)"}));
        QCOMPARE(list->currentIndex().row(), 1);
        QCOMPARE(itemTexts(child<QComboBox>(*run.main, "cb_gruppi")),
                 (QStringList{"Amici", "Amici d'infanzia", "Lavoro"}));
    }

    // A group deleted in "Gestione Gruppi" while other windows use it: the
    // new group is not copied from another list and the membership editor
    // does not turn to another group, both without a word.
    void groupDeletedElsewhere()
    {
        Run run;
        QWidget *editor = run.openMembers(1);
        QCOMPARE(child<QComboBox>(*editor, "cb_gruppi")->currentText(), QStringLiteral("Lavoro"));
        run.openManagement();
        Run::in<QPushButton>("frmGestioneGruppi", "cmNuovo")->click();
        Run::in<QLineEdit>("frmNuovoGruppo", "txt_nomeGruppo")->setText(QStringLiteral("Clienti"));
        auto *sources = Run::in<QComboBox>("frmNuovoGruppo", "cb_gruppi");
        sources->setFocus();
        QTest::keyClick(sources, Qt::Key_Down);
        QTest::keyClick(sources, Qt::Key_Down);
        QCOMPARE(sources->currentText(), QStringLiteral("Lavoro"));

        auto *list = Run::in<QListView>("frmGestioneGruppi", "lst_gruppi");
        list->setCurrentIndex(list->model()->index(1, 0));
        run.env.prompter.answer(Answer::Yes);
        Run::in<QPushButton>("frmGestioneGruppi", "cmElimina")->click();
        QCOMPARE(run.env.prompter.last().text,
                 QStringLiteral("Il gruppo Lavoro è stato eliminato in un'altra finestra: la finestra si chiude."));
        QVERIFY(!Run::shown("frmGruppi"));

        Run::in<QPushButton>("frmNuovoGruppo", "cmd_inserisci")->click();
        QCOMPARE(run.env.prompter.last().text, QStringLiteral("Impossibile copiare da Lavoro!"));
        QCOMPARE(itemTexts(list), QStringList{"Amici  (1 contatto)"});
        // Told once: the copy then comes from what the list shows.
        Run::in<QPushButton>("frmNuovoGruppo", "cmd_inserisci")->click();
        QCOMPARE(itemTexts(list), (QStringList{"Amici  (1 contatto)", "Clienti  (3 contatti)"}));
    }

    // Every move is stored at once; a member is never added twice.
    void membersMove()
    {
        Run run;
        QWidget *editor = run.openMembers(1);
        QVERIFY(!Run::shown("frmGestioneGruppi"));
        auto *group = child<QComboBox>(*editor, "cb_gruppi");
        auto *book = child<QListView>(*editor, "lst_destinatari");
        auto *members = child<QListView>(*editor, "lst_gruppo");
        QCOMPARE(group->currentText(), QStringLiteral("Lavoro"));
        QCOMPARE(itemTexts(book), (QStringList{"Anna,+393331111111", "Bruno,+393332222222", "Carla,+393333333333"}));
        QCOMPARE(itemTexts(members), (QStringList{"Anna,+393331111111", "Bruno,+393332222222"}));
        auto memberRows = [&] {
            return run.rows(QStringLiteral("SELECT COUNT(*) FROM tab_membri WHERE ID_Lista = ?"), {run.lavoro});
        };

        book->setCurrentIndex(book->model()->index(0, 0));
        child<QPushButton>(*editor, "cmdAddSingle")->click();
        QCOMPARE(rowCount(members), 2);
        QCOMPARE(rightClick(book, 2), QStringLiteral("mnuPopupContatti")); // "&Aggiungi a Gruppo"
        QCOMPARE(itemTexts(members).at(2), QStringLiteral("Carla,+393333333333"));
        QCOMPARE(memberRows(), 3);

        members->setCurrentIndex(members->model()->index(0, 0));
        child<QPushButton>(*editor, "cmdDelSingle")->click();
        QCOMPARE(itemTexts(members), (QStringList{"Bruno,+393332222222", "Carla,+393333333333"}));
        child<QPushButton>(*editor, "cmdDelAll")->click();
        QCOMPARE(rowCount(members), 0);
        QCOMPARE(memberRows(), 0);
        QCOMPARE(run.env.prompter.shown.size(), 0);
        child<QPushButton>(*editor, "cmdAddAll")->click();
        QCOMPARE(rowCount(members), 3);
        QCOMPARE(memberRows(), 3);

        // Another window's new group shows up here; the new-group window
        // opened from here turns this one to it.
        child<QPushButton>(*editor, "cmd_gruppi")->click();
        Run::in<QLineEdit>("frmNuovoGruppo", "txt_nomeGruppo")->setText(QStringLiteral("Bar"));
        Run::in<QPushButton>("frmNuovoGruppo", "cmd_inserisci")->click();
        QCOMPARE(itemTexts(group), (QStringList{"Amici", "Bar", "Lavoro"}));
        QCOMPARE(group->currentText(), QStringLiteral("Bar"));
        QCOMPARE(rowCount(members), 0);

        child<QPushButton>(*editor, "cmd_ok")->click();
        run.openManagement();
        QCOMPARE(itemTexts(Run::in<QListView>("frmGestioneGruppi", "lst_gruppi")),
                 (QStringList{"Amici  (1 contatto)", "Bar  (0 contatti)", "Lavoro  (3 contatti)"}));
    }

    // The search fills the editor's address-book list; "Interrompi" keeps
    // what was listed; a failure leaves the window ready again.
    void searchIntoTheMembershipEditor()
    {
        Run run;
        {
            Transaction tx(run.env.db());
            for (int i = 0; i < 50; ++i)
                run.env.addContact(QStringLiteral("Rossi %1").arg(i, 2, 10, QLatin1Char('0')),
                                   QStringLiteral("+39347%1").arg(i, 7, 10, QLatin1Char('0')));
            tx.commit();
        }
        QWidget *editor = run.openMembers(0);
        auto *searchButton = child<QPushButton>(*editor, "cmd_ricercaContatti");
        searchButton->click();
        QWidget *search = &Run::window("frmTrovaContatti");
        auto *found = child<QListView>(*search, "lst_elenco");
        auto *trova = child<QPushButton>(*search, "cmd_trova");
        auto *stop = child<QPushButton>(*search, "cmd_stop");
        QCOMPARE(itemTexts(child<QComboBox>(*search, "cb_gruppi")), (QStringList{"Tutta la rubrica", "Amici", "Lavoro"}));
        QVERIFY(!stop->isEnabled());

        auto *age = child<QLineEdit>(*search, "txt_anniStart");
        QTest::keyClicks(age, QStringLiteral("4a-0"));
        QTest::keyClick(age, Qt::Key_Backspace);
        QTest::keyClicks(age, QStringLiteral("1"));
        QCOMPARE(age->text(), QStringLiteral("41"));
        age->clear();

        // Stopped at the third row listed.
        bool wasSearching = false;
        const auto stopAtThree = connect(found->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (rowCount(found) == 3) {
                wasSearching = stop->isEnabled() && !trova->isEnabled();
                stop->click();
            }
        });
        child<QLineEdit>(*search, "txt_nominativo")->setText(QStringLiteral("ross"));
        trova->click();
        disconnect(stopAtThree);
        QVERIFY(wasSearching);
        QCOMPARE(rowCount(found), 3);
        QVERIFY(trova->isEnabled() && !stop->isEnabled());

        run.env.db().exec(QStringLiteral("ALTER TABLE tab_destinatari RENAME TO altrove"));
        trova->click();
        run.env.db().exec(QStringLiteral("ALTER TABLE altrove RENAME TO tab_destinatari"));
        QVERIFY(run.env.prompter.last().text.contains(QStringLiteral("tab_destinatari")));
        QVERIFY(trova->isEnabled() && !stop->isEnabled());

        child<QComboBox>(*search, "cb_gruppi")->setCurrentIndex(2); // Lavoro: no Rossi there
        trova->click();
        QCOMPARE(rowCount(found), 0);
        child<QPushButton>(*search, "cmd_cancella")->click();
        QCOMPARE(child<QComboBox>(*search, "cb_gruppi")->currentIndex(), 0);
        QCOMPARE(child<QLineEdit>(*search, "txt_nominativo")->text(), QString());
        child<QLineEdit>(*search, "txt_numero")->setText(QStringLiteral("3470000004"));
        trova->click();
        QCOMPARE(itemTexts(found), QStringList{"Rossi 04,+393470000004"});
        child<QPushButton>(*search, "cmd_selezionatutti")->click();
        child<QPushButton>(*search, "cmd_ok")->click();
        QVERIFY(!Run::shown("frmTrovaContatti"));

        auto *book = child<QListView>(*editor, "lst_destinatari");
        QCOMPARE(itemTexts(book), QStringList{"Rossi 04,+393470000004"});
        QCOMPARE(searchButton->text(), QStringLiteral("Tutta la rubrica"));
        child<QPushButton>(*editor, "cmdAddAll")->click();
        QCOMPARE(itemTexts(child<QListView>(*editor, "lst_gruppo")),
                 (QStringList{"Anna,+393331111111", "Rossi 04,+393470000004"}));
        searchButton->click();
        QCOMPARE(rowCount(book), 53);
        QCOMPARE(searchButton->text(), QStringLiteral("&Ricerca Contatti"));
    }

    // What the contact editor stores shows in every open group and search
    // window and in the message; its delete asks nothing.
    void contactEditorChangesShowEverywhere()
    {
        Run run;
        run.env.db().run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {run.bruno});
        run.main->ReloadMessageState();
        QWidget *editor = run.openMembers(1);
        auto *book = child<QListView>(*editor, "lst_destinatari");
        auto *members = child<QListView>(*editor, "lst_gruppo");
        child<QPushButton>(*editor, "cmd_ricercaContatti")->click();
        QWidget *search = Run::shown("frmTrovaContatti");
        auto *found = child<QListView>(*search, "lst_elenco");
        child<QPushButton>(*search, "cmd_trova")->click();
        run.openManagement();
        auto *groups = Run::in<QListView>("frmGestioneGruppi", "lst_gruppi");

        book->setCurrentIndex(book->model()->index(0, 0));
        whenModalOpens("frmContatto", [](QWidget &w) {
            child<QLineEdit>(w, "txt_nominativo")->setText(QStringLiteral("Annalisa"));
            child<QPushButton>(w, "cmd_inserisci")->click();
        });
        child<QPushButton>(*editor, "cmd_properties")->click();
        const QStringList renamed{"Annalisa,+393331111111", "Bruno,+393332222222"};
        QCOMPARE(itemTexts(book).mid(0, 2), renamed);
        QCOMPARE(itemTexts(members), renamed);
        QCOMPARE(itemTexts(found).mid(0, 2), renamed);

        book->setCurrentIndex(book->model()->index(1, 0));
        whenModalOpens("frmContatto", [](QWidget &w) { child<QPushButton>(w, "cmd_elimina")->click(); });
        child<QPushButton>(*editor, "cmd_properties")->click();
        const QStringList left{"Annalisa,+393331111111", "Carla,+393333333333"};
        QVERIFY(run.env.prompter.shown.isEmpty());
        QCOMPARE(rowCount(run.main->recipientList()), 0);
        QCOMPARE(itemTexts(book), left);
        QCOMPARE(itemTexts(found), left);
        QCOMPARE(itemTexts(members), QStringList{"Annalisa,+393331111111"});
        QCOMPARE(itemTexts(groups), (QStringList{"Amici  (1 contatto)", "Lavoro  (1 contatto)"}));

        // A new contact straight into a group.
        groups->setCurrentIndex(groups->model()->index(1, 0));
        Run::in<QPushButton>("frmGestioneGruppi", "cmd_inserisciNuovi")->click();
        QVERIFY(!Run::shown("frmGestioneGruppi"));
        QWidget *contact = &Run::window("frmContatto");
        child<QLineEdit>(*contact, "txt_nominativo")->setText(QStringLiteral("Berta"));
        child<QComboBox>(*contact, "cb_prefisso")->setEditText(QStringLiteral("333"));
        child<QLineEdit>(*contact, "txt_Numero")->setText(QStringLiteral("4444444"));
        child<QPushButton>(*contact, "cmd_inserisci")->click();
        QCOMPARE(itemTexts(book), (QStringList{"Annalisa,+393331111111", "Berta,+393334444444", "Carla,+393333333333"}));
        QCOMPARE(itemTexts(members), (QStringList{"Annalisa,+393331111111", "Berta,+393334444444"}));
    }

    // Without the mouse: create a group, fill it from a search, take one
    // member out again.
    void keyboardOnly()
    {
        Run run;
        auto keys = [](const char *window, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            QWidget *w = &Run::window(window);
            // Where the window manager would put the focus back.
            if (!w->isActiveWindow())
                w->activateWindow();
            QVERIFY2(QTest::qWaitForWindowActive(w), window);
            QTest::keyClick(w->windowHandle(), key, mods);
            // A button's mnemonic clicks it after a short animation.
            if (mods & Qt::AltModifier)
                QTest::qWait(150);
        };
        auto type = [](const QString &text) {
            for (const QChar c : text)
                QTest::keyClick(QApplication::focusWidget()->window()->windowHandle(), c.toLatin1());
        };

        run.openManagement();
        keys("frmGestioneGruppi", Qt::Key_N, Qt::AltModifier);

        keys("frmNuovoGruppo", Qt::Key_N, Qt::AltModifier);
        type(QStringLiteral("Clienti"));
        keys("frmNuovoGruppo", Qt::Key_Return);
        QVERIFY(!Run::shown("frmNuovoGruppo"));
        keys("frmGestioneGruppi", Qt::Key_S, Qt::AltModifier);
        QCOMPARE(Run::in<QComboBox>("frmGruppi", "cb_gruppi")->currentText(), QStringLiteral("Clienti"));

        keys("frmGruppi", Qt::Key_R, Qt::AltModifier);
        keys("frmTrovaContatti", Qt::Key_V, Qt::AltModifier);
        type(QStringLiteral("r"));
        keys("frmTrovaContatti", Qt::Key_Return);
        QCOMPARE(itemTexts(Run::in<QListView>("frmTrovaContatti", "lst_elenco")),
                 (QStringList{"Bruno,+393332222222", "Carla,+393333333333"}));
        keys("frmTrovaContatti", Qt::Key_S, Qt::AltModifier);
        keys("frmTrovaContatti", Qt::Key_O, Qt::AltModifier);
        QVERIFY(!Run::shown("frmTrovaContatti"));

        keys("frmGruppi", Qt::Key_B, Qt::AltModifier);
        keys("frmGruppi", Qt::Key_Tab);
        keys("frmGruppi", Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdAddAll"));
        keys("frmGruppi", Qt::Key_Space);
        auto *members = Run::in<QListView>("frmGruppi", "lst_gruppo");
        QCOMPARE(itemTexts(members), (QStringList{"Bruno,+393332222222", "Carla,+393333333333"}));

        keys("frmGruppi", Qt::Key_N, Qt::AltModifier);
        keys("frmGruppi", Qt::Key_Down);
        keys("frmGruppi", Qt::Key_Delete);
        QCOMPARE(rowCount(members), 1);
        QCOMPARE(run.rows(QStringLiteral("SELECT COUNT(*) FROM tab_membri m JOIN tab_liste l ON l.ID_Lista = m.ID_Lista "
                                         "WHERE l.NomeLista = 'Clienti'")),
                 1);
    }
};

QTEST_MAIN(TestGroupWindows)
#include "tst_groupwindows.moc"
