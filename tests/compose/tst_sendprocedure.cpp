#include "SendFixture.h"

#include "gateway/GatewayFactory.h"
#include "gateway/HttpGateway.h"
#include "gateway/Login.h"
#include "history/DeliveryReports.h"
#include "history/SentHistory.h"
#include "mock/FakeGateway.h"
#include "mock/Program.h"
#include "refserver/JsonGateway.h"
#include "refserver/ReferenceServer.h"
#include "store/Database.h"

#include <QProcess>
#include <QSet>
#include <QTest>
#include <optional>

using namespace brio;
using namespace brio::test;

// A send that one of the checks must stop before the confirmation.
struct StoppedSend
{
    bool whole = false;
    bool withNumber = true;
    QString text = QStringLiteral("ciao");
    QString date = {}; // null: not deferred
    QString time = {};
    QString message = {};
    Icon icon = Icon::Critical;
    std::optional<SendView::Field> focus = {};
};
Q_DECLARE_METATYPE(StoppedSend)

namespace {

const QString kNumber = QStringLiteral("+393331234567");
const QString kSuccess = QStringLiteral("Messaggio inoltrato con successo");
const QString kWrongWarning =
    QStringLiteral("Attenzione non tutti i messaggi verranno inoltrati a causa di errori nei numeri di cellulare...");
const QString kWrongClosing = QStringLiteral(
    "Connessione con il server terminata con successo.\nAttenzione...uno o più messaggi non sono stati inoltrati "
    "causa errore nel numero di cellulare");

QString question(int n)
{
    return QStringLiteral("Stai per inoltrare %1 SMS. L'operazione non è reversibile. Desideri continuare?").arg(n);
}

QStringList numbers(const QList<FakeGateway::Sms> &list)
{
    QStringList out;
    for (const auto &s : list)
        out << s.number;
    return out;
}

StoppedSend deferredAt(const char *date, const char *time, const QString &message, SendView::Field focus)
{
    return {.date = date, .time = time, .message = message, .focus = focus};
}

// More breaks than the driver tries, whichever connection it uses.
constexpr int kEveryTry = 10;

// The server and a driver pointed at it, the driver being the window's control.
struct HttpSend
{
    explicit HttpSend(qint64 credit = 100000)
    {
        json.install(server);
        json.addAccount(QStringLiteral("prova"), QStringLiteral("prova"), credit);
        gateway.setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
        f.logIn();
    }

    // A chosen group of `count` contacts.
    void chooseGroupOf(int count)
    {
        Transaction tx(f.env.db());
        QList<qint64> ids;
        for (int i = 0; i < count; ++i)
            ids << f.env.addContact(QStringLiteral("Socio %1").arg(i), QStringLiteral("+39347%1").arg(i, 7, 10, QLatin1Char('0')));
        f.chooseGroup(f.env.addGroup(QStringLiteral("Soci"), ids));
        tx.commit();
    }

    QStringList deliveredTo() const
    {
        QStringList out;
        for (const auto &d : json.delivered())
            out << d.to;
        return out;
    }

    ReferenceServer server;
    JsonGateway json;
    HttpGateway gateway{HttpGateway::checkUrl(json.url(server)), 5};
    SendFixture f{&gateway};
};

// "briosms send" on a data folder, to the sandbox, started and not waited for.
void startSend(QProcess &p, const QString &dataFolder, const QString &killAt = {})
{
    Program program(dataFolder);
    program.set(QStringLiteral("BRIOSMS_GATEWAY"), QStringLiteral("sandbox:"));
    if (!killAt.isEmpty())
        program.set(QStringLiteral("BRIOSMS_KILL_AT"), killAt);
    program.start(p, {QStringLiteral("--settings"), dataFolder + QStringLiteral(".ini"), QStringLiteral("send"),
                      QStringLiteral("--to"), QStringLiteral("+393331110001"), QStringLiteral("--to"),
                      QStringLiteral("+393471110002"), QStringLiteral("--text"), QStringLiteral("ciao")});
}

// Each send of the history as "accepted/recipients", oldest first.
QStringList sendCounts(Database &db)
{
    QStringList out;
    for (const SentEntry &e : readSends(db, {}))
        out.prepend(QStringLiteral("%1/%2").arg(e.accepted).arg(e.recipients));
    return out;
}

} // namespace

class TestSendProcedure : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stopsAtChecks_data()
    {
        QTest::addColumn<StoppedSend>("send");
        using F = SendView::Field;
        const QString wrongDate = QStringLiteral("Data errata.");
        const QString wrongTime = QStringLiteral("Ora errata.");
        QTest::newRow("no recipients")
            << StoppedSend{.withNumber = false, .message = "Nessun destinatario inserito.", .icon = Icon::Exclamation};
        QTest::newRow("empty text") << StoppedSend{
            .text = "", .message = "Inserire il testo del testo messaggio.", .icon = Icon::Exclamation, .focus = F::Text};
        QTest::newRow("date not typed") << deferredAt("__-__-____", "10:00", wrongDate, F::Date);
        QTest::newRow("no such day") << deferredAt("31-06-2026", "10:00", wrongDate, F::Date);
        QTest::newRow("29 february of a common year") << deferredAt("29-02-2027", "10:00", wrongDate, F::Date);
        QTest::newRow("date before today")
            << deferredAt("14-06-2026", "23:59", "La data impostata è antecedente alla data attuale.", F::Date);
        QTest::newRow("hour 25") << deferredAt("16-06-2026", "25:00", wrongTime, F::Time);
        QTest::newRow("time half typed") << deferredAt("16-06-2026", "1_:3_", wrongTime, F::Time);
        QTest::newRow("24:30 is no time") << deferredAt("16-06-2026", "24:30", wrongTime, F::Time);
        QTest::newRow("empty address book") << StoppedSend{
            .whole = true, .withNumber = false, .message = "E' necessario inserire almeno un destinatario per l'invio."};
    }

    void stopsAtChecks()
    {
        QFETCH(StoppedSend, send);
        FakeGateway gw;
        SendFixture f(&gw);
        f.logIn();
        if (send.withNumber)
            f.addTypedNumber(kNumber);
        f.view.whole = send.whole;
        f.view.text = send.text;
        if (!send.date.isNull()) {
            f.view.deferredSend = true;
            f.view.date = send.date;
            f.view.time = send.time;
        }

        QCOMPARE(f.send.run(), SendProcedure::Outcome::Stopped);
        QCOMPARE(f.env.prompter.texts(), QStringList{send.message});
        QCOMPARE(f.env.prompter.last().icon, send.icon);
        QCOMPARE(f.env.prompter.last().title, f.env.state.brand.msgBoxCaption);
        QCOMPARE(f.view.focused, send.focus ? QList<SendView::Field>{*send.focus} : QList<SendView::Field>{});
        QVERIFY(gw.added.isEmpty());
        QVERIFY(gw.calls.filter(QStringLiteral("Transmit")).isEmpty());
        QCOMPARE(f.windows.loginShown, 0);
        QCOMPARE(f.view.cleared, 0);
        QCOMPARE(f.stateRows(), qint64(send.withNumber ? 1 : 0));
    }

    // The clock says 15-06-2026 10:30; the fields show the time the message is given.
    void deferredTime_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("when");
        QTest::newRow("today, hour already past") << "15-06-2026" << "08:00" << "15-06-2026 08:00";
        QTest::newRow("later") << "25-12-2026" << "18:30" << "25-12-2026 18:30";
        QTest::newRow("24:00 at the end of the year") << "31-12-2026" << "24:00" << "01-01-2027 00:00";
    }

    void deferredTime()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, when);
        SendFixture f; // the sandbox checks the time it is given as well
        f.logIn();
        f.addTypedNumber(kNumber);
        f.view.deferredSend = true;
        f.view.date = date;
        f.view.time = time;

        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Sent);
        QCOMPARE(f.view.date + QLatin1Char(' ') + f.view.time, when);
        const auto out = f.outbox();
        QCOMPARE(out.size(), 1);
        QCOMPARE(out[0].when, when);
        QCOMPARE(out[0].recipient, QStringLiteral("393331234567"));
        QCOMPARE(out[0].text, QStringLiteral("ciao"));
        QCOMPARE(f.env.prompter.texts(), (QStringList{question(1), kSuccess}));
    }

    void declinedHandsNothingOver()
    {
        FakeGateway gw;
        SendFixture f(&gw);
        f.addTypedNumber(kNumber);

        QCOMPARE(f.sendAnswering(Answer::No), SendProcedure::Outcome::Declined);
        QCOMPARE(f.env.prompter.texts(), QStringList{question(1)});
        QCOMPARE(f.env.prompter.last().icon, Icon::None);
        QCOMPARE(f.env.prompter.last().buttons, Buttons::YesNo);
        QCOMPARE(f.windows.loginShown, 0);
        QVERIFY(gw.calls.isEmpty());
        f.verifyMessageKept(1);
    }

    void cancelledLoginFailsWithoutSending()
    {
        FakeGateway gw;
        SendFixture f(&gw);
        f.addTypedNumber(kNumber);
        f.windows.cancelLogin();

        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Failed);
        QCOMPARE(f.windows.loginShown, 1);
        QCOMPARE(f.env.prompter.texts(),
                 (QStringList{question(1), QStringLiteral("UserName o Password inserita errata. Riprovare.")}));
        QVERIFY(!gw.authenticated);
        QVERIFY(gw.added.isEmpty());
        f.verifyMessageKept(1);
    }

    // Typed numbers first, then chosen contacts, then group members; a person
    // reached twice (two groups, chosen by hand and through a group, typed and
    // chosen) gets one message, announced and charged once.
    void everyNumberOnceInSourceOrder()
    {
        FakeGateway gw;
        SendFixture f(&gw);
        f.logIn();
        f.chooseOverlappingGroups(); // +393330000001..5, the third in both
        f.chooseContact(f.env.addContact(QStringLiteral("A"), QStringLiteral("+393330000007")));
        f.chooseContact(f.env.db()
                            .scalar(QStringLiteral("SELECT IDDestinatario FROM tab_destinatari WHERE Numero = ?"),
                                    {QStringLiteral("+393330000001")})
); // also in the first group
        f.addTypedNumber(QStringLiteral("+393339999999"));
        f.addTypedNumber(QStringLiteral("+393330000007"));
        f.view.text = QStringLiteral("Ci vediamo alle 8");

        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Sent);
        QCOMPARE(f.env.prompter.texts(),
                 (QStringList{question(7),
                              "Alcuni numeri digitati sono anche di contatti o gruppi scelti per l'invio.\n"
                              "I contatti e i gruppi programmati per l'invio hanno nominativi in comune.\n"
                              "Per evitare invii duplicati alla stessa persona, la procedura\n"
                              "invierà soltanto 7 SMS, e dal tuo account verranno scalati\nsoltanto 7 SMS.",
                              kSuccess}));
        QCOMPARE(f.env.prompter.shown[1].icon, Icon::Information);
        QStringList groupMembers = numbers(gw.delivered).mid(3);
        groupMembers.sort();
        QCOMPARE(numbers(gw.delivered).mid(0, 3), (QStringList{"393339999999", "393330000007", "393330000001"}));
        QCOMPARE(groupMembers, (QStringList{"393330000002", "393330000003", "393330000004", "393330000005"}));
        QCOMPARE(gw.delivered[0].text, QStringLiteral("Ci vediamo alle 8"));
        for (const auto &s : gw.delivered)
            QCOMPARE(s.when, QStringLiteral("NOW"));
        // The session set the account once, at the login: not again for the credit.
        QCOMPARE(gw.calls.mid(gw.calls.indexOf(QStringLiteral("Transmit"))),
                 (QStringList{"Transmit", "CloseConnection", "GetCredit"}));
        QCOMPARE(f.view.cleared, 1);
        QCOMPARE(f.stateRows(), qint64(0));
    }

    // The whole address book: the lists play no part. Three numbers the
    // sandbox refuses bring one warning, which belongs to that send only.
    void wholeAddressBook()
    {
        SendFixture f;
        f.logIn();
        const qint64 a = f.env.addContact(QStringLiteral("A"), QStringLiteral("+393330000001"));
        const qint64 b = f.env.addContact(QStringLiteral("B"), QStringLiteral("+393330000002"));
        for (int i = 0; i < 3; ++i)
            f.env.addContact(QStringLiteral("Corto %1").arg(i), QStringLiteral("+3933%1").arg(i));
        f.addTypedNumber(QStringLiteral("+393339999999"));
        f.chooseContact(a);
        f.chooseGroup(f.env.addGroup(QStringLiteral("G"), {a, b}));
        f.view.whole = true;

        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Sent);
        QCOMPARE(f.env.prompter.texts(), (QStringList{question(5), kWrongWarning, kWrongClosing}));
        QCOMPARE(f.env.prompter.shown[1].icon, Icon::Critical);
        QCOMPARE(f.env.prompter.shown[2].icon, Icon::Information);
        QCOMPARE(f.sortedOutboxRecipients(), (QStringList{"393330000001", "393330000002"}));
        for (const auto &m : f.outbox())
            QCOMPARE(m.account, QStringLiteral("prova"));
        QCOMPARE(historyOfOnlySend(f.env.db()),
                 (QStringList{"+393330000001 accettato", "+393330000002 accettato", "+39330 rifiutato (numero errato)",
                              "+39331 rifiutato (numero errato)", "+39332 rifiutato (numero errato)"}));

        f.view.whole = false;
        f.addTypedNumber(kNumber);
        f.view.text = QStringLiteral("ciao");
        f.env.prompter.clear();
        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Sent);
        QCOMPARE(f.env.prompter.texts(), (QStringList{question(1), kSuccess}));
    }

    void insufficientCreditKeepsState()
    {
        SendFixture f;
        f.logIn();
        const QString sandbox = sandboxFile(f.env.state.InstallDir);
        SandboxGateway::addAccount(sandbox, QStringLiteral("prova"), QStringLiteral("prova"), 2, false);
        for (int i = 1; i <= 3; ++i)
            f.addTypedNumber(QStringLiteral("+39333123456%1").arg(i));

        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Failed);
        QCOMPARE(f.env.prompter.texts(),
                 (QStringList{question(3), "Credito SMS insufficiente. E' necessario acquistare un nuovo pacchetto di SMS."}));
        QCOMPARE(f.env.prompter.last().icon, Icon::Critical);
        QCOMPARE(f.env.shell.opened.size(), 1);
        QVERIFY(f.env.shell.opened[0].startsWith(f.env.state.brand.buyLinkUrl + QStringLiteral("?user=prova&password=prova")));
        QVERIFY(f.outbox().isEmpty());
        f.verifyMessageKept(3);
        QCOMPARE(f.view.statusText(), QStringLiteral("Credito residuo: 2 SMS"));

        // Once credit is bought, the same message goes out once to each.
        SandboxGateway::addAccount(sandbox, QStringLiteral("prova"), QStringLiteral("prova"), 10, false);
        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Sent);
        QCOMPARE(f.sortedOutboxRecipients(), (QStringList{"393331234561", "393331234562", "393331234563"}));
        QCOMPARE(f.view.statusText(), QStringLiteral("Credito residuo: 7 SMS"));
    }

    // Delivery reports of the JSON gateway: asked per job after the send,
    // each recipient's state by its place in the job, not asked again once
    // every state is final; a refused number has none.
    void deliveryAskedOfTheJsonGateway()
    {
        HttpSend h;
        h.json.failDelivery(QStringLiteral("393471110002"));
        h.f.addTypedNumber(QStringLiteral("+393331110001"));
        h.f.addTypedNumber(QStringLiteral("+393471110002"));
        h.f.addTypedNumber(QStringLiteral("+3933"));
        QCOMPARE(h.f.sendAnswering(), SendProcedure::Outcome::Sent);
        Database &db = h.f.env.db();
        const QDateTime now = h.f.env.clock.now();
        QCOMPARE(pollDeliveries(db, h.gateway, now), qsizetype(2));
        QCOMPARE(pollDeliveries(db, h.gateway, now), qsizetype(0));
        const SentEntry e = readSends(db, {}).first();
        QCOMPARE((QList<qint64>{e.accepted, e.refused, e.delivered, e.failed, e.waiting}), (QList<qint64>{2, 1, 1, 1, 0}));
        QStringList states;
        for (const SentRecipient &r : readSentRecipients(db, e.id))
            states << r.number + QLatin1Char(' ') + deliveryWord(r.outcome, r.report);
        QCOMPARE(states, (QStringList{"+393331110001 consegnato", "+393471110002 non consegnato", "+3933 "}));
        QCOMPARE(h.json.calls(JsonGateway::Call::Delivery), 1);
    }

    // The commit itself fails: nothing is lost from the message being prepared
    // and the checks that follow a send wait for one that succeeds.
    void failureAtCommitKeepsState()
    {
        FakeGateway gw;
        gw.failCloseWith = ErrorNo::GatewayNoConnection;
        SendFixture f(&gw);
        f.logIn();
        f.env.session.setServerChecksDone(false);
        f.addTypedNumber(kNumber);

        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Failed);
        QCOMPARE(f.env.prompter.last().text,
                 QStringLiteral("La connessione ad Internet non è attiva. Connettersi e riprovare."));
        QVERIFY(gw.delivered.isEmpty());
        f.verifyMessageKept(1);
        QCOMPARE(f.view.statusText(), QStringLiteral("Credito residuo: 100 SMS"));
        QVERIFY(!f.env.session.serverChecksDone());

        gw.failCloseWith = 0;
        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Sent);
        QCOMPARE(numbers(gw.delivered), QStringList{QString(kNumber).mid(1)}); // once, not twice
        QVERIFY(f.env.session.serverChecksDone());
    }

    // Once the gateway has the message, a failing status refresh is reported
    // but the message is gone from the window: sending it again would repeat it.
    void failureAfterDeliveryStillClearsTheMessage()
    {
        FakeGateway gw;
        gw.failCreditOnceDelivered = ErrorNo::GatewayNoConnection;
        SendFixture f(&gw);
        f.logIn();
        f.addTypedNumber(kNumber);

        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Sent);
        QCOMPARE(f.env.prompter.texts(),
                 (QStringList{question(1), QStringLiteral("La connessione ad Internet non è attiva. Connettersi e riprovare."),
                              kSuccess}));
        QCOMPARE(numbers(gw.delivered), QStringList{QString(kNumber).mid(1)});
        QCOMPARE(f.view.cleared, 1);
        QCOMPARE(f.stateRows(), qint64(0));
    }

    void progressAndSecondClick()
    {
        SendFixture f;
        f.logIn();
        for (int i = 0; i < 3; ++i)
            f.addTypedNumber(QStringLiteral("+39333123456%1").arg(i));
        QList<SendProcedure::Outcome> nested;
        f.view.onProcessEvents = [&] { nested << f.send.run(); };

        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Sent);
        QVERIFY(f.view.processed >= 2);
        QCOMPARE(nested, QList<SendProcedure::Outcome>(f.view.processed, SendProcedure::Outcome::Busy));
        QVERIFY(f.view.statusHistory.contains(QStringLiteral("Invio in corso....")));
        QVERIFY(f.view.statusHistory.contains(QStringLiteral("Invio in corso.... (3 di 3)")));
        QCOMPARE(f.view.statusText(), QStringLiteral("Credito residuo: 97 SMS"));
        QVERIFY(!f.view.busy);
        QCOMPARE(f.outbox().size(), 3);
    }

    // Through the HTTP driver and the loopback reference gateway.
    void wrongNumbersWarnOnce()
    {
        HttpSend h;
        for (const char *number : {"+393331234567", "+39333", "+393", "+3933312345678901"})
            h.f.addTypedNumber(QString::fromLatin1(number));

        QCOMPARE(h.f.sendAnswering(), SendProcedure::Outcome::Sent);
        const QStringList texts = h.f.env.prompter.texts();
        QCOMPARE(texts.size(), 3);
        QCOMPARE(texts.count(QStringLiteral("Attenzione non tutti i messaggi verranno inoltrati a causa di errori nei "
                                            "numeri di cellulare...")),
                 1);
        QVERIFY(texts.last().startsWith(QStringLiteral("Connessione con il server terminata con successo.")));
        QCOMPARE(h.deliveredTo(), QStringList{QStringLiteral("393331234567")});
        QCOMPARE(historyOfOnlySend(h.f.env.db()),
                 (QStringList{"+393331234567 accettato", "+39333 rifiutato (numero errato)",
                              "+393 rifiutato (numero errato)", "+3933312345678901 rifiutato (numero errato)"}));
    }

    // The connection breaks for good, after the first of three batches or at
    // the commit the server has applied: the user is told the send failed, the
    // message stays, and sending it again delivers each message exactly once.
    void connectionLost_data()
    {
        QTest::addColumn<int>("recipients");
        QTest::addColumn<bool>("atCommit");
        QTest::newRow("after the first of three batches") << 2500 << false;
        QTest::newRow("commit applied, reply lost") << 1200 << true;
    }

    void connectionLost()
    {
        QFETCH(int, recipients);
        QFETCH(bool, atCommit);
        HttpSend h;
        h.chooseGroupOf(recipients);
        bool broken = false;
        if (atCommit)
            h.json.faultAfter(JsonGateway::Call::Commit, Fault::Reset, kEveryTry);
        auto breakAfterFirstBatch = QObject::connect(&h.gateway, &GatewayControl::progress, [&](qint64 done, qint64) {
            if (!atCommit && !broken && done > 0) {
                broken = true;
                h.json.faultAfter(JsonGateway::Call::Batch, Fault::Reset, kEveryTry);
            }
        });

        // A commit whose reply is lost is asked about: it was applied.
        QCOMPARE(h.f.sendAnswering(), atCommit ? SendProcedure::Outcome::Sent : SendProcedure::Outcome::Failed);
        QObject::disconnect(breakAfterFirstBatch);
        QCOMPARE(broken, !atCommit);
        if (atCommit) {
            QCOMPARE(h.json.calls(JsonGateway::Call::State), 1);
            QCOMPARE(h.deliveredTo().size(), recipients);
            QCOMPARE(sendCounts(h.f.env.db()), QStringList{QStringLiteral("%1/%1").arg(recipients)});
            return;
        }
        QCOMPARE(h.f.env.prompter.last().text,
                 QStringLiteral("La connessione ad Internet non è attiva. Connettersi e riprovare."));
        QCOMPARE(h.json.commitsApplied(), 0);
        QVERIFY(h.deliveredTo().isEmpty());
        QCOMPARE(h.json.credit(QStringLiteral("prova")), 100000);
        h.f.verifyMessageKept(1);

        h.json.clearFaults();
        h.f.env.prompter.clear();
        QCOMPARE(h.f.sendAnswering(), SendProcedure::Outcome::Sent);
        QCOMPARE(h.f.env.prompter.texts(),
                 (QStringList{question(recipients), kSuccess}));
        const QStringList to = h.deliveredTo();
        QCOMPARE(QSet<QString>(to.begin(), to.end()).size(), recipients);
        QCOMPARE(to.size(), recipients);
        QCOMPARE(h.json.commitsApplied(), 1);
        QCOMPARE(h.json.credit(QStringLiteral("prova")), 100000 - recipients);
        QCOMPARE(h.f.view.statusText(), QStringLiteral("Credito residuo: %1 SMS").arg(100000 - recipients));
        QCOMPARE(h.f.stateRows(), qint64(0));
    }

    // The commit fails with the gateway's error body for a server failure,
    // applied or not: only the job's state tells, and the user's retry
    // reaches each recipient once, charged once.
    void commitServerError_data()
    {
        QTest::addColumn<bool>("applied");
        QTest::addColumn<bool>("stateKnown"); // the state call answers at first
        QTest::addColumn<QString>("first");   // each recipient's outcome after the failing send
        QTest::newRow("applied") << true << true << "accettato";
        QTest::newRow("not applied") << false << true << "non inviato";
        QTest::newRow("applied, state not to be had") << true << false << "esito sconosciuto";
        QTest::newRow("not applied, state not to be had") << false << false << "esito sconosciuto";
    }

    void commitServerError()
    {
        QFETCH(bool, applied);
        QFETCH(bool, stateKnown);
        QFETCH(QString, first);
        constexpr int kRecipients = 1500;
        HttpSend h;
        h.chooseGroupOf(kRecipients);
        h.json.replyInstead(JsonGateway::Call::Commit, HttpResponse{500, R"({"error":"server","message":"db down"})"},
                            applied);
        if (!stateKnown)
            h.json.refuse(JsonGateway::Call::State, 503, "server", kEveryTry);

        const bool sent = first == QLatin1String("accettato");
        QCOMPARE(h.f.sendAnswering(), sent ? SendProcedure::Outcome::Sent : SendProcedure::Outcome::Failed);
        QCOMPARE(h.deliveredTo().size(), applied ? kRecipients : 0);
        const QStringList outcomes = historyOfOnlySend(h.f.env.db());
        QCOMPARE(outcomes.size(), kRecipients);
        QCOMPARE(outcomes.filter(QLatin1Char(' ') + first).size(), kRecipients);

        const bool unknown = first == QLatin1String("esito sconosciuto");
        if (unknown) {
            // Asked whether to include them, the user keeps the default: nothing leaves.
            h.f.env.prompter.clear();
            h.f.env.prompter.answer({Answer::Yes, Answer::No});
            QCOMPARE(h.f.send.run(), SendProcedure::Outcome::Sent);
            QCOMPARE(h.f.env.prompter.shown.at(1).buttons, Buttons::YesNoDefaultNo);
            QCOMPARE(h.deliveredTo().size(), applied ? kRecipients : 0);
            h.json.clearFaults();
            h.f.chooseGroup(h.f.env.db().scalar(QStringLiteral("SELECT ID_Lista FROM tab_liste")));
            h.f.view.text = QStringLiteral("ciao");
        }
        // The user's retry, once the gateway answers again: what the gateway
        // holds is asked first, and only those it does not have are sent.
        h.f.env.prompter.clear();
        if (!sent)
            QCOMPARE(h.f.sendAnswering(), SendProcedure::Outcome::Sent);
        const QStringList to = h.deliveredTo();
        QCOMPARE(to.size(), kRecipients);
        QCOMPARE(QSet<QString>(to.begin(), to.end()).size(), kRecipients);
        QCOMPARE(h.json.credit(QStringLiteral("prova")), 100000 - kRecipients);
        QCOMPARE(sendCounts(h.f.env.db()), QStringList{QStringLiteral("%1/%1").arg(kRecipients)});
    }

    // The program is killed at each moment of a hand-over to the sandbox,
    // whose rows are written meanwhile: until the record is committed the
    // sandbox commits nothing, and the next run asks the sandbox about the
    // job's key instead of handing everything over again.
    void killedDuringSandboxHandOver_data()
    {
        QTest::addColumn<QString>("killAt");
        QTest::addColumn<int>("taken");
        QTest::addColumn<QStringList>("recorded"); // empty: no send recorded
        const QStringList onItsWay{"+393331110001 non inoltrato", "+393471110002 non inoltrato"};
        QTest::newRow("record being written") << "send-recording" << 0 << QStringList();
        QTest::newRow("recorded, sandbox ready") << "sandbox-ready" << 0 << onItsWay;
        QTest::newRow("sandbox committed, record not told") << "sandbox-committed" << 2 << onItsWay;
    }

    void killedDuringSandboxHandOver()
    {
        QFETCH(QString, killAt);
        QFETCH(int, taken);
        QFETCH(QStringList, recorded);
        TestEnv env;
        storeLogin(env.db(), true, QStringLiteral("prova"), QStringLiteral("prova"));
        QProcess killed;
        startSend(killed, env.dataFolder(), killAt);
        QVERIFY(killed.waitForFinished(30000));
        QCOMPARE(killed.exitStatus(), QProcess::CrashExit);
        const QString sandbox = sandboxFile(env.dataFolder());
        QCOMPARE(SandboxGateway::outbox(sandbox).size(), taken);
        // Until it is asked, the record does not claim what the sandbox took.
        if (recorded.isEmpty())
            QCOMPARE(sendCounts(env.db()), QStringList());
        else
            QCOMPARE(historyOfOnlySend(env.db()), recorded);

        QProcess again;
        startSend(again, env.dataFolder());
        QVERIFY(again.waitForFinished(30000));
        QCOMPARE(again.exitCode(), 0);
        QCOMPARE(SandboxGateway::outbox(sandbox).size(), 2);
        SandboxGateway credit(sandbox);
        credit.setUserName(QStringLiteral("prova"));
        credit.setPassword(QStringLiteral("prova"));
        QCOMPARE(credit.getCredit(), 98);
        QCOMPARE(historyOfOnlySend(env.db()), (QStringList{"+393331110001 accettato", "+393471110002 accettato"}));
    }

    // A second, identical send is started from the command line while the
    // window's is between the sandbox's commit and its record: it waits,
    // then goes out on its own record. Two deliberate sends, two records.
    void identicalSendsAtOnceAreRecordedApart()
    {
        SendFixture f;
        f.logIn();
        storeLogin(f.env.db(), true, QStringLiteral("prova"), QStringLiteral("prova"));
        f.addTypedNumber(QStringLiteral("+393331110001"));
        f.addTypedNumber(QStringLiteral("+393471110002"));
        QProcess second;
        QString said;
        const auto overlap = QObject::connect(&f.gateway, &GatewayControl::progress, [&](qint64 done, qint64 total) {
            if (done < total || second.state() != QProcess::NotRunning || !said.isEmpty())
                return;
            startSend(second, f.env.dataFolder());
            while (!said.contains(QStringLiteral("attendo")) && second.state() != QProcess::NotRunning
                   && second.waitForReadyRead(30000))
                said += QString::fromUtf8(second.readAllStandardError());
            said += QString::fromUtf8(second.readAllStandardError());
        });
        QCOMPARE(f.sendAnswering(), SendProcedure::Outcome::Sent);
        QObject::disconnect(overlap);
        QVERIFY(second.waitForFinished(30000));
        said += QString::fromUtf8(second.readAllStandardError());
        QVERIFY2(said.contains(QStringLiteral("attendo")), qPrintable(said));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(f.sortedOutboxRecipients(), (QStringList{"393331110001", "393331110001", "393471110002", "393471110002"}));
        QCOMPARE(sendCounts(f.env.db()), (QStringList{"2/2", "2/2"}));
    }
};

QTEST_GUILESS_MAIN(TestSendProcedure)
#include "tst_sendprocedure.moc"
