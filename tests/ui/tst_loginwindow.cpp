#include "gateway/GatewayFactory.h"
#include "gateway/SandboxGateway.h"
#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "refserver/JsonGateway.h"
#include "refserver/ReferenceServer.h"
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

const QStringList kNotSaved{" ", " ", "N"};

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

QString userField(const QWidget &w) { return child<QLineEdit>(w, "txtUserName")->text(); }
QString passwordField(const QWidget &w) { return child<QLineEdit>(w, "txtPassword")->text(); }

void submit(LoginWindow &w, const QString &user, const QString &password, bool save, const char *button = "cmOK")
{
    child<QLineEdit>(w, "txtUserName")->setText(user);
    child<QLineEdit>(w, "txtPassword")->setText(password);
    child<QCheckBox>(w, "chk_save")->setChecked(save);
    QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
}

} // namespace

class TestLoginWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The four labels share one name and tell themselves apart by index;
    // any of them opens the registration page.
    void labelsOpenTheRegistrationPage()
    {
        TestEnv env;
        env.settings->set(Key::RegistrationURL, QStringLiteral("https://esempio.test/btp_redirect_brio.php"));
        LoginWindow w(*env.ctx);
        w.show();
        QCOMPARE(w.gateway()->objectName(), QStringLiteral("BrioSMS"));
        QList<QLabel *> labels(4);
        QStringList texts(4);
        for (QLabel *l : w.findChildren<QLabel *>(QStringLiteral("lblLabels"))) {
            labels[l->property("index").toInt()] = l;
            texts[l->property("index").toInt()] = l->text();
            QTest::mouseClick(l, Qt::LeftButton);
        }
        QCOMPARE(texts, (QStringList{"&Nome utente:", "&Password:", "Registrati adesso!", "Non possiedi un account?"}));
        QCOMPARE(labels[0]->buddy(), child<QLineEdit>(w, "txtUserName"));
        QCOMPARE(labels[1]->buddy(), child<QLineEdit>(w, "txtPassword"));
        const QString page = QStringLiteral("https://esempio.test/btp_redirect_brio.php?btpcode=%52%38%54%4B%33%4C%57%35%5A%42");
        QCOMPARE(env.shell.opened, QStringList(4, page));
        QVERIFY(env.prompter.shown.isEmpty());
    }

    // The window shows the login saved with "S" only, logs in with what is
    // in its fields, and saves or forgets it as asked.
    void accepted_data()
    {
        QTest::addColumn<QString>("saved"); // the flag of the saved login prova/prova
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("save");
        QTest::newRow("saved, OK as shown") << "S" << "prova" << "prova" << true;
        QTest::newRow("not saved") << "N" << "anna" << "segreta" << false;
        QTest::newRow("apostrophes saved") << "S" << "d'angelo" << "l'ultima' OR '1'='1" << true;
    }

    void accepted()
    {
        QFETCH(QString, saved);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, save);
        TestEnv env;
        setSavedRow(env, QStringLiteral("prova"), QStringLiteral("prova"), saved);
        env.useFakeGateway(user, password);
        env.session.logIn();
        {
            LoginWindow w(*env.ctx);
            QVERIFY(!env.session.loggedIn());
            const bool shown = saved == QLatin1String("S");
            QCOMPARE(userField(w) + passwordField(w), shown ? QStringLiteral("provaprova") : QString());
            QCOMPARE(child<QCheckBox>(w, "chk_save")->isChecked(), shown);
            w.show();
            submit(w, user, password, save);
            QVERIFY(env.prompter.shown.isEmpty());
            QVERIFY(env.session.loggedIn());
            QCOMPARE(w.result(), int(QDialog::Accepted));
            QCOMPARE(env.gateway->calls, (QStringList{"UserName=" + user, "Password", "GetCredit"}));
            QCOMPARE(env.gateway->password, password);
        }
        QCOMPARE(savedRow(env), (save ? QStringList{user, password, "S"} : kNotSaved));
        LoginWindow again(*env.ctx);
        QCOMPARE(userField(again) + passwordField(again), save ? user + password : QString());
        QCOMPARE(child<QCheckBox>(again, "chk_save")->isChecked(), save);
    }

    void missingRowIsReported()
    {
        TestEnv env;
        env.db().run(QStringLiteral("DELETE FROM tab_accesso"));
        LoginWindow w(*env.ctx);
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY(env.prompter.last().text.startsWith(QStringLiteral("Si è verificato l'errore n. 3021")));
    }

    // A login through the JSON gateway carries the application code, and the
    // window stays alive while the gateway answers, deaf to the user.
    void logsInThroughTheJsonGateway()
    {
        TestEnv env;
        JsonGateway gateway;
        ReferenceServer server;
        gateway.install(server);
        gateway.addAccount(QStringLiteral("mario"), QStringLiteral("segreto"), 7);
        gateway.faultAfter(JsonGateway::Call::Credit, Fault::Slow); // half a second
        env.ctx->makeGateway = makeGatewayFactory(gateway.url(server), env.dataFolder(), *env.settings);
        LoginWindow w(*env.ctx);
        w.show();

        bool ranDuringTheCall = false;
        bool waitPointer = false;
        QTimer::singleShot(100, &w, [&] {
            ranDuringTheCall = gateway.calls(JsonGateway::Call::Credit) == 1 && !env.session.loggedIn();
            waitPointer = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            QTest::keyClick(&w, Qt::Key_Escape); // dropped, not kept for later
        });
        submit(w, QStringLiteral("mario"), QStringLiteral("segreto"), false);
        QVERIFY(env.prompter.shown.isEmpty());
        QVERIFY(env.session.loggedIn());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(ranDuringTheCall);
        QVERIFY(waitPointer);
        QCoreApplication::processEvents();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(!QApplication::overrideCursor());
    }

    // A refused login logs nobody in and leaves the saved login as it was;
    // the message says why and the focus goes where to correct.
    void refused_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("text"); // "%1": one naming the missing sandbox file
        QTest::addColumn<Icon>("icon");
        QTest::addColumn<QString>("focus"); // empty: not checked
        QTest::addColumn<QString>("left"); // user and password fields afterwards
        QTest::newRow("wrong password") << "prova" << "sbagliata"
                                        << "Impossibile accedere. Controllare Username e Password e riprovare."
                                        << Icon::Critical << "txtUserName" << "";
        // The sandbox's file is no network: the message names it.
        QTest::newRow("gateway unreachable") << "anna" << "segreta" << "%1" << Icon::Critical << ""
                                             << "annasegreta";
        QTest::newRow("no user, password given") << "" << "segreta" << "Inserire il nome utente." << Icon::Exclamation
                                                 << "txtUserName" << "segreta";
        QTest::newRow("nothing") << "" << "" << "Inserire il nome utente." << Icon::Exclamation << "txtUserName" << "";
        QTest::newRow("no password") << "anna" << "" << "Inserire la password." << Icon::Exclamation << "txtPassword"
                                     << "anna";
    }

    void refused()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, text);
        QFETCH(Icon, icon);
        QFETCH(QString, focus);
        QFETCH(QString, left);
        TestEnv env;
        setSavedRow(env, QStringLiteral("prova"), QStringLiteral("prova"), QStringLiteral("S"));
        env.session.setAccount(QStringLiteral("prima"), QString());
        env.useFakeGateway();
        const QString nowhere = env.path(QStringLiteral("manca/Sandbox.db"));
        if (text == QLatin1String("%1")) {
            env.ctx->makeGateway = [nowhere]() -> std::unique_ptr<GatewayControl> {
                return std::make_unique<SandboxGateway>(nowhere);
            };
        }
        LoginWindow w(*env.ctx);
        w.show();
        submit(w, user, password, true);
        QCOMPARE(env.prompter.texts().size(), 1);
        const QString shown = env.prompter.last().text;
        QVERIFY2(text == QLatin1String("%1") ? shown.contains(nowhere) : shown == text, qPrintable(shown));
        QCOMPARE(env.prompter.last().icon, icon);
        QVERIFY(!env.session.loggedIn());
        // What was typed is tried only when both were given.
        const bool tried = !user.isEmpty() && !password.isEmpty();
        QCOMPARE(env.session.account().user + env.session.account().password,
                 tried ? user + password : QStringLiteral("prima"));
        QVERIFY(tried || env.gateway->calls.isEmpty());
        QCOMPARE(userField(w) + passwordField(w), left);
        if (!focus.isEmpty())
            QCOMPARE(w.focusWidget()->objectName(), focus);
        QVERIFY(w.isVisible());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(savedRow(env), (QStringList{"prova", "prova", "S"}));
    }

    void cancelChangesNothing()
    {
        TestEnv env;
        env.session.setAccount(QStringLiteral("prima"), QString());
        env.session.logIn();
        LoginWindow w(*env.ctx);
        w.show();
        submit(w, QStringLiteral("prova"), QStringLiteral("prova"), true, "cmCancel");
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(!env.session.loggedIn());
        QCOMPARE(env.session.account().user, QStringLiteral("prima"));
        QCOMPARE(savedRow(env), kNotSaved);
    }
};

QTEST_MAIN(TestLoginWindow)
#include "tst_loginwindow.moc"
