#include "mock/TestEnv.h"
#include "store/DatabasePassword.h"
#include "ui/AppWindows.h"
#include "ui/main/MainWindow.h"
#include "ui/options/ChangePasswordWindow.h"
#include "ui/options/OptionsWindow.h"
#include "ui/options/PasswordWindow.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace brio;
using namespace brio::test;

namespace {

template <typename T> T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("missing control %s", name);
    return c;
}

qint64 count(TestEnv &env, const char *table)
{
    return env.db().scalar(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table));
}

void addBook(TestEnv &env)
{
    const qint64 a = env.addContact(QStringLiteral("Rossi Mario"), QStringLiteral("+393331234567"));
    const qint64 b = env.addContact(QStringLiteral("Verdi Anna"), QStringLiteral("+393337654321"));
    env.addGroup(QStringLiteral("Amici"), {a, b});
    env.db().run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {a});
}

void fillChange(ChangePasswordWindow &w, const QString &typed, const QString &confirmation)
{
    child<QLineEdit>(w, "txtInserisci")->setText(typed);
    child<QLineEdit>(w, "txtConferma")->setText(confirmation);
}

} // namespace

class TestOptionsWindows final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void passwordWindowTakesThePassword()
    {
        TestEnv env;
        PasswordWindow w(*env.ctx);
        QCOMPARE(w.objectName(), QStringLiteral("frmPassword"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Password Rubrica"));
        auto *label = child<QLabel>(w, "lblPassword");
        auto *field = child<QLineEdit>(w, "txtPassword");
        QCOMPARE(label->text(), QStringLiteral("Inserire la password per accedere alla Rubrica:"));
        QCOMPARE(label->buddy(), field);
        QCOMPARE(field->echoMode(), QLineEdit::Password);
        QCOMPARE(child<QPushButton>(w, "cmOK")->text(), QStringLiteral("&OK"));
        QVERIFY(!w.findChild<QPushButton *>(QStringLiteral("cmCancel")));

        w.show();
        QTest::keyClicks(field, QStringLiteral("Chiave segreta"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(!w.isVisible());
        QCOMPARE(env.state.DBPassword, QStringLiteral("Chiave segreta"));
        QVERIFY(w.waitCursorShown());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QApplication::restoreOverrideCursor();
    }

    void passwordWindowClosedLeavesNoPassword()
    {
        TestEnv env;
        PasswordWindow w(*env.ctx);
        w.show();
        child<QLineEdit>(w, "txtPassword")->setText(QStringLiteral("scritta ma non confermata"));
        w.close();
        QCOMPARE(env.state.DBPassword, QString());
        QVERIFY(!w.waitCursorShown());
        QVERIFY(!QApplication::overrideCursor());
    }

    void appWindowsShowsThePasswordWindowModally()
    {
        TestEnv env;
        AppWindows windows(*env.ctx);
        bool modal = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != QLatin1String("frmPassword"))
                return;
            modal = true;
            child<QLineEdit>(*dialog, "txtPassword")->setText(QStringLiteral("apriti"));
            QTest::mouseClick(child<QPushButton>(*dialog, "cmOK"), Qt::LeftButton);
        });
        windows.showPasswordWindow();
        QVERIFY(modal);
        QCOMPARE(env.state.DBPassword, QStringLiteral("apriti"));
        QApplication::restoreOverrideCursor();
    }

    void mismatchEmptiesTheFields()
    {
        TestEnv env;
        ChangePasswordWindow w(*env.ctx);
        w.show();
        fillChange(w, QStringLiteral("uno"), QStringLiteral("due"));
        child<QLineEdit>(w, "txtConferma")->setFocus();
        QTest::mouseClick(child<QPushButton>(w, "cmOK"), Qt::LeftButton);
        QCOMPARE(env.prompter.texts(), QStringList{"Le password inserite non corrispondono."});
        QVERIFY(w.isVisible());
        QVERIFY(child<QLineEdit>(w, "txtInserisci")->text().isEmpty());
        QVERIFY(child<QLineEdit>(w, "txtConferma")->text().isEmpty());
        QCOMPARE(w.focusWidget(), child<QLineEdit>(w, "txtInserisci"));
        QVERIFY(isPlainDatabaseFile(env.state.databasePath()));
        QVERIFY(!QApplication::overrideCursor());
    }

    void okSetsThePasswordAndCloses()
    {
        TestEnv env;
        addBook(env);
        ChangePasswordWindow w(*env.ctx);
        w.show();
        fillChange(w, QStringLiteral("Riservata"), QStringLiteral("riservata"));
        QTest::mouseClick(child<QPushButton>(w, "cmOK"), Qt::LeftButton);
        QCOMPARE(env.prompter.texts(), QStringList{"Password abilitata."});
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(!w.isVisible());
        QVERIFY(isEncryptedDatabaseFile(env.state.databasePath()));
        QCOMPARE(env.state.DBPassword, QStringLiteral("Riservata"));
        QCOMPARE(count(env, "tab_destinatari"), 2);
        QVERIFY(!QApplication::overrideCursor());
    }

    void emptyAnsweredNoKeepsTheWindowOpen()
    {
        TestEnv env;
        ChangePasswordWindow w(*env.ctx);
        w.show();
        fillChange(w, QStringLiteral(" "), QStringLiteral(" "));
        env.prompter.answer(Answer::No);
        QTest::mouseClick(child<QPushButton>(w, "cmOK"), Qt::LeftButton);
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY(w.isVisible());
        QCOMPARE(child<QLineEdit>(w, "txtInserisci")->text(), QStringLiteral(" "));
    }

    void busyFileKeepsTheWindowOpen()
    {
        TestEnv env;
        auto other = Database::open(env.state.databasePath());
        other->exec(QStringLiteral("BEGIN; SELECT count(*) FROM tab_destinatari;"));
        ChangePasswordWindow w(*env.ctx);
        w.show();
        fillChange(w, QStringLiteral("abc"), QStringLiteral("abc"));
        QTest::mouseClick(child<QPushButton>(w, "cmOK"), Qt::LeftButton);
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY(env.prompter.last().text.contains(QStringLiteral("altro programma")));
        QVERIFY(w.isVisible());
        QVERIFY(isPlainDatabaseFile(env.state.databasePath()));
        other->exec(QStringLiteral("COMMIT"));
    }

    void optionsWindowIsOnePerParentAndNotModal()
    {
        TestEnv env;
        QWidget main;
        OptionsWindow *first = OptionsWindow::showFor(*env.ctx, &main);
        QVERIFY(first->isVisible());
        QVERIFY(!first->isModal());
        QCOMPARE(OptionsWindow::showFor(*env.ctx, &main), first);
        QTest::mouseClick(child<QPushButton>(*first, "cmdOk"), Qt::LeftButton);
        QVERIFY(!first->isVisible());
    }

    void mainWindowCommandOpensIt()
    {
        TestEnv env;
        MainWindow main(*env.ctx);
        auto *command = main.findChild<QAction *>(QStringLiteral("mnuOpzioni"));
        QVERIFY(command);
        QVERIFY(command->isEnabled());
        command->trigger();
        auto *window = main.findChild<OptionsWindow *>(QStringLiteral("frmOpzioni"));
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(!window->isModal());
    }

    void passwordButtonShowsTheChangeWindowModally()
    {
        TestEnv env;
        OptionsWindow w(*env.ctx);
        w.show();
        QString seen;
        bool modal = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            seen = dialog->objectName();
            modal = dialog->isModal();
            QTest::mouseClick(child<QPushButton>(*dialog, "cmAnnulla"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QPushButton>(w, "cmdChangePassword"), Qt::LeftButton);
        QCOMPARE(seen, QStringLiteral("frmModificaPassword"));
        QVERIFY(modal);
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void emptyingAnsweredNo_data()
    {
        QTest::addColumn<QList<Answer>>("answers");
        QTest::newRow("first question") << QList<Answer>{Answer::No};
        QTest::newRow("second question") << QList<Answer>{Answer::Yes, Answer::No};
    }

    void emptyingAnsweredNo()
    {
        QFETCH(QList<Answer>, answers);
        TestEnv env;
        addBook(env);
        for (Answer a : answers)
            env.prompter.answer(a);
        OptionsWindow w(*env.ctx);
        QTest::mouseClick(child<QPushButton>(w, "cmdSvuotaRubrica"), Qt::LeftButton);
        QCOMPARE(env.prompter.shown.size(), answers.size());
        QCOMPARE(count(env, "tab_destinatari"), 2);
        QCOMPARE(count(env, "tab_liste"), 1);
        QCOMPARE(count(env, "tab_membri"), 2);
    }

    void emptyingDeletesTheBookOnly()
    {
        TestEnv env;
        addBook(env);
        env.prompter.answer({Answer::Yes, Answer::Yes});
        OptionsWindow w(*env.ctx);
        QTest::mouseClick(child<QPushButton>(w, "cmdSvuotaRubrica"), Qt::LeftButton);
        QCOMPARE(env.prompter.texts(),
                 (QStringList{"Sei sicuro di voler cancellare la rubrica e tutti i gruppi?",
                              "Se l'operazione viene confermata la rubrica ed i gruppi saranno irreversibilmente "
                              "cancellati\nContinuare?",
                              "La rubrica e le liste sono state irreversibilmente cancellate."}));
        QCOMPARE(env.prompter.shown.at(0).icon, Icon::Question);
        QCOMPARE(env.prompter.shown.at(1).icon, Icon::Exclamation);
        QCOMPARE(env.prompter.shown.at(2).icon, Icon::Information);
        QCOMPARE(count(env, "tab_destinatari"), 0);
        QCOMPARE(count(env, "tab_liste"), 0);
        QCOMPARE(count(env, "tab_membri"), 0);
        QCOMPARE(count(env, "tab_dest_msg"), 1);
    }

    void emptyingThatFailsDeletesNothing()
    {
        TestEnv env;
        addBook(env);
        env.db().exec(QStringLiteral("CREATE TRIGGER guasto BEFORE DELETE ON tab_membri "
                                     "BEGIN SELECT RAISE(ABORT, 'disco pieno'); END"));
        env.prompter.answer({Answer::Yes, Answer::Yes});
        OptionsWindow w(*env.ctx);
        QTest::mouseClick(child<QPushButton>(w, "cmdSvuotaRubrica"), Qt::LeftButton);
        QCOMPARE(env.prompter.shown.size(), 3);
        QVERIFY(env.prompter.last().text.startsWith(QStringLiteral("Si è verificato l'errore n. ")));
        QCOMPARE(env.prompter.last().icon, Icon::Critical);
        QCOMPARE(count(env, "tab_destinatari"), 2);
        QCOMPARE(count(env, "tab_liste"), 1);
        QCOMPARE(count(env, "tab_membri"), 2);
    }
};

QTEST_MAIN(TestOptionsWindows)
#include "tst_optionswindows.moc"
