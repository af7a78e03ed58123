#include "SendFixture.h"

#include "gateway/GatewayFactory.h"
#include "mock/FakeGateway.h"
#include "store/Database.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

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

QString commonNotice(int n)
{
    return QStringLiteral("I gruppi programmati per l'invio contengono nominativi in comune.\n"
                          "Per evitare invii duplicati alla stessa persona, la procedura\n"
                          "invierà soltanto %1 SMS, e dal tuo account verranno scalati\n"
                          "soltanto %1 SMS.")
        .arg(n);
}

QStringList numbers(const QList<FakeGateway::Sms> &list)
{
    QStringList out;
    for (const auto &s : list)
        out << s.number;
    return out;
}

QStringList recipients(const QList<SandboxGateway::Message> &list)
{
    QStringList out;
    for (const auto &m : list)
        out << m.recipient;
    return out;
}

} // namespace

class TestSendProcedure : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stopsAtChecks_data();
    void stopsAtChecks();
    void deferredTime_data();
    void deferredTime();
    void declinedHandsNothingOver();
    void loginWindowWhenControlHasNoUser();
    void cancelledLoginFailsWithoutSending();
    void groupsWithCommonMember();
    void numberAndGroupWithoutCommonMember();
    void wrongNumberWarnsOnce();
    void wrongNumbersThroughSandbox();
    void wholeAddressBookIgnoresLists();
    void insufficientCreditKeepsState();
    void failureAtCommitKeepsState();
    void progressAndSecondClick();
    void serverChecksAfterSuccessOnly();
};

// Every check stops before the confirmation, with nothing handed over.
void TestSendProcedure::stopsAtChecks_data()
{
    QTest::addColumn<bool>("whole");
    QTest::addColumn<bool>("withNumber");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("focus"); // -1: none

    const int none = -1;
    const int textField = int(SendView::Field::Text);
    const int dateField = int(SendView::Field::Date);
    const int timeField = int(SendView::Field::Time);
    const int excl = int(Icon::Exclamation);
    const int crit = int(Icon::Critical);
    const QString noDate;

    QTest::newRow("no recipients") << false << false << "ciao" << noDate << noDate
                                   << "Nessun destinatario inserito." << excl << none;
    QTest::newRow("empty text") << false << true << "" << noDate << noDate
                                << "Inserire il testo del testo messaggio." << excl << textField;
    QTest::newRow("date not typed") << false << true << "ciao" << "__-__-____" << "10:00" << "Data errata." << crit
                                    << dateField;
    QTest::newRow("no such day") << false << true << "ciao" << "31-06-2026" << "10:00" << "Data errata." << crit
                                 << dateField;
    QTest::newRow("29 february of a common year")
        << false << true << "ciao" << "29-02-2027" << "10:00" << "Data errata." << crit << dateField;
    QTest::newRow("date before today") << false << true << "ciao" << "14-06-2026" << "23:59"
                                       << "La data impostata è antecedente alla data attuale." << crit << dateField;
    QTest::newRow("hour 25") << false << true << "ciao" << "16-06-2026" << "25:00" << "Ora errata." << crit
                             << timeField;
    QTest::newRow("time half typed") << false << true << "ciao" << "16-06-2026" << "1_:3_" << "Ora errata." << crit
                                     << timeField;
    QTest::newRow("24:30 is no time") << false << true << "ciao" << "16-06-2026" << "24:30" << "Ora errata." << crit
                                      << timeField;
    QTest::newRow("empty address book") << true << false << "ciao" << noDate << noDate
                                        << "E' necessario inserire almeno un destinatario per l'invio." << crit << none;
}

void TestSendProcedure::stopsAtChecks()
{
    QFETCH(bool, whole);
    QFETCH(bool, withNumber);
    QFETCH(QString, text);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, message);
    QFETCH(int, icon);
    QFETCH(int, focus);

    FakeGateway gw;
    SendFixture f(&gw);
    f.logIn();
    if (withNumber)
        f.addTypedNumber(QStringLiteral("+393331234567"));
    f.view.whole = whole;
    f.view.text = text;
    if (!date.isNull()) {
        f.view.deferredSend = true;
        f.view.date = date;
        f.view.time = time;
    }

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Stopped);
    QCOMPARE(f.env.prompter.texts(), QStringList{message});
    QCOMPARE(int(f.env.prompter.last().icon), icon);
    QCOMPARE(f.env.prompter.last().title, f.env.state.MsgBoxCaption);
    if (focus < 0)
        QVERIFY(f.view.focused.isEmpty());
    else
        QCOMPARE(f.view.focused, QList<SendView::Field>{SendView::Field(focus)});
    QVERIFY(gw.added.isEmpty());
    QVERIFY(gw.calls.filter(QStringLiteral("Transmit")).isEmpty());
    QCOMPARE(f.windows.loginShown, 0);
    QCOMPARE(f.view.cleared, 0);
    QCOMPARE(f.stateRows(), qint64(withNumber ? 1 : 0));
}

void TestSendProcedure::deferredTime_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("shownDate");
    QTest::addColumn<QString>("shownTime");

    // The clock says 15-06-2026 10:30.
    QTest::newRow("today, hour already past") << "15-06-2026" << "08:00" << "15-06-2026 08:00" << "15-06-2026"
                                              << "08:00";
    QTest::newRow("later") << "25-12-2026" << "18:30" << "25-12-2026 18:30" << "25-12-2026" << "18:30";
    QTest::newRow("24:00 is midnight of the next day")
        << "15-06-2026" << "24:00" << "16-06-2026 00:00" << "16-06-2026" << "00:00";
    QTest::newRow("24:00 at the end of the year")
        << "31-12-2026" << "24:00" << "01-01-2027 00:00" << "01-01-2027" << "00:00";
}

void TestSendProcedure::deferredTime()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, when);
    QFETCH(QString, shownDate);
    QFETCH(QString, shownTime);

    SendFixture f; // the sandbox checks the time it is given as well
    f.logIn();
    f.addTypedNumber(QStringLiteral("+393331234567"));
    f.view.deferredSend = true;
    f.view.date = date;
    f.view.time = time;
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(f.view.date, shownDate);
    QCOMPARE(f.view.time, shownTime);
    const auto out = f.outbox();
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].when, when);
    QCOMPARE(out[0].recipient, QStringLiteral("393331234567"));
    QCOMPARE(out[0].text, QStringLiteral("ciao"));
    QCOMPARE(f.env.prompter.texts(), (QStringList{question(1), kSuccess}));
}

void TestSendProcedure::declinedHandsNothingOver()
{
    FakeGateway gw;
    SendFixture f(&gw);
    f.addTypedNumber(QStringLiteral("+393331234567"));
    f.env.prompter.answer(Answer::No);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Declined);
    QCOMPARE(f.env.prompter.texts(), QStringList{question(1)});
    QCOMPARE(f.env.prompter.last().icon, Icon::None);
    QCOMPARE(f.env.prompter.last().buttons, Buttons::YesNo);
    QCOMPARE(f.windows.loginShown, 0);
    QVERIFY(gw.added.isEmpty());
    QVERIFY(gw.calls.isEmpty());
    QCOMPARE(f.stateRows(), qint64(1));
    QCOMPARE(f.view.text, QStringLiteral("ciao"));
}

void TestSendProcedure::loginWindowWhenControlHasNoUser()
{
    SendFixture f;
    f.addTypedNumber(QStringLiteral("+393331234567"));
    f.windows.loginWith(QStringLiteral("prova"), QStringLiteral("prova"));
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(f.windows.loginShown, 1);
    QCOMPARE(f.gateway.userName(), QStringLiteral("prova"));
    QCOMPARE(recipients(f.outbox()), QStringList{QStringLiteral("393331234567")});
    QCOMPARE(f.view.statusText(), QStringLiteral("Credito residuo: 99 SMS"));

    // The control now has a user: the next send asks no login.
    f.addTypedNumber(QStringLiteral("+393331234568"));
    f.view.text = QStringLiteral("ancora");
    f.env.prompter.answer(Answer::Yes);
    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(f.windows.loginShown, 1);
    QCOMPARE(f.outbox().size(), 2);
}

void TestSendProcedure::cancelledLoginFailsWithoutSending()
{
    FakeGateway gw;
    SendFixture f(&gw);
    f.addTypedNumber(QStringLiteral("+393331234567"));
    f.windows.cancelLogin();
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Failed);
    QCOMPARE(f.windows.loginShown, 1);
    QCOMPARE(f.env.prompter.texts(),
             (QStringList{question(1), QStringLiteral("UserName o Password inserita errata. Riprovare.")}));
    QVERIFY(!gw.authenticated);
    QVERIFY(gw.added.isEmpty());
    QCOMPARE(f.stateRows(), qint64(1));
    QVERIFY(!f.view.busy);
}

// Two groups of three with one member in common: six announced, five sent.
void TestSendProcedure::groupsWithCommonMember()
{
    FakeGateway gw;
    SendFixture f(&gw);
    f.logIn();
    QList<qint64> c;
    for (int i = 1; i <= 5; ++i)
        c << f.env.addContact(QStringLiteral("Contatto %1").arg(i), QStringLiteral("+39333000000%1").arg(i));
    f.chooseGroup(f.env.addGroup(QStringLiteral("Uno"), {c[0], c[1], c[2]}));
    f.chooseGroup(f.env.addGroup(QStringLiteral("Due"), {c[2], c[3], c[4]}));
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(f.env.prompter.texts(), (QStringList{question(6), commonNotice(5), kSuccess}));
    QCOMPARE(f.env.prompter.shown[1].icon, Icon::Information);
    QStringList sent = numbers(gw.delivered);
    sent.sort();
    QCOMPARE(sent, (QStringList{"393330000001", "393330000002", "393330000003", "393330000004", "393330000005"}));
    for (const auto &s : gw.delivered)
        QCOMPARE(s.when, QStringLiteral("NOW"));
    QCOMPARE(gw.calls.mid(gw.calls.indexOf(QStringLiteral("Transmit"))),
             (QStringList{"Transmit", "CloseConnection", "UserName=prova", "Password", "GetCredit"}));
    QCOMPARE(f.view.cleared, 1);
    QCOMPARE(f.stateRows(), qint64(0));
}

// Typed numbers first, then chosen contacts, then group members; a contact
// chosen by hand and reached through a group goes once per source.
void TestSendProcedure::numberAndGroupWithoutCommonMember()
{
    FakeGateway gw;
    SendFixture f(&gw);
    f.logIn();
    const qint64 a = f.env.addContact(QStringLiteral("A"), QStringLiteral("+393330000001"));
    const qint64 b = f.env.addContact(QStringLiteral("B"), QStringLiteral("+393330000002"));
    const qint64 c = f.env.addContact(QStringLiteral("C"), QStringLiteral("+393330000003"));
    f.chooseGroup(f.env.addGroup(QStringLiteral("Gruppo"), {b, c}));
    f.chooseContact(a);
    f.chooseContact(b);
    f.addTypedNumber(QStringLiteral("+393339999999"));
    f.view.text = QStringLiteral("Ci vediamo alle 8");
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(f.env.prompter.texts(), (QStringList{question(5), kSuccess}));
    const QStringList sent = numbers(gw.delivered);
    QCOMPARE(sent.size(), 5);
    QCOMPARE(sent[0], QStringLiteral("393339999999"));
    QCOMPARE((QStringList{sent[1], sent[2]}), (QStringList{"393330000001", "393330000002"}));
    QCOMPARE((QStringList{sent[3], sent[4]}), (QStringList{"393330000002", "393330000003"}));
    QCOMPARE(gw.delivered[0].text, QStringLiteral("Ci vediamo alle 8"));
}

void TestSendProcedure::wrongNumberWarnsOnce()
{
    FakeGateway gw;
    gw.wrongNumbers = 3;
    SendFixture f(&gw);
    f.logIn();
    f.addTypedNumber(QStringLiteral("+393331234567"));
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(f.env.prompter.texts(), (QStringList{question(1), kWrongWarning, kWrongClosing}));
    QCOMPARE(f.env.prompter.shown[1].icon, Icon::Critical);
    QCOMPARE(f.env.prompter.shown[2].icon, Icon::Information);

    // The warning belongs to one send.
    gw.wrongNumbers = 0;
    f.addTypedNumber(QStringLiteral("+393331234567"));
    f.view.text = QStringLiteral("ciao");
    f.env.prompter.clear();
    f.env.prompter.answer(Answer::Yes);
    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(f.env.prompter.texts(), (QStringList{question(1), kSuccess}));
}

void TestSendProcedure::wrongNumbersThroughSandbox()
{
    SendFixture f;
    f.logIn();
    f.env.addContact(QStringLiteral("Buono"), QStringLiteral("+393331234567"));
    for (int i = 0; i < 3; ++i)
        f.env.addContact(QStringLiteral("Corto %1").arg(i), QStringLiteral("+3933%1").arg(i));
    f.view.whole = true;
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(f.env.prompter.texts(), (QStringList{question(4), kWrongWarning, kWrongClosing}));
    QCOMPARE(recipients(f.outbox()), QStringList{QStringLiteral("393331234567")});
}

void TestSendProcedure::wholeAddressBookIgnoresLists()
{
    SendFixture f;
    f.logIn();
    const qint64 a = f.env.addContact(QStringLiteral("A"), QStringLiteral("+393330000001"));
    const qint64 b = f.env.addContact(QStringLiteral("B"), QStringLiteral("+393330000002"));
    f.env.addContact(QStringLiteral("C"), QStringLiteral("+393330000003"));
    f.addTypedNumber(QStringLiteral("+393339999999"));
    f.chooseContact(a);
    f.chooseGroup(f.env.addGroup(QStringLiteral("G"), {a, b}));
    f.view.whole = true;
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(f.env.prompter.texts(), (QStringList{question(3), kSuccess}));
    QStringList sent = recipients(f.outbox());
    sent.sort();
    QCOMPARE(sent, (QStringList{"393330000001", "393330000002", "393330000003"}));
    for (const auto &m : f.outbox())
        QCOMPARE(m.account, QStringLiteral("prova"));
}

void TestSendProcedure::insufficientCreditKeepsState()
{
    SendFixture f;
    f.logIn();
    SandboxGateway::addAccount(sandboxFile(f.env.state.InstallDir), QStringLiteral("prova"),
                               QStringLiteral("prova"), 2, false);
    for (int i = 1; i <= 3; ++i)
        f.addTypedNumber(QStringLiteral("+39333123456%1").arg(i));
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Failed);
    QCOMPARE(f.env.prompter.texts(),
             (QStringList{question(3), QStringLiteral("Credito SMS insufficiente. E' necessario acquistare un "
                                                      "nuovo pacchetto di SMS.")}));
    QCOMPARE(f.env.prompter.last().icon, Icon::Critical);
    QCOMPARE(f.env.shell.opened.size(), 1);
    QVERIFY(f.env.shell.opened[0].startsWith(f.env.state.BuyLinkURL + QStringLiteral("?user=prova&password=prova")));
    QVERIFY(f.outbox().isEmpty());
    QCOMPARE(f.stateRows(), qint64(3));
    QCOMPARE(f.view.text, QStringLiteral("ciao"));
    QCOMPARE(f.view.cleared, 0);
    QVERIFY(!f.view.busy);
    QCOMPARE(f.view.statusText(), QStringLiteral("Credito residuo: 2 SMS"));

    // Once credit is bought, the same message goes out once to each.
    SandboxGateway::addAccount(sandboxFile(f.env.state.InstallDir), QStringLiteral("prova"),
                               QStringLiteral("prova"), 10, false);
    f.env.prompter.answer(Answer::Yes);
    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QStringList sent = recipients(f.outbox());
    sent.sort();
    QCOMPARE(sent, (QStringList{"393331234561", "393331234562", "393331234563"}));
    QCOMPARE(f.view.statusText(), QStringLiteral("Credito residuo: 7 SMS"));
}

// The commit itself fails: nothing is lost from the message being prepared.
void TestSendProcedure::failureAtCommitKeepsState()
{
    FakeGateway gw;
    gw.failCloseWith = ErrorNo::GatewayNoConnection;
    SendFixture f(&gw);
    f.logIn();
    f.addTypedNumber(QStringLiteral("+393331234567"));
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Failed);
    QCOMPARE(f.env.prompter.last().text,
             QStringLiteral("La connessione ad Internet non è attiva. Connettersi e riprovare."));
    QVERIFY(gw.delivered.isEmpty());
    QCOMPARE(f.stateRows(), qint64(1));
    QCOMPARE(f.view.text, QStringLiteral("ciao"));
    QVERIFY(!f.view.busy);
    QCOMPARE(f.view.statusText(), QStringLiteral("Credito residuo: 100 SMS"));
}

void TestSendProcedure::progressAndSecondClick()
{
    SendFixture f;
    f.logIn();
    for (int i = 0; i < 3; ++i)
        f.addTypedNumber(QStringLiteral("+39333123456%1").arg(i));
    QList<SendProcedure::Outcome> nested;
    f.view.onProcessEvents = [&] { nested << f.send.run(); };
    f.env.prompter.answer(Answer::Yes);

    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QVERIFY(f.view.processed >= 2);
    QCOMPARE(nested.size(), f.view.processed);
    for (auto o : nested)
        QCOMPARE(o, SendProcedure::Outcome::Busy);
    QVERIFY(f.view.statusHistory.contains(QStringLiteral("Invio in corso....")));
    QVERIFY(f.view.statusHistory.contains(QStringLiteral("Invio in corso.... (3 di 3)")));
    QCOMPARE(f.view.statusText(), QStringLiteral("Credito residuo: 97 SMS"));
    QVERIFY(!f.view.busy);
    QCOMPARE(f.outbox().size(), 3);
}

void TestSendProcedure::serverChecksAfterSuccessOnly()
{
    FakeGateway gw;
    SendFixture f(&gw);
    f.logIn();
    f.env.state.ServerChecksDone = false;
    f.addTypedNumber(QStringLiteral("+393331234567"));

    gw.failTransmitWith = ErrorNo::GatewayServer;
    f.env.prompter.answer(Answer::Yes);
    QCOMPARE(f.send.run(), SendProcedure::Outcome::Failed);
    QVERIFY(!f.env.state.ServerChecksDone);

    gw.failTransmitWith = 0;
    f.env.prompter.answer(Answer::Yes);
    QCOMPARE(f.send.run(), SendProcedure::Outcome::Sent);
    QVERIFY(f.env.state.ServerChecksDone);
}

QTEST_GUILESS_MAIN(TestSendProcedure)
#include "tst_sendprocedure.moc"
