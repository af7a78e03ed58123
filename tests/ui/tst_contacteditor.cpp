#include "addressbook/Contacts.h"
#include "mock/TestEnv.h"
#include "mock/WindowRun.h"
#include "mock/Widgets.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/addressbook/ContactEditor.h"
#include "ui/EntryListView.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

using Run = WindowRun;

void fill(QWidget &w, const QString &name, const QString &prefix, const QString &number, const QString &date)
{
    child<QLineEdit>(w, "txt_nominativo")->setText(name);
    child<QComboBox>(w, "cb_prefisso")->setEditText(prefix);
    child<QLineEdit>(w, "txt_Numero")->setText(number);
    child<QLineEdit>(w, "msk_data_di_nascita")->setText(date);
}

// Types into the focused control, then moves on with Tab.
void type(const QString &text)
{
    QTest::keyClicks(QApplication::focusWidget(), text);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
}

} // namespace

class TestContactEditor final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusedSaves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("message");
        const QString prefix = QStringLiteral("Prefisso errato. Selezionare un prefisso corretto.");
        const QString number = QStringLiteral("Il numero del destinatario non è corretto. Riprovare l'inserimento");
        const QString date = QStringLiteral("Data di nascita errata.");
        QTest::newRow("placeholder prefix first") << "" << "Pref." << "12" << "" << prefix;
        QTest::newRow("five digits") << "Anna" << "333" << "12345" << "" << number;
        QTest::newRow("a letter") << "Anna" << "333" << "12345a" << "" << number;
        QTest::newRow("blank name") << "   " << "333" << "1234567" << ""
                                    << "Sono necessari almeno il numero di cellulare ed il nome del contatto.";
        QTest::newRow("year partly typed") << "Anna" << "333" << "1234567" << "12-05-19" << date;
        QTest::newRow("no such day") << "Anna" << "333" << "1234567" << "31-02-1990" << date;
        QTest::newRow("no such month") << "Anna" << "333" << "1234567" << "99-99-9999" << date;
    }

    void refusedSaves()
    {
        QFETCH(QString, name);
        QFETCH(QString, prefix);
        QFETCH(QString, number);
        QFETCH(QString, date);
        QFETCH(QString, message);
        Run run;
        ContactEditor editor(*run.env.ctx, run.main.get());
        fill(editor, name, prefix, number, date);
        child<QPushButton>(editor, "cmd_inserisci")->click();
        QCOMPARE(run.env.prompter.texts(), QStringList{message});
        QCOMPARE(run.contacts(), 0);
    }

    // The menu's editor used with the keyboard alone: typed fields, Enter to
    // save into a group, the fields cleared for the next contact with the
    // group kept, a second contact with that number refused, Esc to close.
    void insertFromTheMenu()
    {
        Run run;
        const qint64 group = run.env.addGroup(QStringLiteral("Amici"));
        QAction *menu = child<QAction>(*run.main, "mnuNuovoContatto");
        QVERIFY(menu->isEnabled());
        bool checked = false;
        whenModalOpens("frmContatto", [&](QWidget &w) {
            const auto close = qScopeGuard([&w] { w.close(); }); // also when a check fails
            QVERIFY(QTest::qWaitForWindowActive(&w));
            auto *groups = child<QComboBox>(w, "cb_gruppi");
            QCOMPARE(itemTexts(groups), (QStringList{"Solo in rubrica", "Gruppo AMICI e rubrica"}));
            QVERIFY(!child<QPushButton>(w, "cmd_elimina")->isVisible());
            QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(w, "txt_nominativo"));
            groups->setCurrentIndex(1);
            child<QLineEdit>(w, "txt_nominativo")->setFocus();
            type(QStringLiteral("Anna Rossi"));  // name
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // country stays +39
            type(QStringLiteral("333"));         // prefix
            type(QStringLiteral("1234567"));     // number
            for (int i = 0; i < 6; ++i)          // address to e-mail
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("12051970"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // Maschio
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(run.env.prompter.texts(), QStringList{});
            QCOMPARE(child<QLineEdit>(w, "txt_nominativo")->text(), QString());
            QCOMPARE(child<QLineEdit>(w, "msk_data_di_nascita")->displayText(), QStringLiteral("__-__-____"));
            QVERIFY(!child<QRadioButton>(w, "optMaschio")->isChecked());
            QCOMPARE(groups->currentIndex(), 1);

            fill(w, QStringLiteral("Bis"), QStringLiteral("333"), QStringLiteral("1234567"), QString());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(run.env.prompter.texts(),
                     QStringList{"Il numero di cellulare corrisponde già al contatto ANNA ROSSI."});
            QCOMPARE(child<QLineEdit>(w, "txt_Numero")->selectedText(), QStringLiteral("1234567"));
            checked = true;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        menu->trigger();
        QVERIFY(checked);
        QCOMPARE(run.contacts(), 1);
        const qint64 id = run.rows(QStringLiteral("SELECT IDDestinatario FROM tab_destinatari"));
        const std::optional<Contact> anna = loadContact(run.env.db(), id);
        QCOMPARE(anna->number, QStringLiteral("+393331234567"));
        QCOMPARE(anna->birthDate, QStringLiteral("19700512"));
        QCOMPARE(anna->sex, QStringLiteral("M"));
        QCOMPARE(run.rows(QStringLiteral("SELECT COUNT(*) FROM tab_membri WHERE ID_Lista = %1 AND ID_Membro = %2")
                               .arg(group).arg(id)),
                 1);
    }

    // Modify mode: the stored number split in three, a stored impossible date
    // shown as stored, another contact's number refused, a save that closes
    // the window and rewrites the main window's entry.
    void modify()
    {
        Run run;
        const qint64 anna = run.env.addContact(QStringLiteral("Anna"), QStringLiteral("+393331234567"));
        run.env.addContact(QStringLiteral("Bruno"), QStringLiteral("+393477654321"));
        run.env.db().run(QStringLiteral("UPDATE tab_destinatari SET DataNascita = '19900231', Sesso = 'F'"));
        run.env.db().run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {anna});
        run.main->LoadMessageRecipients();

        ContactEditor editor(*run.env.ctx, run.main.get(), anna);
        QCOMPARE(child<QComboBox>(editor, "cb_paese")->currentText(), QStringLiteral("+39"));
        QCOMPARE(child<QComboBox>(editor, "cb_prefisso")->currentText(), QStringLiteral("333"));
        QCOMPARE(child<QLineEdit>(editor, "txt_Numero")->text(), QStringLiteral("1234567"));
        QCOMPARE(child<QLineEdit>(editor, "msk_data_di_nascita")->displayText(), QStringLiteral("31-02-1990"));
        QVERIFY(child<QRadioButton>(editor, "optFemmina")->isChecked());
        QCOMPARE(child<QPushButton>(editor, "cmd_inserisci")->text(), QStringLiteral("Modifica"));
        QVERIFY(child<QComboBox>(editor, "cb_gruppi")->isHidden());

        fill(editor, QStringLiteral("Anna Bianchi"), QStringLiteral("347"), QStringLiteral("7654321"),
             QStringLiteral("01-02-1990"));
        child<QPushButton>(editor, "cmd_inserisci")->click();
        QCOMPARE(run.env.prompter.texts(), QStringList{"Il numero di cellulare corrisponde già al contatto BRUNO."});
        QCOMPARE(loadContact(run.env.db(), anna)->name, QStringLiteral("Anna"));

        child<QLineEdit>(editor, "txt_Numero")->setText(QStringLiteral("1111111"));
        child<QPushButton>(editor, "cmd_inserisci")->click();
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        const std::optional<Contact> saved = loadContact(run.env.db(), anna);
        QCOMPARE(saved->number, QStringLiteral("+393471111111"));
        QCOMPARE(saved->birthDate, QStringLiteral("19900201"));
        QCOMPARE(saved->sex, QStringLiteral("F"));
        QCOMPARE(itemTexts(run.main->recipientList()), QStringList{"Anna Bianchi,+393471111111"});
    }

    // Modify mode as an older book and other countries meet it: a number two
    // contacts share does not block the other fields, a name of 50
    // characters with one outside the basic plane opens whole and saves,
    // tabbing through the country keeps the prefix, and a prefix of another
    // country is refused.
    void modifyKeepsWhatItOpened()
    {
        Run run;
        Database &db = run.env.db();
        db.run(QStringLiteral("INSERT INTO tab_allowed_codes (Country, Prefix) VALUES ('33', '600'), ('33', '610')"));
        const QString name = QString(48, QLatin1Char('a')) + QStringLiteral("\U0001F600b"); // 50 characters
        const qint64 anna = run.env.addContact(name, QStringLiteral("+393331234567"));
        const qint64 bis = run.env.addContact(QStringLiteral("Bis"), QStringLiteral("+393339999999"));
        // An older book, whose numbers were not yet kept unique.
        db.run(QStringLiteral("DROP INDEX Numero"));
        db.run(QStringLiteral("UPDATE tab_destinatari SET Numero = '+393331234567' WHERE IDDestinatario = ?"), {bis});

        ContactEditor editor(*run.env.ctx, run.main.get(), anna);
        editor.show();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        auto *nameBox = child<QLineEdit>(editor, "txt_nominativo");
        QCOMPARE(nameBox->text(), name);
        screenshot(editor, "editor-long-name");
        nameBox->setFocus();
        nameBox->end(false);
        QTest::keyClicks(nameBox, QStringLiteral("c")); // the 51st character is refused
        QCOMPARE(nameBox->text(), name);
        auto *country = child<QComboBox>(editor, "cb_paese");
        auto *prefix = child<QComboBox>(editor, "cb_prefisso");
        country->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(prefix->currentText(), QStringLiteral("333"));
        child<QLineEdit>(editor, "txt_citta")->setText(QStringLiteral("Bari"));
        child<QPushButton>(editor, "cmd_inserisci")->click();
        QCOMPARE(run.env.prompter.texts(), QStringList{});
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QCOMPARE(loadContact(db, anna)->name, name);
        QCOMPARE(loadContact(db, anna)->city, QStringLiteral("Bari"));

        // A contact of another country, tabbed through from its name as the
        // user goes: the box keeps the country and the prefix stays.
        const qint64 jean = run.env.addContact(QStringLiteral("Jean"), QStringLiteral("+336101234567"));
        ContactEditor french(*run.env.ctx, run.main.get(), jean);
        french.show();
        QVERIFY(QTest::qWaitForWindowActive(&french));
        child<QLineEdit>(french, "txt_nominativo")->setFocus();
        for (const char *expected : {"cb_paese", "cb_prefisso", "txt_Numero"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(expected));
        }
        QCOMPARE(child<QComboBox>(french, "cb_paese")->currentText(), QStringLiteral("+33"));
        QCOMPARE(child<QComboBox>(french, "cb_prefisso")->currentText(), QStringLiteral("610"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(run.env.prompter.texts(), QStringList{});
        QCOMPARE(loadContact(db, jean)->number, QStringLiteral("+336101234567"));

        ContactEditor fresh(*run.env.ctx, run.main.get());
        child<QComboBox>(fresh, "cb_paese")->setCurrentIndex(child<QComboBox>(fresh, "cb_paese")->findText("+33"));
        QCOMPARE(itemTexts(child<QComboBox>(fresh, "cb_prefisso")), (QStringList{"Pref.", "600", "610"}));
        fill(fresh, QStringLiteral("Jean"), QStringLiteral("333"), QStringLiteral("1234567"), QString());
        child<QPushButton>(fresh, "cmd_inserisci")->click();
        QCOMPARE(run.env.prompter.texts(), QStringList{"Prefisso errato. Selezionare un prefisso corretto."});
        QCOMPARE(run.contacts(), 3);
    }
};

QTEST_MAIN(TestContactEditor)
#include "tst_contacteditor.moc"
