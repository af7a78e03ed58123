// The sent history as the user meets it: sends from the main window (one
// with a character made plain GSM first), "Messaggi inviati"
// from the menu with its filters, details, resend and removal, and
// `briosms history` for scripts.
#include "mock/Program.h"
#include "mock/Widgets.h"
#include "mock/WindowRun.h"

#include "context/Notifier.h"
#include "gateway/GatewayFactory.h"
#include "gateway/SandboxGateway.h"
#include "history/DeliveryReports.h"
#include "store/Database.h"
#include "ui/history/SentHistoryWindow.h"
#include "ui/EntryListView.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

using namespace brio;
using namespace brio::test;

namespace {

QStringList rowTexts(const QAbstractItemModel *model, int row)
{
    QStringList out;
    for (int c = 0; c < model->columnCount(); ++c)
        out << model->index(row, c).data().toString();
    return out;
}

QStringList recipientRows(const QTreeWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        out << item->text(0) + QLatin1Char('|') + item->text(1) + QLatin1Char('|') + item->text(2) + QLatin1Char('|')
                + item->text(3) + QLatin1Char('|') + item->text(4);
    }
    return out;
}

QStringList historyCommand(const QString &dataFolder, const QString &count)
{
    // Settings of its own: the user's must stay untouched.
    const ProgramRun r =
        Program(dataFolder).run({QStringLiteral("--settings"), dataFolder + QStringLiteral(".ini"), QStringLiteral("history"), count});
    if (r.code != 0)
        return {QStringLiteral("<briosms failed>")};
    return r.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestHistoryWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendsListedFilteredResentAndRemoved();
};

void TestHistoryWindow::sendsListedFilteredResentAndRemoved()
{
    WindowRun run(WindowRun::Later, false); // the clock says 15-06-2026 10:30
    TestEnv &env = run.env;
    env.session.setServerChecksDone(true);
    MainWindow &w = run.open();
    env.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));
    auto *text = child<QPlainTextEdit>(w, "txt_messaggio");

    // A typographic apostrophe, replaced so that the text goes as plain GSM.
    run.addNumber(QStringLiteral("333"), QStringLiteral("1234567"));
    text->setPlainText(QStringLiteral("L’appuntamento è confermato"));
    child<QPushButton>(w, "cmd_sostituisci")->click();
    run.send();

    // A typed number and a contact of the book.
    const qint64 anna = env.addContact(QStringLiteral("Anna Rossi"), QStringLiteral("+393471111111"));
    env.db().run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {anna});
    emit env.ctx->notifier().messageContactsChanged();
    run.addNumber(QStringLiteral("347"), QStringLiteral("7654321"));
    const QString meeting = QStringLiteral("Riunione al 100%\nin sala");
    text->setPlainText(meeting);
    run.send();

    // Delivery reports for the second send, as the receiver takes them: only
    // for its token and its recipients; a late "waiting" leaves a final state.
    {
        Statement st = env.db().prepare(QStringLiteral("SELECT Gettone FROM tab_invii WHERE Testo = ?"));
        st.bind(1, meeting);
        QVERIFY(st.next());
        const QString token = st.text(0);
        QCOMPARE(token.size(), 32);
        const QDateTime at(QDate(2026, 6, 15), QTime(10, 31));
        ReportBook book(env.db());
        QCOMPARE(book.take(token, QStringLiteral("393477654321"), Delivery::Waiting, at), ReportBook::Verdict::Taken);
        QCOMPARE(book.take(token, QStringLiteral("393477654321"), Delivery::Delivered, at), ReportBook::Verdict::Taken);
        QCOMPARE(book.take(token, QStringLiteral("+393471111111"), Delivery::Failed, at.addSecs(60)),
                 ReportBook::Verdict::Taken);
        QCOMPARE(book.take(token, QStringLiteral("393471111111"), Delivery::Waiting, at.addSecs(120)),
                 ReportBook::Verdict::Taken);
        QCOMPARE(book.take(token, QStringLiteral("393331234567"), Delivery::Delivered, at),
                 ReportBook::Verdict::UnknownRecipient);
        QCOMPARE(book.take(QString(token).replace(0, 1, token.at(0) == QLatin1Char('a') ? u'b' : u'a'),
                           QStringLiteral("393477654321"), Delivery::Delivered, at),
                 ReportBook::Verdict::UnknownSend);
        book.flush();
    }

    const QString gateway = QStringLiteral("2026-06-15 10:30:00\t2.0 (gateway di prova)\t");
    QCOMPARE(historyCommand(env.dataFolder(), QStringLiteral("2")),
             (QStringList{gateway + QStringLiteral("2\t2\t0\t0\t1\t1\t0\tRiunione al 100%\\nin sala"),
                          gateway + QStringLiteral("1\t1\t0\t0\t0\t0\t0\tL'appuntamento è confermato")}));

    child<QAction>(w, "mnuStorico")->trigger();
    auto *window = w.findChild<SentHistoryWindow *>();
    QVERIFY(window && window->isVisible());
    auto *sends = child<QTableView>(*window, "lst_invii");
    const QAbstractItemModel *model = sends->model();
    auto *recipients = child<QTreeWidget>(*window, "lst_destinatari");
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(rowTexts(model, 0), (QStringList{"15-06-2026 10:30", "2.0 (gateway di prova)", "Riunione al 100% in sala",
                                             "2", "2 accettati", "1 consegnato, 1 non consegnato"}));
    QCOMPARE(rowTexts(model, 1).last(), QStringLiteral("1 sconosciuto"));
    QCOMPARE(recipientRows(recipients),
             (QStringList{"+393477654321||accettato|consegnato|15-06-2026 10:31",
                          "+393471111111|Anna Rossi|accettato|non consegnato|15-06-2026 10:32"}));

    // Filters: a wildcard typed is a plain character; blanks in a number are ignored.
    auto *byText = child<QLineEdit>(*window, "txt_testo");
    auto *byNumber = child<QLineEdit>(*window, "txt_numero");
    byText->setText(QStringLiteral("_"));
    QCOMPARE(model->rowCount(), 0);
    byText->setText(QStringLiteral("100%"));
    QCOMPARE(model->rowCount(), 1);
    byText->clear();
    byNumber->setText(QStringLiteral("333 123"));
    QCOMPARE(model->rowCount(), 1);
    byNumber->clear();

    // "Reinvia": the same text and recipients back in the main window.
    env.prompter.answer(Answer::Yes);
    child<QPushButton>(*window, "cmd_reinvia")->click();
    QCOMPARE(itemTexts(w.recipientList()), (QStringList{"+393477654321", "Anna Rossi"}));
    QCOMPARE(text->toPlainText(), meeting);
    QCOMPARE(w.statusPanel(1)->text(), QStringLiteral("SMS da inviare: 2"));
    // Sent again with the window open: it lists the new send at once.
    run.send();
    QCOMPARE(model->rowCount(), 3);

    // Removal: the chosen send, then everything before tomorrow.
    sends->setCurrentIndex(model->index(2, 0));
    env.prompter.answer(Answer::Yes);
    child<QPushButton>(*window, "cmd_elimina")->click();
    QCOMPARE(model->rowCount(), 2);
    child<QDateEdit>(*window, "dt_prima")->setDate(QDate(2026, 6, 16));
    env.prompter.answer(Answer::Yes);
    child<QPushButton>(*window, "cmd_elimina_vecchi")->click();
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(env.prompter.last().text, QStringLiteral("Eliminati 2 invii."));
    QCOMPARE(env.db().scalar(QStringLiteral("SELECT COUNT(*) FROM tab_invii_dest")), qint64(0));
}

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
