// The send and the message text as the user meets them in the main window,
// through the sandbox gateway and the program's own outbox listing.
#include "mock/TestEnv.h"

#include "gateway/GatewayFactory.h"
#include "gateway/SandboxGateway.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

const QString kSuccess = QStringLiteral("Messaggio inoltrato con successo");

QString question(int n)
{
    return QStringLiteral("Stai per inoltrare %1 SMS. L'operazione non è reversibile. Desideri continuare?").arg(n);
}

template<typename T>
T *child(MainWindow &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

void addNumber(MainWindow &w, const QString &prefix, const QString &subscriber)
{
    child<QComboBox>(w, "cb_prefisso")->setCurrentText(prefix);
    child<QLineEdit>(w, "txt_numero")->setText(subscriber);
    child<QPushButton>(w, "cmd_singolo_aggiungi")->click();
}

void typeText(MainWindow &w, const QString &text)
{
    auto *edit = child<QPlainTextEdit>(w, "txt_messaggio");
    edit->setFocus();
    QTest::keyClicks(edit, text);
}

// What `briosms --sandbox-outbox` lists for the data folder, one line a message.
QStringList outboxListing(const QString &dataFolder)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRIOSMS_HOME"), dataFolder);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(BRIOSMS_PROGRAM), {QStringLiteral("--sandbox-outbox")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {QStringLiteral("<briosms failed>")};
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Without the acceptance time, which is the clock's.
    for (QString &l : lines)
        l = l.section(QLatin1Char('\t'), 1);
    return lines;
}

} // namespace

class TestMainWindowSend : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendTypedNumberAfterLogin();
    void deferredMidnightFromMenu();
    void toolBarSendChecksFirst();
    void compressFromToolBar();
};

void TestMainWindowSend::sendTypedNumberAfterLogin()
{
    TestEnv env;
    env.state.ServerChecksDone = true; // the provider's checks have their own tests
    MainWindow w(*env.ctx);
    env.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));

    addNumber(w, QStringLiteral("333"), QStringLiteral("1234567"));
    typeText(w, QStringLiteral("ciao a tutti"));
    QCOMPARE(child<QLabel>(w, "lbl_messaggio")->text(), QStringLiteral("Testo (148):"));
    QCOMPARE(w.recipientList()->count(), 1);
    env.prompter.answer(Answer::Yes);

    child<QPushButton>(w, "cmd_invia")->click();

    QCOMPARE(env.prompter.texts(), (QStringList{question(1), kSuccess}));
    QCOMPARE(env.windows.loginShown, 1);
    QCOMPARE(outboxListing(env.dataFolder()),
             QStringList{QStringLiteral("prova\t+393331234567\tNOW\tciao a tutti")});
    // Ready for the next message.
    QCOMPARE(w.recipientList()->count(), 0);
    QCOMPARE(child<QPlainTextEdit>(w, "txt_messaggio")->toPlainText(), QString());
    QCOMPARE(child<QLabel>(w, "lbl_messaggio")->text(), QStringLiteral("Testo (160):"));
    QCOMPARE(w.statusPanel(2)->text(), QStringLiteral("Credito residuo: 99 SMS"));
    QCOMPARE(w.statusPanel(3)->text(), QStringLiteral("Utente: prova"));

    // A second message: the control has its user, no login this time.
    addNumber(w, QStringLiteral("347"), QStringLiteral("7654321"));
    typeText(w, QStringLiteral("secondo"));
    env.prompter.answer(Answer::Yes);
    child<QPushButton>(w, "cmd_invia")->click();
    QCOMPARE(env.windows.loginShown, 1);
    QCOMPARE(outboxListing(env.dataFolder()),
             (QStringList{QStringLiteral("prova\t+393331234567\tNOW\tciao a tutti"),
                          QStringLiteral("prova\t+393477654321\tNOW\tsecondo")}));
}

void TestMainWindowSend::deferredMidnightFromMenu()
{
    TestEnv env; // the clock says 15-06-2026 10:30
    env.state.ServerChecksDone = true;
    MainWindow w(*env.ctx);
    env.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));
    addNumber(w, QStringLiteral("333"), QStringLiteral("1234567"));
    typeText(w, QStringLiteral("auguri"));
    child<QRadioButton>(w, "opt_invio_differito")->setChecked(true);
    auto *date = child<QLineEdit>(w, "msk_data");
    auto *time = child<QLineEdit>(w, "msk_ora");
    QVERIFY(date->isEnabled());
    date->setText(QStringLiteral("15-06-2026"));
    time->setText(QStringLiteral("24:00"));
    env.prompter.answer(Answer::Yes);

    auto *menu = child<QAction>(w, "mnuInvia");
    QVERIFY(menu->isEnabled());
    QCOMPARE(menu->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    menu->trigger();

    QCOMPARE(env.prompter.texts(), (QStringList{question(1), kSuccess}));
    QCOMPARE(outboxListing(env.dataFolder()),
             QStringList{QStringLiteral("prova\t+393331234567\t16-06-2026 00:00\tauguri")});
}

void TestMainWindowSend::toolBarSendChecksFirst()
{
    TestEnv env;
    MainWindow w(*env.ctx);
    auto *send = child<QAction>(w, "tb_Invia");
    QVERIFY(send->isEnabled());

    send->trigger();
    QCOMPARE(env.prompter.texts(), QStringList{QStringLiteral("Nessun destinatario inserito.")});

    // A date that is not a date: the field is selected for correction.
    addNumber(w, QStringLiteral("333"), QStringLiteral("1234567"));
    typeText(w, QStringLiteral("ciao"));
    child<QRadioButton>(w, "opt_invio_differito")->setChecked(true);
    auto *date = child<QLineEdit>(w, "msk_data");
    date->setText(QStringLiteral("3"));
    child<QLineEdit>(w, "msk_ora")->setText(QStringLiteral("10:00"));
    send->trigger();
    QCOMPARE(env.prompter.last().text, QStringLiteral("Data errata."));
    QCOMPARE(date->selectedText(), date->displayText());
    QVERIFY(outboxListing(env.dataFolder()).isEmpty());
    QCOMPARE(w.recipientList()->count(), 1);
}

void TestMainWindowSend::compressFromToolBar()
{
    TestEnv env;
    MainWindow w(*env.ctx);
    auto *button = child<QAction>(w, "tb_Comprimi");
    auto *text = child<QPlainTextEdit>(w, "txt_messaggio");
    auto *counter = child<QLabel>(w, "lbl_messaggio");

    typeText(w, QStringLiteral("ciao"));
    QVERIFY(!button->isEnabled());
    typeText(w, QStringLiteral(" a tutti"));
    QVERIFY(button->isEnabled());
    QCOMPARE(counter->text(), QStringLiteral("Testo (148):"));

    button->trigger();
    QCOMPARE(text->toPlainText(), QStringLiteral("CiaoATutti"));
    QCOMPARE(counter->text(), QStringLiteral("Testo (150):"));
    QVERIFY(button->isEnabled());
    QVERIFY(button->isChecked());
    QCOMPARE(button->data().toString(), QStringLiteral("Decomprimi"));
    QCOMPARE(button->toolTip(), QStringLiteral("Annulla Compressione"));

    // Edited without a space, then restored: the text before compression.
    typeText(w, QStringLiteral("!"));
    QVERIFY(button->isEnabled());
    button->trigger();
    QCOMPARE(text->toPlainText(), QStringLiteral("ciao a tutti"));
    QVERIFY(!button->isChecked());
    QCOMPARE(button->data().toString(), QStringLiteral("Comprimi"));
    QCOMPARE(button->toolTip(), QStringLiteral("Comprimi SMS"));

    // "Nuovo" empties the text and releases the button.
    button->trigger();
    env.prompter.answer(Answer::Yes);
    child<QAction>(w, "tb_Nuovo")->trigger();
    QCOMPARE(text->toPlainText(), QString());
    QVERIFY(!button->isChecked());
    QVERIFY(!button->isEnabled());
}

QTEST_MAIN(TestMainWindowSend)
#include "tst_mainwindowsend.moc"
