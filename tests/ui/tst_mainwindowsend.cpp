// The send and the message text as the user meets them in the main window,
// through the sandbox gateway and the program's own outbox listing.
#include "mock/Program.h"
#include "mock/TestEnv.h"
#include "mock/Widgets.h"

#include "history/SentHistory.h"
#include "settings/Settings.h"
#include "ui/addressbook/RecipientPicker.h"
#include "ui/EntryListView.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MessageTextEdit.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

using namespace brio;
using namespace brio::test;

namespace {

const QString kSuccess = QStringLiteral("Messaggio inoltrato con successo");
const QString kFirst = QStringLiteral("prova\t+393331234567\tNOW\tciao a tutti");

QString question(int n)
{
    return QStringLiteral("Stai per inoltrare %1 SMS. L'operazione non è reversibile. Desideri continuare?").arg(n);
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

// Deferred to that date and time.
void defer(MainWindow &w, const QString &date, const QString &time)
{
    child<QRadioButton>(w, "opt_invio_differito")->setChecked(true);
    child<QLineEdit>(w, "msk_data")->setText(date);
    child<QLineEdit>(w, "msk_ora")->setText(time);
}

// What `briosms --sandbox-outbox` lists for the data folder, one line a message.
QStringList outboxListing(const QString &dataFolder)
{
    const ProgramRun r = Program(dataFolder).offscreen().run({QStringLiteral("--sandbox-outbox")});
    if (r.code != 0)
        return {QStringLiteral("<briosms failed>")};
    QStringList lines = r.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Without the acceptance time, which is the clock's.
    for (QString &l : lines)
        l = l.section(QLatin1Char('\t'), 1);
    return lines;
}

// Typed one character at a time, as a keyboard with these keys would.
void typeUnicode(QWidget *edit, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
}

} // namespace

class TestMainWindowSend : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendAfterLoginThenDeferredFromTheMenu()
    {
        TestEnv env; // the clock says 15-06-2026 10:30
        env.session.setServerChecksDone(true); // the provider's checks have their own tests
        MainWindow w(*env.ctx);
        env.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));

        addNumber(w, QStringLiteral("333"), QStringLiteral("1234567"));
        typeText(w, QStringLiteral("ciao a tutti"));
        env.prompter.answer(Answer::Yes);
        child<QPushButton>(w, "cmd_invia")->click();

        QCOMPARE(env.prompter.texts(), (QStringList{question(1), kSuccess}));
        QCOMPARE(env.windows.loginShown, 1);
        QCOMPARE(outboxListing(env.dataFolder()), QStringList{kFirst});
        // Ready for the next message.
        QCOMPARE(rowCount(w.recipientList()), 0);
        QCOMPARE(child<QPlainTextEdit>(w, "txt_messaggio")->toPlainText(), QString());
        QCOMPARE(child<QLabel>(w, "lbl_messaggio")->text(), QStringLiteral("Testo (160):"));
        QCOMPARE(w.statusPanel(2)->text(), QStringLiteral("Credito residuo: 99 SMS"));
        QCOMPARE(w.statusPanel(3)->text(), QStringLiteral("Utente: prova"));

        // A second message at "24:00" of today, which is midnight at the end of
        // the day; the control has its user, no login this time.
        env.prompter.clear();
        addNumber(w, QStringLiteral("347"), QStringLiteral("7654321"));
        typeText(w, QStringLiteral("auguri"));
        defer(w, QStringLiteral("15-06-2026"), QStringLiteral("24:00"));
        env.prompter.answer(Answer::Yes);
        child<QAction>(w, "mnuInvia")->trigger();
        QCOMPARE(env.prompter.texts(), (QStringList{question(1), kSuccess}));
        QCOMPARE(env.windows.loginShown, 1);
        QCOMPARE(outboxListing(env.dataFolder()),
                 (QStringList{kFirst, QStringLiteral("prova\t+393477654321\t16-06-2026 00:00\tauguri")}));
    }

    // A contact chosen in the picker whose number is also typed gets one
    // message: the status bar, the question and the charge agree, and the
    // notice names the typed number as the cause.
    void onePersonReachedTwiceCountsOnce()
    {
        TestEnv env;
        env.session.setServerChecksDone(true);
        env.addContact(QStringLiteral("Anna"), QStringLiteral("+393331234567"));
        MainWindow w(*env.ctx);
        w.show(); // it hears of the picker's choice while shown
        env.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));
        RecipientPicker *picker = RecipientPicker::showFor(*env.ctx, &w);
        auto *book = child<QListView>(*picker, "lst_elenco");
        book->setCurrentIndex(book->model()->index(0, 0));
        child<QPushButton>(*picker, "cmd_add")->click();
        child<QPushButton>(*picker, "cmd_ok")->click();
        addNumber(w, QStringLiteral("333"), QStringLiteral("1234567"));
        QCOMPARE(rowCount(w.recipientList()), 2);
        QCOMPARE(w.statusPanel(1)->text(), QStringLiteral("SMS da inviare: 1"));

        typeText(w, QStringLiteral("ciao a tutti"));
        env.prompter.answer(Answer::Yes);
        child<QPushButton>(w, "cmd_invia")->click();
        QCOMPARE(env.prompter.texts(),
                 (QStringList{question(1),
                              "Alcuni numeri digitati sono anche di contatti o gruppi scelti per l'invio.\n"
                              "Per evitare invii duplicati alla stessa persona, la procedura\n"
                              "invierà soltanto 1 SMS, e dal tuo account verranno scalati\nsoltanto 1 SMS.",
                              kSuccess}));
        QCOMPARE(outboxListing(env.dataFolder()), QStringList{kFirst});
    }

    void toolBarSendChecksFirst()
    {
        TestEnv env;
        MainWindow w(*env.ctx);
        auto *send = child<QAction>(w, "tb_Invia");
        send->trigger();
        QCOMPARE(env.prompter.texts(), QStringList{QStringLiteral("Nessun destinatario inserito.")});

        // A date that is not a date: the field is selected for correction.
        addNumber(w, QStringLiteral("333"), QStringLiteral("1234567"));
        typeText(w, QStringLiteral("ciao"));
        defer(w, QStringLiteral("3"), QStringLiteral("10:00"));
        send->trigger();
        QCOMPARE(env.prompter.last().text, QStringLiteral("Data errata."));
        auto *date = child<QLineEdit>(w, "msk_data");
        QCOMPARE(date->selectedText(), date->displayText());
        QVERIFY(outboxListing(env.dataFolder()).isEmpty());
        QCOMPARE(rowCount(w.recipientList()), 1);
    }

    void compressFromToolBar()
    {
        TestEnv env;
        MainWindow w(*env.ctx);
        auto *button = child<QAction>(w, "tb_Comprimi");
        auto *text = child<QPlainTextEdit>(w, "txt_messaggio");
        auto *counter = child<QLabel>(w, "lbl_messaggio");
        auto state = [button] {
            return QStringLiteral("%1 %2 %3").arg(button->isEnabled()).arg(button->isChecked()).arg(button->toolTip());
        };

        typeText(w, QStringLiteral("ciao"));
        QVERIFY(!button->isEnabled());
        typeText(w, QStringLiteral(" a tutti"));
        QCOMPARE(state(), QStringLiteral("1 0 Comprimi SMS"));
        QCOMPARE(counter->text(), QStringLiteral("Testo (148):"));

        button->trigger();
        QCOMPARE(text->toPlainText(), QStringLiteral("CiaoATutti"));
        QCOMPARE(counter->text(), QStringLiteral("Testo (150):"));
        QCOMPARE(state(), QStringLiteral("1 1 Annulla Compressione"));

        // Edited without a space, then restored: the text before compression.
        typeText(w, QStringLiteral("!"));
        QVERIFY(button->isEnabled());
        button->trigger();
        QCOMPARE(text->toPlainText(), QStringLiteral("ciao a tutti"));
        QCOMPARE(state(), QStringLiteral("1 0 Comprimi SMS"));

        // "Nuovo" empties the text and releases the button.
        button->trigger();
        env.prompter.answer(Answer::Yes);
        child<QAction>(w, "tb_Nuovo")->trigger();
        QCOMPARE(text->toPlainText(), QString());
        QVERIFY(!button->isChecked());
        QVERIFY(!button->isEnabled());
    }

    // "Esci" while the messages are handed over: the send ends and is
    // reported, then the window closes and the database with it.
    void closedDuringTheSend()
    {
        TestEnv env;
        env.session.setServerChecksDone(true);
        MainWindow w(*env.ctx);
        w.show();
        env.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));
        addNumber(w, QStringLiteral("333"), QStringLiteral("1234567"));
        typeText(w, QStringLiteral("ciao a tutti"));
        env.prompter.answer(Answer::Yes);
        // Runs while the send repaints the window.
        QTimer::singleShot(0, &w, [&w] { child<QAction>(w, "mnuEsci")->trigger(); });
        child<QPushButton>(w, "cmd_invia")->click();

        QCOMPARE(env.prompter.texts(), (QStringList{question(1), kSuccess}));
        QVERIFY(!w.isVisible());
        QVERIFY(!env.state.book.isOpen());
        QCOMPARE(outboxListing(env.dataFolder()), QStringList{kFirst});
    }

    // A gateway that joins up to 4 parts: the counter tells the parts, the
    // confirmation, the charge and the history count them, the whole text goes.
    void longTextGoesAsParts()
    {
        TestEnv env;
        env.session.setServerChecksDone(true);
        MainWindow w(*env.ctx);
        env.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));
        auto *counter = child<QLabel>(w, "lbl_messaggio");
        auto *text = child<MessageTextEdit>(w, "txt_messaggio");

        addNumber(w, QStringLiteral("333"), QStringLiteral("1234567"));
        const QString long300 =
            QStringLiteral("Domani la riunione si sposta alle 9, in sala grande; portate il verbale. ").repeated(5).left(300);
        typeText(w, long300.left(160));
        QCOMPARE(counter->text(), QStringLiteral("Testo (0):"));
        typeText(w, long300.mid(160));
        QCOMPARE(text->text(), long300);
        QCOMPARE(counter->text(), QStringLiteral("Testo (6, 2 SMS):"));

        env.prompter.answer(Answer::Yes);
        child<QPushButton>(w, "cmd_invia")->click();
        QCOMPARE(env.prompter.texts(), (QStringList{question(2), kSuccess}));
        QCOMPARE(outboxListing(env.dataFolder()), QStringList{QStringLiteral("prova\t+393331234567\tNOW\t") + long300});
        QCOMPARE(w.statusPanel(2)->text(), QStringLiteral("Credito residuo: 98 SMS"));
        QCOMPARE(outcomeSummary(readSends(env.db(), {}).value(0)), QStringLiteral("1 accettato (2 SMS ciascuno)"));

        // Four parts at most, however the text arrives.
        text->setText(QString(700, QLatin1Char('a')));
        QCOMPARE(text->text().size(), 612);
        QCOMPARE(counter->text(), QStringLiteral("Testo (0, 4 SMS):"));
        typeText(w, QStringLiteral("b"));
        QCOMPARE(text->text().size(), 612);
    }

    // A gateway that takes one message: the box holds one, as it always did.
    void counterCountsWhatTheNetworkCounts()
    {
        TestEnv env;
        env.settings->set(Key::GatewayMaxParts, 1);
        MainWindow w(*env.ctx);
        w.show();
        auto *text = child<MessageTextEdit>(w, "txt_messaggio");
        auto *counter = child<QLabel>(w, "lbl_messaggio");
        auto *notice = child<QLabel>(w, "lbl_ucs2");
        auto *replace = child<QPushButton>(w, "cmd_sostituisci");

        // "€" takes two septets: 79 of them leave room for two more characters.
        typeUnicode(text, QStringLiteral("Costo 5\u20AC"));
        QCOMPARE(counter->text(), QStringLiteral("Testo (151):"));
        QVERIFY(!notice->isVisible());
        text->setText(QString(79, QChar(0x20AC)) + QStringLiteral("xyz"));
        QCOMPARE(text->text(), QString(79, QChar(0x20AC)) + QStringLiteral("xy"));
        QCOMPARE(counter->text(), QStringLiteral("Testo (0):"));

        // A typographic apostrophe and "È" turn it into UCS-2: named, limited to
        // 70, and replaced in one click with the caret kept in its place.
        text->setText(QString());
        typeUnicode(text, QStringLiteral("L\u2019appuntamento \u00C8 ok"));
        QCOMPARE(counter->text(), QStringLiteral("Testo (51):"));
        QVERIFY(notice->isVisible());
        QVERIFY(notice->text().contains(QStringLiteral("\u201C\u2019\u201D alla posizione 2")));
        QVERIFY(notice->text().contains(QStringLiteral("\u201C\u00C8\u201D alla posizione 16")));
        QVERIFY(replace->isEnabled());
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(3); // after "L'a"
        text->setTextCursor(cursor);
        replace->click();
        QCOMPARE(text->text(), QStringLiteral("L'appuntamento E' ok"));
        QCOMPARE(text->textCursor().position(), 3);
        QVERIFY(!notice->isVisible());
        QCOMPARE(counter->text(), QStringLiteral("Testo (140):"));

        text->setText(QStringLiteral("\u00C8") + QString(100, QLatin1Char('a')));
        QCOMPARE(text->text().size(), 70);
    }
};

QTEST_MAIN(TestMainWindowSend)
#include "tst_mainwindowsend.moc"
