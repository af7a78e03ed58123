// The send and the message text as the user meets them in the main window,
// through the sandbox gateway and the program's own outbox listing.
#include "mock/Program.h"
#include "mock/Widgets.h"
#include "mock/WindowRun.h"

#include "history/SentHistory.h"
#include "settings/Settings.h"
#include "ui/addressbook/RecipientPicker.h"
#include "ui/EntryListView.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MessageTextEdit.h"

#include <QAction>
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

// The sandbox gateway; logged in as prova when the send asks. The provider's
// checks have their own tests.
struct Run : WindowRun
{
    Run()
        : WindowRun(Later, false)
    {
        env.session.setServerChecksDone(true);
        env.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));
    }

    // Deferred to that date and time.
    void defer(const QString &date, const QString &time) const
    {
        get<QRadioButton>("opt_invio_differito")->setChecked(true);
        get<QLineEdit>("msk_data")->setText(date);
        get<QLineEdit>("msk_ora")->setText(time);
    }
};

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
        Run run; // the clock says 15-06-2026 10:30
        run.open();
        run.addNumber(QStringLiteral("333"), QStringLiteral("1234567"));
        run.typeText(QStringLiteral("ciao a tutti"));
        run.send();
        QCOMPARE(run.env.prompter.texts(), (QStringList{question(1), kSuccess}));
        QCOMPARE(rowCount(run.main->recipientList()), 0);

        // A second message at "24:00" of today, which is midnight at the end of
        // the day, to the new number alone; the control has its user, no login
        // this time.
        run.env.prompter.clear();
        run.addNumber(QStringLiteral("347"), QStringLiteral("7654321"));
        run.typeText(QStringLiteral("auguri"));
        // A date that is not a date first: the field is selected for correction.
        run.defer(QStringLiteral("3"), QStringLiteral("24:00"));
        run.command("tb_Invia");
        QCOMPARE(run.env.prompter.texts(), QStringList{QStringLiteral("Data errata.")});
        auto *date = run.get<QLineEdit>("msk_data");
        QCOMPARE(date->selectedText(), date->displayText());
        run.env.prompter.clear();
        run.defer(QStringLiteral("15-06-2026"), QStringLiteral("24:00"));
        run.env.prompter.answer(Answer::Yes);
        run.command("mnuInvia");
        QCOMPARE(run.env.prompter.texts(), (QStringList{question(1), kSuccess}));
        QCOMPARE(run.env.windows.loginShown, 1);
        QCOMPARE(outboxListing(run.env.dataFolder()),
                 (QStringList{kFirst, QStringLiteral("prova\t+393477654321\t16-06-2026 00:00\tauguri")}));
    }

    // A contact chosen in the picker whose number is also typed gets one
    // message: the status bar, the question and the charge agree, and the
    // notice names the typed number as the cause.
    void onePersonReachedTwiceCountsOnce()
    {
        Run run;
        run.env.addContact(QStringLiteral("Anna"), QStringLiteral("+393331234567"));
        MainWindow &w = run.open(); // it hears of the picker's choice while shown
        RecipientPicker *picker = RecipientPicker::showFor(*run.env.ctx, &w);
        auto *book = child<QListView>(*picker, "lst_elenco");
        book->setCurrentIndex(book->model()->index(0, 0));
        child<QPushButton>(*picker, "cmd_add")->click();
        child<QPushButton>(*picker, "cmd_ok")->click();
        run.addNumber(QStringLiteral("333"), QStringLiteral("1234567"));
        QCOMPARE(rowCount(w.recipientList()), 2);
        QCOMPARE(run.panel(1), QStringLiteral("SMS da inviare: 1"));

        run.typeText(QStringLiteral("ciao a tutti"));
        run.send();
        QCOMPARE(run.env.prompter.texts(),
                 (QStringList{question(1),
                              "Alcuni numeri digitati sono anche di contatti o gruppi scelti per l'invio.\n"
                              "Per evitare invii duplicati alla stessa persona, la procedura\n"
                              "invierà soltanto 1 SMS, e dal tuo account verranno scalati\nsoltanto 1 SMS.",
                              kSuccess}));
        QCOMPARE(outboxListing(run.env.dataFolder()), QStringList{kFirst});
    }

    void compressFromToolBar()
    {
        Run run;
        run.open();
        auto *button = run.get<QAction>("tb_Comprimi");
        auto *text = run.get<QPlainTextEdit>("txt_messaggio");
        auto state = [button] {
            return QStringLiteral("%1 %2 %3").arg(button->isEnabled()).arg(button->isChecked()).arg(button->toolTip());
        };

        run.typeText(QStringLiteral("ciao"));
        QVERIFY(!button->isEnabled());
        run.typeText(QStringLiteral(" a tutti"));
        QCOMPARE(state(), QStringLiteral("1 0 Comprimi SMS"));

        button->trigger();
        QCOMPARE(text->toPlainText(), QStringLiteral("CiaoATutti"));
        QCOMPARE(run.get<QLabel>("lbl_messaggio")->text(), QStringLiteral("Testo (150):"));
        QCOMPARE(state(), QStringLiteral("1 1 Annulla Compressione"));

        // Edited without a space, then restored: the text before compression.
        run.typeText(QStringLiteral("!"));
        button->trigger();
        QCOMPARE(text->toPlainText(), QStringLiteral("ciao a tutti"));
        QCOMPARE(state(), QStringLiteral("1 0 Comprimi SMS"));

        // "Nuovo" empties the text and releases the button.
        button->trigger();
        run.env.prompter.answer(Answer::Yes);
        run.command("tb_Nuovo");
        QCOMPARE(text->toPlainText(), QString());
        QVERIFY(!button->isChecked() && !button->isEnabled());
    }

    // "Esci" while the messages are handed over: the send ends and is
    // reported, then the window closes and the database with it.
    void closedDuringTheSend()
    {
        Run run;
        MainWindow &w = run.open();
        run.addNumber(QStringLiteral("333"), QStringLiteral("1234567"));
        run.typeText(QStringLiteral("ciao a tutti"));
        // Runs while the send repaints the window.
        QTimer::singleShot(0, &w, [&run] { run.command("mnuEsci"); });
        run.send();

        QCOMPARE(run.env.prompter.texts(), (QStringList{question(1), kSuccess}));
        QVERIFY(!w.isVisible());
        QVERIFY(!run.env.state.book.isOpen());
        QCOMPARE(outboxListing(run.env.dataFolder()), QStringList{kFirst});
    }

    // A gateway that joins up to 4 parts: the counter tells the parts, the
    // confirmation, the charge and the history count them, the whole text goes.
    void longTextGoesAsParts()
    {
        Run run;
        run.open();
        auto *counter = run.get<QLabel>("lbl_messaggio");
        auto *text = run.get<MessageTextEdit>("txt_messaggio");

        run.addNumber(QStringLiteral("333"), QStringLiteral("1234567"));
        const QString long300 =
            QStringLiteral("Domani la riunione si sposta alle 9, in sala grande; portate il verbale. ").repeated(5).left(300);
        run.typeText(long300.left(160));
        QCOMPARE(counter->text(), QStringLiteral("Testo (0):"));
        run.typeText(long300.mid(160));
        QCOMPARE(counter->text(), QStringLiteral("Testo (6, 2 SMS):"));

        run.send();
        QCOMPARE(run.env.prompter.texts(), (QStringList{question(2), kSuccess}));
        QCOMPARE(outboxListing(run.env.dataFolder()), QStringList{QStringLiteral("prova\t+393331234567\tNOW\t") + long300});
        QCOMPARE(run.panel(2), QStringLiteral("Credito residuo: 98 SMS"));
        QCOMPARE(outcomeSummary(readSends(run.env.db(), {}).value(0)), QStringLiteral("1 accettato (2 SMS ciascuno)"));

        // Four parts at most, however the text arrives.
        text->setText(QString(700, QLatin1Char('a')));
        QCOMPARE(text->text().size(), 612);
        QCOMPARE(counter->text(), QStringLiteral("Testo (0, 4 SMS):"));
        run.typeText(QStringLiteral("b"));
        QCOMPARE(text->text().size(), 612);
    }

    // A gateway that takes one message: the box holds one, as it always did.
    void counterCountsWhatTheNetworkCounts()
    {
        Run run;
        run.env.settings->set(Key::GatewayMaxParts, 1);
        run.open();
        auto *text = run.get<MessageTextEdit>("txt_messaggio");
        auto *counter = run.get<QLabel>("lbl_messaggio");
        auto *notice = run.get<QLabel>("lbl_ucs2");
        auto *replace = run.get<QPushButton>("cmd_sostituisci");

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
