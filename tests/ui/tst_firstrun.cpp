// A new user's first run on the embedded defaults, through the real windows:
// new data folder, empty settings, no gateway host, the sandbox gateway.
#include "app/DataFolder.h"
#include "app/Startup.h"
#include "gateway/GatewayFactory.h"
#include "gateway/GatewaySession.h"
#include "gateway/SandboxGateway.h"
#include "mock/FakeServices.h"
#include "mock/Widgets.h"
#include "ui/AppWindows.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace brio;
using namespace brio::test;

namespace {

// Plays the user at every login window shown: logs in the first time,
// cancels any later one (a new user should not be asked twice).
QTimer *answerLoginWindows(const QString &user, const QString &password, int *shown)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != QLatin1String("frmLogin") || modal->property("answered").toBool())
            return;
        modal->setProperty("answered", true);
        if (++*shown > 1) {
            modal->findChild<QPushButton *>(QStringLiteral("cmCancel"))->click();
            return;
        }
        modal->findChild<QLineEdit *>(QStringLiteral("txtUserName"))->setText(user);
        modal->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(password);
        modal->findChild<QPushButton *>(QStringLiteral("cmOK"))->click();
    });
    timer->start(10);
    return timer;
}

} // namespace

class TestFirstRun final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newUserSendsOneMessageOffline()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("BrioSMS"));
        Settings settings(dir.filePath(QStringLiteral("Brio2.ini")));
        AppState state;
        state.setDataFolder(folder);
        FakePrompter prompter;
        FakeShell shell;
        SystemClock clock;
        Context ctx{state, settings, prompter, shell, clock, {}};
        QVERIFY(provisionDataFolder(folder));
        ctx.makeGateway = makeGatewayFactory(settings.text(Key::GatewayURL), folder, settings);
        GatewaySession session;
        session.attach(ctx);
        AppWindows windows(ctx);
        ctx.windowsImpl = &windows;

        int logins = 0;
        std::unique_ptr<QTimer> user(answerLoginWindows(QStringLiteral("prova"), QStringLiteral("prova"), &logins));
        QCOMPARE(Main(ctx), 0);
        QCOMPARE(logins, 1);
        QVERIFY(prompter.shown.isEmpty());
        QCOMPARE(settings.integer(Key::Branded), 1);
        QCOMPARE(settings.text(Key::CurrentVersion), QString());

        MainWindow *w = windows.mainWindow();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("BrioSMS 2.0"));
        QCOMPARE(child<QComboBox>(*w, "cb_paese")->currentText(), QStringLiteral("+39"));
        auto *prefix = child<QComboBox>(*w, "cb_prefisso");
        const int i333 = prefix->findText(QStringLiteral("333"));
        QVERIFY(i333 > 0);
        prefix->setCurrentIndex(i333);
        child<QLineEdit>(*w, "txt_numero")->setText(QStringLiteral("1234567"));
        child<QPushButton>(*w, "cmd_singolo_aggiungi")->click();
        QVERIFY(prompter.shown.isEmpty());

        auto *text = child<QPlainTextEdit>(*w, "txt_messaggio");
        text->setFocus();
        QTest::keyClicks(text, QStringLiteral("Ci vediamo alle otto"));
        prompter.answer(Answer::Yes);
        child<QPushButton>(*w, "cmd_invia")->click();

        QCOMPARE(prompter.texts(),
                 (QStringList{QStringLiteral("Stai per inoltrare 1 SMS. L'operazione non è reversibile. Desideri continuare?"),
                              QStringLiteral("Messaggio inoltrato con successo")}));
        const auto outbox = SandboxGateway::outbox(sandboxFile(folder));
        QCOMPARE(outbox.size(), 1);
        QCOMPARE(outbox.first().recipient, QStringLiteral("393331234567"));
        QCOMPARE(outbox.first().text, QStringLiteral("Ci vediamo alle otto"));
        QCOMPARE(outbox.first().when, QStringLiteral("NOW"));
        QCOMPARE(w->statusPanel(2)->text(), QStringLiteral("Credito residuo: 99 SMS"));
        QCOMPARE(logins, 1);
        // The once-per-run checks ran with nobody to ask.
        QVERIFY(session.serverChecksDone());
        QVERIFY(shell.opened.isEmpty());
        w->close();
    }
};

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
