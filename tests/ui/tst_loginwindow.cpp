#include "gateway/Login.h"
#include "gateway/SandboxGateway.h"
#include "mock/FakeGateway.h"
#include "mock/TestEnv.h"
#include "ui/AppWindows.h"
#include "ui/login/LoginWindow.h"

#include <QApplication>
#include <QCheckBox>
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

QStringList savedRow(TestEnv &env)
{
    Statement st = env.db().prepare(QStringLiteral("SELECT user, password, salvato FROM tab_accesso WHERE ID = 1"));
    if (!st.next())
        return {};
    return {st.text(0), st.text(1), st.text(2)};
}

void setSavedRow(TestEnv &env, const QString &user, const QString &password, const QString &saved)
{
    env.db().run(QStringLiteral("UPDATE tab_accesso SET user = ?, password = ?, salvato = ? WHERE ID = 1"),
                 {user, password, saved});
}

// Windows of this environment get a FakeGateway that accepts user/password;
// `last` is the one made for the newest window.
struct Fakes
{
    FakeGateway *last = nullptr;
};

void useFakeGateway(TestEnv &env, Fakes &fakes, const QString &user, const QString &password)
{
    env.ctx->makeGateway = [&fakes, user, password]() -> std::unique_ptr<GatewayControl> {
        auto g = std::make_unique<FakeGateway>();
        g->acceptUser = user;
        g->acceptPassword = password;
        fakes.last = g.get();
        return g;
    };
}

void fill(LoginWindow &w, const QString &user, const QString &password, bool save)
{
    child<QLineEdit>(w, "txtUserName")->setText(user);
    child<QLineEdit>(w, "txtPassword")->setText(password);
    child<QCheckBox>(w, "chk_save")->setChecked(save);
}

void clickOk(LoginWindow &w)
{
    QTest::mouseClick(child<QPushButton>(w, "cmOK"), Qt::LeftButton);
}

} // namespace

class TestLoginWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void labelGroupAndGateway()
    {
        TestEnv env;
        LoginWindow w(*env.ctx);
        QVERIFY(w.gateway());
        QCOMPARE(w.gateway()->objectName(), QStringLiteral("BrioSMS"));

        const auto labels = w.findChildren<QLabel *>(QStringLiteral("lblLabels"));
        QCOMPARE(labels.size(), 4);
        QStringList texts(4);
        for (QLabel *l : labels)
            texts[l->property("index").toInt()] = l->text();
        QCOMPARE(texts, (QStringList{"&Nome utente:", "&Password:", "Registrati adesso!", "Non possiedi un account?"}));
        for (QLabel *l : labels) {
            const int i = l->property("index").toInt();
            if (i == 0)
                QCOMPARE(l->buddy(), child<QLineEdit>(w, "txtUserName"));
            if (i == 1)
                QCOMPARE(l->buddy(), child<QLineEdit>(w, "txtPassword"));
        }
    }

    void loadsTheSavedLogin_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("not saved") << "N" << "" << "" << false;
        QTest::newRow("saved") << "S" << "mario" << "l'amico" << true;
    }

    void loadsTheSavedLogin()
    {
        QFETCH(QString, saved);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, ticked);
        TestEnv env;
        setSavedRow(env, QStringLiteral("mario"), QStringLiteral("l'amico"), saved);
        env.state.LoggedIn = true;
        LoginWindow w(*env.ctx);
        QVERIFY(!env.state.LoggedIn);
        QCOMPARE(child<QLineEdit>(w, "txtUserName")->text(), user);
        QCOMPARE(child<QLineEdit>(w, "txtPassword")->text(), password);
        QCOMPARE(child<QCheckBox>(w, "chk_save")->isChecked(), ticked);
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void missingRowIsReported()
    {
        TestEnv env;
        env.db().run(QStringLiteral("DELETE FROM tab_accesso"));
        LoginWindow w(*env.ctx);
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY(env.prompter.last().text.startsWith(QStringLiteral("Si è verificato l'errore n. 3021")));
    }

    // Saved login against the sandbox gateway: OK without typing.
    void savedLoginLogsInWithoutTyping()
    {
        TestEnv env;
        setSavedRow(env, QStringLiteral("prova"), QStringLiteral("prova"), QStringLiteral("S"));
        LoginWindow w(*env.ctx);
        w.show();
        clickOk(w);
        QVERIFY(env.prompter.shown.isEmpty());
        QVERIFY(env.state.LoggedIn);
        QCOMPARE(env.state.LoginUser, QStringLiteral("prova"));
        QCOMPARE(env.state.LoginPassword, QStringLiteral("prova"));
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(savedRow(env), (QStringList{"prova", "prova", "S"}));
        QCOMPARE(w.windowTitle(), QStringLiteral("Login"));
        QVERIFY(!QApplication::overrideCursor());
    }

    void unsavedLoginForgetsTheRow()
    {
        TestEnv env;
        setSavedRow(env, QStringLiteral("vecchio"), QStringLiteral("vecchia"), QStringLiteral("S"));
        Fakes fakes;
        useFakeGateway(env, fakes, QStringLiteral("anna"), QStringLiteral("segreta"));
        {
            LoginWindow w(*env.ctx);
            fill(w, QStringLiteral("anna"), QStringLiteral("segreta"), false);
            clickOk(w);
            QVERIFY(env.state.LoggedIn);
            QCOMPARE(fakes.last->calls, (QStringList{"UserName=anna", "Password", "GetCredit"}));
            QCOMPARE(fakes.last->password, QStringLiteral("segreta"));
        }
        QCOMPARE(savedRow(env), (QStringList{" ", " ", "N"}));
        LoginWindow again(*env.ctx);
        QCOMPARE(child<QLineEdit>(again, "txtUserName")->text(), QString());
        QVERIFY(!child<QCheckBox>(again, "chk_save")->isChecked());
    }

    void apostropheIsSavedAndRestored()
    {
        TestEnv env;
        const QString user = QStringLiteral("d'angelo");
        const QString password = QStringLiteral("l'ultima' OR '1'='1");
        Fakes fakes;
        useFakeGateway(env, fakes, user, password);
        {
            LoginWindow w(*env.ctx);
            fill(w, user, password, true);
            clickOk(w);
            QVERIFY(env.state.LoggedIn);
        }
        QCOMPARE(savedRow(env), (QStringList{user, password, "S"}));
        LoginWindow again(*env.ctx);
        QCOMPARE(child<QLineEdit>(again, "txtUserName")->text(), user);
        QCOMPARE(child<QLineEdit>(again, "txtPassword")->text(), password);
        QVERIFY(child<QCheckBox>(again, "chk_save")->isChecked());
    }

    void wrongCredentials()
    {
        TestEnv env;
        setSavedRow(env, QStringLiteral("prova"), QStringLiteral("prova"), QStringLiteral("S"));
        LoginWindow w(*env.ctx);
        w.show();
        fill(w, QStringLiteral("prova"), QStringLiteral("sbagliata"), true);
        clickOk(w);
        QCOMPARE(env.prompter.texts(), QStringList{"Impossibile accedere. Controllare Username e Password e riprovare."});
        QCOMPARE(env.prompter.last().icon, Icon::Critical);
        QVERIFY(!env.state.LoggedIn);
        QCOMPARE(env.state.LoginUser, QStringLiteral("prova"));
        QCOMPARE(env.state.LoginPassword, QStringLiteral("sbagliata"));
        QVERIFY(child<QLineEdit>(w, "txtUserName")->text().isEmpty());
        QVERIFY(child<QLineEdit>(w, "txtPassword")->text().isEmpty());
        QCOMPARE(w.focusWidget(), child<QLineEdit>(w, "txtUserName"));
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("Login"));
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(savedRow(env), (QStringList{"prova", "prova", "S"}));
    }

    void gatewayUnreachableIsReported()
    {
        TestEnv env;
        const QString nowhere = env.path(QStringLiteral("manca/Sandbox.db"));
        env.ctx->makeGateway = [nowhere]() -> std::unique_ptr<GatewayControl> {
            return std::make_unique<SandboxGateway>(nowhere);
        };
        LoginWindow w(*env.ctx);
        w.show();
        fill(w, QStringLiteral("prova"), QStringLiteral("prova"), true);
        clickOk(w);
        QCOMPARE(env.prompter.texts(), QStringList{"La connessione ad Internet non è attiva. Connettersi e riprovare."});
        QVERIFY(!env.state.LoggedIn);
        QCOMPARE(child<QLineEdit>(w, "txtPassword")->text(), QStringLiteral("prova"));
        QVERIFY(w.isVisible());
        QCOMPARE(savedRow(env), (QStringList{" ", " ", "N"}));
        QVERIFY(!QApplication::overrideCursor());
    }

    void missingFields_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no user, password given") << "" << "segreta" << "Inserire il nome utente." << "txtUserName";
        QTest::newRow("nothing") << "" << "" << "Inserire il nome utente." << "txtUserName";
        QTest::newRow("no password") << "anna" << "" << "Inserire la password." << "txtPassword";
    }

    void missingFields()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, text);
        QFETCH(QString, focus);
        TestEnv env;
        Fakes fakes;
        useFakeGateway(env, fakes, QStringLiteral("anna"), QStringLiteral("segreta"));
        env.state.LoginUser = QStringLiteral("prima");
        LoginWindow w(*env.ctx);
        w.show();
        fill(w, user, password, true);
        clickOk(w);
        QCOMPARE(env.prompter.texts(), QStringList{text});
        QCOMPARE(env.prompter.last().icon, Icon::Exclamation);
        QCOMPARE(w.focusWidget()->objectName(), focus);
        QVERIFY(fakes.last->calls.isEmpty());
        QCOMPARE(env.state.LoginUser, QStringLiteral("prima"));
        QVERIFY(w.isVisible());
    }

    void cancelChangesNothing()
    {
        TestEnv env;
        env.state.LoginUser = QStringLiteral("prima");
        env.state.LoggedIn = true;
        LoginWindow w(*env.ctx);
        w.show();
        fill(w, QStringLiteral("prova"), QStringLiteral("prova"), true);
        QTest::mouseClick(child<QPushButton>(w, "cmCancel"), Qt::LeftButton);
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(!env.state.LoggedIn);
        QCOMPARE(env.state.LoginUser, QStringLiteral("prima"));
        QCOMPARE(savedRow(env), (QStringList{" ", " ", "N"}));
    }

    // Any of the four labels opens the registration page.
    void labelsOpenTheRegistrationPage()
    {
        TestEnv env;
        env.settings->set(Key::RegistrationURL, QStringLiteral("https://esempio.test/btp_redirect_brio.php"));
        LoginWindow w(*env.ctx);
        w.show();
        const auto labels = w.findChildren<QLabel *>(QStringLiteral("lblLabels"));
        for (QLabel *l : labels)
            QTest::mouseClick(l, Qt::LeftButton);
        const QString page = QStringLiteral("https://esempio.test/btp_redirect_brio.php?btpcode=%52%38%54%4B%33%4C%57%35%5A%42");
        QCOMPARE(env.shell.opened, QStringList(4, page));
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void appWindowsShowsItModally()
    {
        TestEnv env;
        AppWindows windows(*env.ctx);
        bool modal = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != QLatin1String("frmLogin"))
                return;
            modal = true;
            child<QLineEdit>(*dialog, "txtUserName")->setText(QStringLiteral("prova"));
            child<QLineEdit>(*dialog, "txtPassword")->setText(QStringLiteral("prova"));
            QTest::mouseClick(child<QPushButton>(*dialog, "cmOK"), Qt::LeftButton);
        });
        windows.showLoginWindow();
        QVERIFY(modal);
        QVERIFY(env.state.LoggedIn);
        QCOMPARE(env.state.LoginUser, QStringLiteral("prova"));
    }
};

QTEST_MAIN(TestLoginWindow)
#include "tst_loginwindow.moc"
