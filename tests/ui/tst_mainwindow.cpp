#include "addressbook/Contacts.h"
#include "addressbook/ListEntries.h"
#include "compose/MessageState.h"
#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "mock/WindowRun.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace brio;
using namespace brio::test;

namespace {

const QString kBadPrefix = QStringLiteral("Prefisso errato. Selezionare un prefisso corretto.");

struct Run : WindowRun
{
    Run()
        : WindowRun(Later)
    {
    }

    qint64 anna() { return env.addContact(QStringLiteral("Anna"), QStringLiteral("+393331111111")); }

    void addGroup(const QString &name)
    {
        auto *combo = get<QComboBox>("cb_gruppi");
        combo->setCurrentIndex(combo->findText(name));
        get<QPushButton>("cmd_gruppi_aggiungi")->click();
    }
};

QStringList names(const QList<QAction *> &actions)
{
    QStringList out;
    for (const QAction *a : actions)
        out << a->objectName();
    return out;
}

} // namespace

class TestMainWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The names plug-ins and the user documentation rely on.
    void menuTreeAndToolBar()
    {
        Run run;
        MainWindow &w = run.open();
        QStringList menus;
        for (QAction *a : w.menuBar()->actions())
            menus << a->menu()->objectName() + QLatin1Char('=') + a->text();
        QCOMPARE(menus, (QStringList{"mnuFile=&File", "mnuRubrica=&Rubrica", "mnuMessaggi=&Messaggi",
                                     "mnuAcquista=Ac&quista", "mnuPluginS=&Plugins", "mnuHelp=&?"}));
        QStringList plugins{"mnuScaricaPlugin", "mnuPluginSep1"};
        for (int i = 0; i < 10; ++i)
            plugins << QStringLiteral("mnuPlugin_%1").arg(i);
        plugins << "mnuPluginSep2" << "mnuOtherPlugins";
        const QList<QPair<const char *, QStringList>> tree{
            {"mnuFile", {"mnuNuovo", "mnusep3", "mnuLogin", "mnuOpzioni", "mnuSep", "mnuInvia", "mnuFileSep4", "mnuEsci"}},
            {"mnuRubrica", {"mnuNuovoContatto", "mnuContatti", "mnuGruppi", "mnuImportasep1", "mnuImporta", "mnuImportaBrio1",
                            "mnuSincronizzaSep", "mnuSincronizzaRubrica"}},
            {"mnuMessaggi", {"mnuInviati", "mnuDifferiti", "mnuErrori", "mnuStoricoSep", "mnuStorico", "mnuStrumentiSep1", "mnuMittente", "mnuPassword"}},
            {"mnuAcquista", {"mnuStrumentiVerificaCredito", "mnuAcquistaSMS", "mnuListino"}},
            {"mnuPluginS", plugins},
            {"mnuHelp", {"mnuSommario", "mnuCerca", "mnuHelpSep1", "mnuSupporto", "mnuHelpAbout"}},
            {"mnuPopupSingoli", {"mnuEliminaSingolo"}},
            {"mnuPopupGruppi", {"mnuEliminaGruppo"}},
        };
        for (const auto &[menu, items] : tree)
            QCOMPARE(names(run.get<QMenu>(menu)->actions()), items);
        for (const auto &[action, keys] : {std::pair{"mnuNuovo", "Ctrl+N"}, {"mnuInvia", "Ctrl+I"}, {"mnuContatti", "Ctrl+T"}})
            QCOMPARE(run.get<QAction>(action)->shortcut(), QKeySequence(QLatin1String(keys)));
        QVERIFY(!run.get<QAction>("mnuPlugin_0")->isVisible());

        auto *bar = run.get<QToolBar>("tbToolBar");
        QStringList seen;
        for (QAction *a : bar->actions()) {
            if (a->isSeparator())
                continue;
            seen << a->objectName() + QLatin1Char('|') + a->text() + QLatin1Char('|') + a->toolTip();
            QCOMPARE(bar->widgetForAction(a)->accessibleName(), a->text());
        }
        QCOMPARE(seen, (QStringList{"tb_Nuovo|Nuovo|Crea nuovo SMS", "tb_Rubrica|Rubrica|Apre la Rubrica",
                                    "tb_Gruppi|Gruppi|Gestione dei Gruppi", "tb_Invia|Invia|Invia SMS",
                                    "tb_Comprimi|Comprimi|Comprimi SMS"}));
    }

    void openingEmptiesTheMessageLeftByAnEarlierRun()
    {
        Run run;
        Database &db = run.env.db();
        const qint64 anna = run.anna();
        db.run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {anna});
        addTypedNumber(db, QStringLiteral("+393471234567"));
        addGroupEntry(db, run.env.addGroup(QStringLiteral("Amici"), {anna}));
        db.run(QStringLiteral("INSERT INTO tab_stringa_messaggio (testo_SMS) VALUES ('vecchio')"));

        run.open();
        for (const char *table : {"tab_dest_msg", "tab_dest_number", "tab_dest_liste", "tab_stringa_messaggio"})
            QCOMPARE(run.count(table), 0);
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: 0"));
        QCOMPARE(run.env.gateway->appCode, QStringLiteral("QAZW318PLM"));
        QCOMPARE(run.get<QComboBox>("cb_gruppi")->currentText(), QStringLiteral("Amici"));
    }

    void noGroupsAndTheImportSwitch()
    {
        Run run;
        run.env.state.Arguments = QStringList{QStringLiteral("/IMPORTBRIO1")};
        run.open();
        QVERIFY(run.get<QAction>("mnuImportaBrio1")->isVisible());
        QVERIFY(!run.get<QComboBox>("cb_gruppi")->isEnabled());
        run.get<QPushButton>("cmd_gruppi_aggiungi")->click();
        QVERIFY(run.env.prompter.shown.isEmpty());
        QCOMPARE(run.count("tab_dest_liste"), 0);
    }

    void recipientModesShowTheirFrames()
    {
        Run run;
        run.open();
        auto visible = [&run] {
            QString s;
            for (const char *f : {"fr_invio_singolo", "fr_invio_gruppi", "fr_tutta_Rubrica", "fr_destinatari"})
                s += run.get<QWidget>(f)->isHidden() ? QLatin1Char('-') : QLatin1Char('x');
            return s;
        };
        QCOMPARE(visible(), QStringLiteral("x--x"));
        run.get<QRadioButton>("opt_invio_gruppo")->click();
        QCOMPARE(visible(), QStringLiteral("-x-x"));
        run.get<QRadioButton>("opt_Tutta_Rubrica")->click();
        QCOMPARE(visible(), QStringLiteral("--x-"));
        run.get<QRadioButton>("opt_invio_singolo")->click();
        QCOMPARE(visible(), QStringLiteral("x--x"));

        for (const auto &[option, enabled] : {std::pair{"opt_invio_differito", true}, {"opt_invio_immediato", false}}) {
            run.get<QRadioButton>(option)->click();
            for (const char *name : {"lb_data", "msk_data", "lb_ora", "msk_ora"})
                QVERIFY2(run.get<QWidget>(name)->isEnabled() == enabled, name);
        }
    }

    void wholeAddressBookCount_data()
    {
        QTest::addColumn<int>("contacts");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("afterImport"); // three contacts more
        QTest::newRow("empty") << 0 << "Totale Rubrica: 0 destinatario." << "Totale Rubrica: 3 destinatari.";
        QTest::newRow("one") << 1 << "Totale Rubrica: 1 destinatario." << "Totale Rubrica: 4 destinatari.";
        QTest::newRow("two") << 2 << "Totale Rubrica: 2 destinatari." << "Totale Rubrica: 5 destinatari.";
    }

    void wholeAddressBookCount()
    {
        QFETCH(int, contacts);
        QFETCH(QString, text);
        Run run;
        run.open();
        for (int i = 0; i < contacts; ++i)
            run.env.addContact(QStringLiteral("C%1").arg(i), QStringLiteral("+3933300000%1").arg(i));
        run.addNumber(QStringLiteral("347"), QStringLiteral("1234567"));
        run.get<QRadioButton>("opt_Tutta_Rubrica")->click();
        QCOMPARE(run.get<QLabel>("lb_Tutta_Rubrica")->text(), text);
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: %1").arg(contacts));
        QCOMPARE(run.count("tab_dest_number"), 1); // hidden, not discarded
        QCOMPARE(rowCount(run.get<QListView>("lst_destinatari")), 1);

        // Contacts saved one after the other are counted once they all are.
        QFETCH(QString, afterImport);
        for (int i = 0; i < 3; ++i) {
            Contact c;
            c.name = QStringLiteral("Nuovo %1").arg(i);
            c.number = QStringLiteral("+3934000000%1").arg(i);
            QVERIFY(saveContact(run.env.db(), run.env.ctx->notifier(), kNewContact, c, kWholeAddressBook).id != kNewContact);
        }
        QTRY_COMPARE(run.get<QLabel>("lb_Tutta_Rubrica")->text(), afterImport);
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: %1").arg(contacts + 3));
    }

    void newMessageAsksFirst()
    {
        Run run;
        run.env.addGroup(QStringLiteral("Amici"), {run.anna()});
        run.open();
        run.addNumber(QStringLiteral("347"), QStringLiteral("1234567"));
        run.addGroup(QStringLiteral("Amici"));
        run.get<QRadioButton>("opt_invio_differito")->click();
        run.get<QLineEdit>("msk_data")->setText(QStringLiteral("25-12-2030"));
        run.get<QLineEdit>("msk_ora")->setText(QStringLiteral("18:30"));
        run.get<QLineEdit>("txt_numero")->setText(QStringLiteral("12"));
        run.get<QPlainTextEdit>("txt_messaggio")->setPlainText(QStringLiteral("ciao"));

        auto form = [&run] {
            return QStringList{QString::number(rowCount(run.get<QListView>("lst_destinatari"))),
                               QString::number(rowCount(run.get<QListView>("lst_gruppi"))),
                               run.get<QLineEdit>("txt_numero")->text(), run.get<QLineEdit>("msk_data")->displayText(),
                               run.get<QLineEdit>("msk_ora")->displayText(),
                               run.get<QPlainTextEdit>("txt_messaggio")->toPlainText(),
                               run.get<QRadioButton>("opt_invio_differito")->isChecked() ? "differito" : "immediato"};
        };

        run.env.prompter.answer(Answer::No);
        run.get<QAction>("tb_Nuovo")->trigger();
        QCOMPARE(run.env.prompter.last().text, QStringLiteral("Desideri annullare il messaggio corrente e prepararne uno nuovo?"));
        QCOMPARE(run.env.prompter.last().icon, Icon::Question);
        QCOMPARE(form(), (QStringList{"1", "1", "12", "25-12-2030", "18:30", "ciao", "differito"}));
        QCOMPARE(run.count("tab_dest_number") + run.count("tab_dest_liste"), 2);

        run.env.prompter.answer(Answer::Yes);
        run.get<QAction>("mnuNuovo")->trigger();
        QCOMPARE(form(), (QStringList{"0", "0", "", "__-__-____", "__:__", "", "immediato"}));
        QCOMPARE(run.count("tab_dest_number") + run.count("tab_dest_liste"), 0);
        QVERIFY(!run.get<QLineEdit>("msk_data")->isEnabled());
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: 0"));
        QCOMPARE(run.env.prompter.pending(), 0);
    }

    void typedNumbersAreChecked_data()
    {
        const QString badNumber = QStringLiteral("Il numero del destinatario non è corretto. Riprovare l'inserimento");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Icon>("icon");
        QTest::newRow("placeholder prefix") << "Pref." << "1234567" << false << kBadPrefix << Icon::Exclamation;
        QTest::newRow("5 digits") << "347" << "12345" << false << badNumber << Icon::Exclamation;
        QTest::newRow("6 digits") << "347" << "123456" << false << "" << Icon::Exclamation;
        QTest::newRow("7 digits") << "347" << "1234567" << false << "" << Icon::Exclamation;
        QTest::newRow("duplicate") << "347" << "1234567" << true
                                   << "Numero già presente nell'invio corrente, per evitare invii duplicati alla "
                                      "stessa persona non verrà aggiunto."
                                   << Icon::Information;
    }

    void typedNumbersAreChecked()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, number);
        QFETCH(bool, twice);
        QFETCH(QString, message);
        QFETCH(Icon, icon);
        Run run;
        run.open();
        if (twice)
            run.addNumber(prefix, number);
        run.addNumber(prefix, number);
        auto *list = run.get<QListView>("lst_destinatari");
        const int added = message.isEmpty() || twice ? 1 : 0;
        QCOMPARE(rowCount(list), added);
        QCOMPARE(run.count("tab_dest_number"), added);
        QCOMPARE(run.get<QLineEdit>("txt_numero")->text(), message == kBadPrefix ? number : QString());
        if (!message.isEmpty()) {
            QCOMPARE(run.env.prompter.texts(), QStringList{message});
            QCOMPARE(run.env.prompter.last().icon, icon);
            return;
        }
        QVERIFY(run.env.prompter.shown.isEmpty());
        QCOMPARE(itemTexts(list), QStringList{QStringLiteral("+39347") + number});
        const qint64 id = run.env.db().scalar(QStringLiteral("SELECT ID FROM tab_dest_number WHERE Numero = ?"),
                                              {QStringLiteral("+39347") + number});
        QCOMPARE(itemData(list, 0), -id);
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: 1"));
        QCOMPARE(run.get<QComboBox>("cb_prefisso")->currentText(), QStringLiteral("Pref."));
    }

    void groupsAreAddedOnceAndNeverEmpty()
    {
        Run run;
        const qint64 anna = run.anna();
        const qint64 bruno = run.env.addContact(QStringLiteral("Bruno"), QStringLiteral("+393332222222"));
        run.env.addGroup(QStringLiteral("Amici"), {anna, bruno});
        run.env.addGroup(QStringLiteral("Vuoto è"));
        run.open();
        run.get<QRadioButton>("opt_invio_gruppo")->click();
        // Anna chosen by hand too (the recipient picker writes the row and
        // refreshes the count): she gets one message, and counts once.
        run.env.db().run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {anna});
        RefreshRecipientCount(*run.env.ctx);
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: 1"));

        run.addGroup(QStringLiteral("Amici"));
        run.addGroup(QStringLiteral("Amici"));
        QVERIFY(run.env.prompter.shown.isEmpty());
        auto *list = run.get<QListView>("lst_gruppi");
        QCOMPARE(itemTexts(list), QStringList{QStringLiteral("Amici (2 destinatari)")});
        QCOMPARE(itemData(list, 0), run.env.db().scalar(QStringLiteral("SELECT ID FROM tab_dest_liste")));
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: 2"));

        run.addGroup(QStringLiteral("Vuoto è"));
        QCOMPARE(run.env.prompter.texts(),
                 QStringList{QStringLiteral("Il gruppo VUOTO È non contiene contatti. Impossibile aggiungerlo alla "
                                            "lista dei destinatari.")});
        QCOMPARE(run.env.prompter.last().icon, Icon::Critical);
        QCOMPARE(rowCount(list), 1);
    }

    void reloadedEntriesAreRemovedByTheDeleteKey()
    {
        Run run;
        const qint64 anna = run.anna();
        const qint64 aldo = run.env.addContact(QStringLiteral("Aldo"), QStringLiteral("+393332222222"));
        const qint64 amici = run.env.addGroup(QStringLiteral("Amici"), {anna});
        const qint64 lavoro = run.env.addGroup(QStringLiteral("Lavoro"), {anna});
        run.open();
        // A plug-in wrote the message: two groups (row IDs unlike the group IDs),
        // two contacts (listed by name), a number and the text.
        Database &db = run.env.db();
        removeGroupEntry(db, *addGroupEntry(db, lavoro));
        addGroupEntry(db, lavoro);
        addGroupEntry(db, amici);
        db.run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?), (?)"), {anna, aldo});
        const qint64 number = addTypedNumber(db, QStringLiteral("+393471234567"));
        db.run(QStringLiteral("INSERT INTO tab_stringa_messaggio (testo_SMS) VALUES ('dal plugin')"));

        ReloadMessageState(*run.env.ctx);
        auto *recipients = run.get<QListView>("lst_destinatari");
        QCOMPARE(itemTexts(recipients), (QStringList{"+393471234567", "Aldo", "Anna"}));
        QCOMPARE(itemData(recipients, 0), -number);
        QCOMPARE(itemData(recipients, 1), aldo);
        QCOMPARE(itemData(recipients, 2), anna);
        auto *groups = run.get<QListView>("lst_gruppi");
        QCOMPARE(itemTexts(groups), (QStringList{QStringLiteral("Amici"), QStringLiteral("Lavoro")}));
        QCOMPARE(run.get<QPlainTextEdit>("txt_messaggio")->toPlainText(), QStringLiteral("dal plugin"));

        QTest::keyClick(recipients, Qt::Key_Delete); // nothing selected: nothing happens
        QCOMPARE(rowCount(recipients), 3);
        recipients->setCurrentIndex(recipients->model()->index(0, 0));
        QTest::keyClick(recipients, Qt::Key_Delete);
        QCOMPARE(itemTexts(recipients), (QStringList{"Aldo", "Anna"}));
        QCOMPARE(run.count("tab_dest_number"), 0);
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: 2")); // Anna once, through both groups too

        groups->setCurrentIndex(groups->model()->index(1, 0));
        QTest::keyClick(groups, Qt::Key_Delete);
        QCOMPARE(itemTexts(groups), QStringList{QStringLiteral("Amici")});
        QCOMPARE(db.scalar(QStringLiteral("SELECT IDLista FROM tab_dest_liste")), amici);
        QCOMPARE(run.count("tab_dest_liste"), 1);
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: 2"));
    }

    void popUpMenuRemovesTheEntryClicked()
    {
        Run run;
        run.open();
        QVERIFY(QTest::qWaitForWindowExposed(run.main.get()));
        for (const char *number : {"1111111", "2222222", "3333333"})
            run.addNumber(QStringLiteral("347"), QLatin1String(number));
        auto *list = run.get<QListView>("lst_destinatari");
        list->setCurrentIndex(list->model()->index(0, 0));
        QCOMPARE(rightClick(list, 2), QStringLiteral("mnuPopupSingoli"));
        QCOMPARE(itemTexts(list), (QStringList{QStringLiteral("+393471111111"), QStringLiteral("+393472222222")}));
        QCOMPARE(run.count("tab_dest_number"), 2);
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: 2"));
    }

    void emptyCodeListKeepsDesignItemsAndRefusesEveryPrefix()
    {
        Run run;
        run.env.db().run(QStringLiteral("DELETE FROM tab_allowed_codes"));
        run.open();
        auto *prefix = run.get<QComboBox>("cb_prefisso");
        QCOMPARE(itemTexts(run.get<QComboBox>("cb_paese")), QStringList{QStringLiteral("+39")});
        QCOMPARE(prefix->count(), 22);
        QCOMPARE(prefix->itemText(0), QStringLiteral("320"));
        QCOMPARE(prefix->itemText(21), QStringLiteral("389"));

        prefix->setCurrentIndex(13); // "347"
        run.get<QLineEdit>("txt_numero")->setText(QStringLiteral("1234567"));
        run.get<QPushButton>("cmd_singolo_aggiungi")->click();
        QCOMPARE(run.env.prompter.texts(), QStringList{kBadPrefix});
        QCOMPARE(prefix->currentIndex(), 0);
    }

    void fieldsHoldNoMoreThanTheirLimit()
    {
        Run run;
        run.open();
        auto *number = run.get<QLineEdit>("txt_numero");
        QTest::keyClicks(number, QStringLiteral("123456789"));
        QCOMPARE(number->text(), QStringLiteral("1234567"));

        // Three characters in the prefix; typing after the placeholder adds nothing.
        auto *prefix = run.get<QComboBox>("cb_prefisso");
        QCOMPARE(prefix->currentText(), QStringLiteral("Pref."));
        QLineEdit *edit = prefix->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("34712"));
        QCOMPARE(prefix->currentText(), QStringLiteral("347"));
        prefix->setCurrentIndex(0);
        edit->end(false);
        QTest::keyClicks(edit, QStringLiteral("3"));
        QCOMPARE(prefix->currentText(), QStringLiteral("Pref."));
        edit->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("3471234567"));
        edit->paste();
        QCOMPARE(prefix->currentText(), QStringLiteral("Pref."));
        QApplication::clipboard()->setText(QStringLiteral("34"));
        edit->selectAll();
        edit->paste();
        QCOMPARE(prefix->currentText(), QStringLiteral("34"));

        auto *text = run.get<QPlainTextEdit>("txt_messaggio");
        QApplication::clipboard()->setText(QString(150, QLatin1Char('a')));
        text->paste();
        QApplication::clipboard()->setText(QStringLiteral("0123456789ABCDEF"));
        text->moveCursor(QTextCursor::Start);
        text->paste();
        QCOMPARE(text->toPlainText(), QStringLiteral("0123456789") + QString(150, QLatin1Char('a')));
        QTest::keyClicks(text, QStringLiteral("xyz"));
        QCOMPARE(text->toPlainText().size(), 160);
        QVERIFY(!text->toPlainText().contains(QLatin1Char('x')));
        text->selectAll();
        QTest::keyClicks(text, QStringLiteral("b"));
        QCOMPARE(text->toPlainText(), QStringLiteral("b"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
