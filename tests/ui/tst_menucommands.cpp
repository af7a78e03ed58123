#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "mock/WindowRun.h"
#include "ui/QtServices.h"
#include "gateway/GatewaySession.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace brio;
using namespace brio::test;

namespace {

const QString kAccount = QStringLiteral("https://conto.example/login.php");
const QString kBuy = QStringLiteral("https://conto.example/acquisto.php");
const QString kDemo = QStringLiteral("L'account dell'utente prova è dimostrativo.\nPer modificare il numero di mittente "
                                     "degli SMS è necessario \naver acquistato almeno un pacchetto di messaggi SMS.");

struct Run : WindowRun
{
    Run()
        : WindowRun(Later)
    {
        env.state.brand.loginLinkUrl = kAccount;
        env.state.brand.buyLinkUrl = kBuy;
        // The brand is stored already and no host is asked: the server checks
        // run without a login window or a request.
        env.settings->set(Key::Branded, 1);
        open(false);
    }

    void loggedIn(const QString &user = QStringLiteral("prova"), const QString &password = QStringLiteral("prova"))
    {
        env.session.setAccount(user, password);
        env.session.logIn();
    }
};

} // namespace

class TestMenuCommands final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accountPages_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("login"); // 0 logged in already, 1 logs in now, 2 cancels, 3 a demo account logs in now
        QTest::addColumn<QString>("opened");
        const QString account = kAccount + QStringLiteral("?user=prova&password=prova&view_mode=");
        const QString buy = kBuy + QStringLiteral("?user=prova&password=prova");
        QTest::newRow("Inviati after the login") << "mnuInviati" << 1 << account + '1';
        QTest::newRow("Inviati, login cancelled") << "mnuInviati" << 2 << QString();
        QTest::newRow("Password = Inviati") << "mnuPassword" << 0 << account + '1';
        QTest::newRow("Differiti") << "mnuDifferiti" << 0 << account + '2';
        QTest::newRow("Errori") << "mnuErrori" << 1 << account + '3';
        QTest::newRow("Acquista SMS") << "mnuAcquistaSMS" << 0 << buy;
        QTest::newRow("Listino = Acquista") << "mnuListino" << 0 << buy;
        QTest::newRow("Listino, login cancelled") << "mnuListino" << 2 << QString();
        QTest::newRow("Numero Mittente, logged in") << "mnuMittente" << 0 << account + '1';
        QTest::newRow("Numero Mittente after the login") << "mnuMittente" << 1 << account + '1';
        QTest::newRow("Numero Mittente, login cancelled") << "mnuMittente" << 2 << QString();
        // A demo account learns at its login why it cannot change the sender.
        QTest::newRow("Numero Mittente, demo account") << "mnuMittente" << 3 << buy;
        QTest::newRow("Login") << "mnuLogin" << 1 << QString();
        QTest::newRow("Login cancelled") << "mnuLogin" << 2 << QString();
    }

    void accountPages()
    {
        QFETCH(QString, command);
        QFETCH(int, login);
        QFETCH(QString, opened);
        Run run;
        if (login == 0)
            run.loggedIn();
        else if (login != 2)
            run.env.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));
        run.env.gateway->demo = login == 3;
        run.command(command.toLatin1().constData());

        QCOMPARE(run.env.windows.loginShown, login == 0 ? 0 : 1);
        QCOMPARE(run.env.shell.opened, opened.isEmpty() ? QStringList() : QStringList{opened});
        QCOMPARE(run.env.prompter.texts(), login == 3 ? QStringList{kDemo} : QStringList());
        if (login == 3) {
            QCOMPARE(run.env.prompter.last().icon, Icon::Information);
            // Once logged in, the command goes straight to the account page.
            run.command(command.toLatin1().constData());
            QCOMPARE(run.env.shell.opened.last(), kAccount + QStringLiteral("?user=prova&password=prova&view_mode=1"));
            QCOMPARE(run.env.prompter.shown.size(), 1);
            QCOMPARE(run.env.windows.loginShown, 1);
        }
        // The status bar and the menu follow every login.
        QCOMPARE(run.panel(3), login == 2 ? QStringLiteral("Utente: ") : QStringLiteral("Utente: prova"));
        QCOMPARE(run.get<QAction>("mnuLogin")->text(), login == 2 ? QStringLiteral("&Login") : QStringLiteral("Altro &Utente"));
        if (command != QLatin1String("mnuLogin") || login != 1)
            return;
        // Another account begun and left: nothing of the last one stays shown.
        run.env.windows.cancelLogin();
        run.command("mnuLogin");
        QCOMPARE(run.panel(2), QString());
        QCOMPARE(run.panel(3), QStringLiteral("Utente: "));
        QCOMPARE(run.get<QAction>("mnuLogin")->text(), QStringLiteral("&Login"));
    }

    // Blanks, '&' and '#' in the account cannot break the address. With no
    // browser the address is shown for copying by hand, but never the
    // password in it, however it is spelled.
    void accountIsPercentEncodedAndItsPasswordNeverShown()
    {
        Run run;
        run.loggedIn(QStringLiteral("Mario Rossi&C"), QStringLiteral("a&b #1"));
        run.env.gateway->acceptUser = run.env.session.account().user;
        run.env.gateway->acceptPassword = run.env.session.account().password;
        run.command("mnuDifferiti");
        QCOMPARE(run.env.shell.opened,
                 QStringList{kAccount + QStringLiteral("?user=Mario%20Rossi%26C&password=a%26b%20%231&view_mode=2")});
        run.env.shell.browserAvailable = false;
        run.command("mnuDifferiti");
        QCOMPARE(run.env.prompter.texts(),
                 QStringList{QStringLiteral("Impossibile aprire il browser. Aprire a mano questo indirizzo, scrivendo la "
                                            "propria password al posto degli asterischi:\n")
                             + kAccount + QStringLiteral("?user=Mario%20Rossi%26C&password=********&view_mode=2")});
        for (const QString &spelled : {QStringLiteral("a&b #1"), QStringLiteral("a%26b%20%231"), QStringLiteral("a&b%20")})
            QVERIFY(!run.env.prompter.last().text.contains(spelled));
    }

    // The browser gets an account page through a file only the user can
    // read: the password never stands on a command line.
    void accountPageGoesThroughAPrivatePage()
    {
        QTemporaryDir folder;
        const QUrl target(kAccount + QStringLiteral("?user=prova&password=a%26b%22%3C&view_mode=2"));
        const QString page = forwardingPage(folder.path(), target);
        QVERIFY(!page.isEmpty());
        QVERIFY(!page.contains(QLatin1String("password")));
        QCOMPARE(QFile::permissions(page) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile f(page);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        QVERIFY(html.contains(QStringLiteral("url=") + target.toString(QUrl::FullyEncoded).toHtmlEscaped() + '"'));
    }

    // A gateway refusal is reported and ends the check (no credit, no
    // checks); a cancelled login asks nothing; then the credit is shown.
    void creditCheck()
    {
        Run run;
        run.loggedIn(QStringLiteral("prova"), QStringLiteral("sbagliata"));
        run.command("mnuStrumentiVerificaCredito");
        QCOMPARE(run.env.prompter.texts(), QStringList{QStringLiteral("UserName o Password inserita errata. Riprovare.")});
        QCOMPARE(run.env.prompter.last().icon, Icon::Critical);
        QVERIFY(!run.env.session.serverChecksDone());

        run.env.prompter.clear();
        run.env.session.setAccount(run.env.session.account().user, QString());
        run.env.windows.cancelLogin();
        run.command("mnuStrumentiVerificaCredito");
        QVERIFY(run.env.prompter.shown.isEmpty());

        run.env.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));
        run.env.gateway->credit = 42;
        run.env.gateway->calls.clear();
        QSignalSpy heard(&run.env.session, &GatewaySession::creditChanged);
        run.command("mnuStrumentiVerificaCredito");
        QCOMPARE(run.env.prompter.texts(), QStringList{QStringLiteral("Il tuo credito residuo è di: 42 SMS.")});
        QCOMPARE(run.env.prompter.last().icon, Icon::Information);
        // The box and the status bar show one answer of the gateway.
        QCOMPARE(run.panel(2), QStringLiteral("Credito residuo: 42 SMS"));
        QCOMPARE(run.env.gateway->calls.count(QStringLiteral("GetCredit")), 1);
        QCOMPARE(heard.count(), 1);
        QVERIFY(run.env.session.serverChecksDone());

        // A main window opened again is logged in and hears the credit; the
        // closed one is no longer told.
        run.open(false);
        run.env.prompter.clear();
        run.env.gateway->credit = 41;
        run.command("mnuStrumentiVerificaCredito");
        QCOMPARE(run.env.windows.loginShown, 2);
        QCOMPARE(run.panel(2), QStringLiteral("Credito residuo: 41 SMS"));
        QCOMPARE(run.panel(3), QStringLiteral("Utente: prova"));

        // A gateway that does not report credit: no figure anywhere.
        run.env.prompter.clear();
        run.env.gateway->credit = GatewayControl::kUnknownCredit;
        run.command("mnuStrumentiVerificaCredito");
        QCOMPARE(run.env.prompter.texts(),
                 QStringList{QStringLiteral("Il credito residuo non è disponibile: il gateway non lo comunica.")});
        QCOMPARE(run.panel(2), QStringLiteral("Credito residuo: —"));
    }

    void shortcuts()
    {
        Run run;
        MainWindow &w = *run.main;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));

        run.env.prompter.answer(Answer::No);
        QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(run.env.prompter.texts(),
                 QStringList{QStringLiteral("Desideri annullare il messaggio corrente e prepararne uno nuovo?")});
        QTest::keyClick(&w, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(run.env.prompter.texts().last(), QStringLiteral("Nessun destinatario inserito."));
    }
};

QTEST_MAIN(TestMenuCommands)
#include "tst_menucommands.moc"
