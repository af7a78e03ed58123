#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "app/BookDialogues.h"
#include "ui/AppWindows.h"
#include "ui/main/MainWindow.h"
#include "ui/options/ChangePasswordWindow.h"
#include "ui/options/OptionsWindow.h"
#include "ui/options/PasswordWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

// Contacts, groups and members: what emptying the address book deletes.
QList<qint64> bookRows(TestEnv &env)
{
    QList<qint64> out;
    for (const char *table : {"tab_destinatari", "tab_liste", "tab_membri"})
        out << env.db().scalar(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table));
    return out;
}

const QList<qint64> kFullBook{2, 1, 2};

void addBook(TestEnv &env)
{
    const qint64 a = env.addContact(QStringLiteral("Rossi Mario"), QStringLiteral("+393331234567"));
    const qint64 b = env.addContact(QStringLiteral("Verdi Anna"), QStringLiteral("+393337654321"));
    env.addGroup(QStringLiteral("Amici"), {a, b});
    env.db().run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {a});
}

} // namespace

class TestOptionsWindows final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Closed, the password window leaves no password; shown modally, it
    // takes the password typed.
    void passwordWindow()
    {
        TestEnv env;
        {
            PasswordWindow w(*env.ctx);
            w.show();
            child<QLineEdit>(w, "txtPassword")->setText(QStringLiteral("scritta ma non confermata"));
            w.close();
            QCOMPARE(env.state.book.password(), QString());
            QVERIFY(!w.waitCursorShown());
            QVERIFY(!QApplication::overrideCursor());
        }

        AppWindows windows(*env.ctx);
        bool hidden = false;
        bool accepted = false;
        whenModalOpens("frmPassword", [&](QWidget &dialog) {
            auto *field = child<QLineEdit>(dialog, "txtPassword");
            hidden = field->echoMode() == QLineEdit::Password
                  && child<QLabel>(dialog, "lblPassword")->buddy() == field;
            QTest::keyClicks(field, QStringLiteral("Chiave segreta"));
            QTest::keyClick(field, Qt::Key_Return);
            accepted = !dialog.isVisible();
            dialog.close(); // never left hanging when Return did nothing
        });
        windows.showPasswordWindow();
        QVERIFY(hidden);
        QVERIFY(accepted);
        QCOMPARE(env.state.book.password(), QStringLiteral("Chiave segreta"));
        // Opening the database may take long: the wait pointer stays on.
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QApplication::restoreOverrideCursor();
    }

    void changePassword_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<bool>("busy");   // another program holds the file
        QTest::addColumn<QString>("shown"); // the message (a part of it when busy)
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("kept"); // txtInserisci afterwards
        QTest::newRow("mismatch") << "uno" << "due" << false << "Le password inserite non corrispondono." << false << "";
        QTest::newRow("confirmation in other case") << "Riservata" << "riservata" << false << "Password abilitata."
                                                    << true << "";
        QTest::newRow("spaces answered No") << " " << " " << false
                                            << "Non avendo inserito dati, la password verrà disabilitata e chiunque "
                                               "potrà accedere alla rubrica. Proseguire?"
                                            << false << " ";
        QTest::newRow("file busy") << "abc" << "abc" << true << "altro programma" << false << "abc";
    }

    void changePassword()
    {
        QFETCH(QString, typed);
        QFETCH(QString, confirmation);
        QFETCH(bool, busy);
        QFETCH(QString, shown);
        QFETCH(bool, closes);
        QFETCH(QString, kept);
        TestEnv env;
        std::unique_ptr<Database> other;
        if (busy) {
            other = Database::open(env.state.book.path());
            other->exec(QStringLiteral("BEGIN; SELECT count(*) FROM tab_destinatari;"));
        }
        if (typed.trimmed().isEmpty())
            env.prompter.answer(Answer::No);
        ChangePasswordWindow w(*env.ctx);
        w.show();
        child<QLineEdit>(w, "txtInserisci")->setText(typed);
        child<QLineEdit>(w, "txtConferma")->setText(confirmation);
        child<QLineEdit>(w, "txtConferma")->setFocus();
        QTest::mouseClick(child<QPushButton>(w, "cmOK"), Qt::LeftButton);

        QCOMPARE(env.prompter.shown.size(), 1);
        if (busy)
            QVERIFY2(env.prompter.last().text.contains(shown), qPrintable(env.prompter.last().text));
        else
            QCOMPARE(env.prompter.last().text, shown);
        QCOMPARE(w.isVisible(), !closes);
        QCOMPARE(isEncryptedDatabaseFile(env.state.book.path()), closes);
        QCOMPARE(env.state.book.password(), closes ? typed : QString());
        QVERIFY(!QApplication::overrideCursor());
        if (!closes)
            QCOMPARE(child<QLineEdit>(w, "txtInserisci")->text(), kept);
        if (!closes && kept.isEmpty()) {
            QCOMPARE(child<QLineEdit>(w, "txtConferma")->text(), QString());
            QCOMPARE(w.focusWidget(), child<QLineEdit>(w, "txtInserisci"));
        }
        if (other)
            other->exec(QStringLiteral("COMMIT"));
    }

    // One modeless options window for the main window; its password button
    // opens the change window modally; TLS is on for a host away from this
    // machine, and turning it off warns; the language chosen is kept.
    void optionsWindow()
    {
        TestEnv env;
        MainWindow main(*env.ctx);
        env.settings->set(Key::ServerHost, QStringLiteral("sms.example.com"));
        auto *command = child<QAction>(main, "mnuOpzioni");
        command->trigger();
        command->trigger();
        const auto windows = main.findChildren<OptionsWindow *>(QStringLiteral("frmOpzioni"));
        QCOMPARE(windows.size(), 1);
        OptionsWindow &w = *windows[0];
        QVERIFY(w.isVisible());
        QVERIFY(!w.isModal());

        bool shown = false;
        whenModalOpens("frmModificaPassword", [&](QWidget &dialog) {
            shown = true;
            QTest::mouseClick(child<QPushButton>(dialog, "cmAnnulla"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QPushButton>(w, "cmdChangePassword"), Qt::LeftButton);
        QVERIFY(shown);
        QVERIFY(env.prompter.shown.isEmpty());

        auto *tls = child<QCheckBox>(w, "chk_tls");
        auto *warning = child<QLabel>(w, "lblTlsWarning");
        QVERIFY(tls->isChecked());
        QVERIFY(!warning->isVisibleTo(&w));
        tls->click();
        QCOMPARE(env.settings->text(Key::ServerTLS), QStringLiteral("0"));
        QVERIFY(warning->isVisibleTo(&w));
        QTest::mouseClick(child<QPushButton>(w, "cmdOk"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        OptionsWindow again(*env.ctx);
        QVERIFY(!child<QCheckBox>(again, "chk_tls")->isChecked());
        QVERIFY(child<QLabel>(again, "lblTlsWarning")->isVisibleTo(&again));

        // The language chosen is the one the next start takes; "as the
        // desktop" leaves the setting out.
        auto *language = child<QComboBox>(again, "cb_lingua");
        QCOMPARE(language->currentIndex(), 0);
        language->setCurrentIndex(2);
        QCOMPARE(env.settings->text(Key::Language), QStringLiteral("en"));
        language->setCurrentIndex(1);
        QCOMPARE(env.settings->text(Key::Language), QStringLiteral("it"));
        OptionsWindow third(*env.ctx);
        QCOMPARE(child<QComboBox>(third, "cb_lingua")->currentIndex(), 1);
        child<QComboBox>(third, "cb_lingua")->setCurrentIndex(0);
        QVERIFY(!env.settings->contains(Key::Language));
    }

    void emptyingTheBook_data()
    {
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<bool>("failing");
        QTest::addColumn<QString>("closing"); // the start of the third message
        QTest::addColumn<Icon>("icon");
        QTest::addColumn<QList<qint64>>("left");
        QTest::newRow("No at the first question") << QList<Answer>{Answer::No} << false << "" << Icon::None << kFullBook;
        QTest::newRow("No at the second question")
            << QList<Answer>{Answer::Yes, Answer::No} << false << "" << Icon::None << kFullBook;
        QTest::newRow("confirmed") << QList<Answer>{Answer::Yes, Answer::Yes} << false
                                   << "La rubrica e le liste sono state irreversibilmente cancellate." << Icon::Information
                                   << QList<qint64>{0, 0, 0};
        QTest::newRow("failing half way") << QList<Answer>{Answer::Yes, Answer::Yes} << true
                                          << "Si è verificato l'errore n. " << Icon::Critical << kFullBook;
    }

    void emptyingTheBook()
    {
        QFETCH(QList<Answer>, answers);
        QFETCH(bool, failing);
        QFETCH(QString, closing);
        QFETCH(Icon, icon);
        QFETCH(QList<qint64>, left);
        TestEnv env;
        addBook(env);
        if (failing)
            env.db().exec(QStringLiteral("CREATE TRIGGER guasto BEFORE DELETE ON tab_membri "
                                         "BEGIN SELECT RAISE(ABORT, 'disco pieno'); END"));
        for (Answer a : answers)
            env.prompter.answer(a);
        OptionsWindow w(*env.ctx);
        QTest::mouseClick(child<QPushButton>(w, "cmdSvuotaRubrica"), Qt::LeftButton);

        const QStringList questions{"Sei sicuro di voler cancellare la rubrica e tutti i gruppi?",
                                    "Se l'operazione viene confermata la rubrica ed i gruppi saranno irreversibilmente "
                                    "cancellati\nContinuare?"};
        const QStringList texts = env.prompter.texts();
        QCOMPARE(texts.size(), closing.isEmpty() ? answers.size() : 3);
        QCOMPARE(texts.mid(0, 2), questions.mid(0, answers.size()));
        QCOMPARE(env.prompter.shown.at(0).icon, Icon::Question);
        if (answers.size() > 1)
            QCOMPARE(env.prompter.shown.at(1).icon, Icon::Exclamation);
        if (!closing.isEmpty()) {
            QVERIFY(texts.last().startsWith(closing));
            QCOMPARE(env.prompter.last().icon, icon);
        }
        QCOMPARE(bookRows(env), left);
        // The message being written is not part of the address book.
        QCOMPARE(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_dest_msg")), 1);
    }
};

QTEST_MAIN(TestOptionsWindows)
#include "tst_optionswindows.moc"
