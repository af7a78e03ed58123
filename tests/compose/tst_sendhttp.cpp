// The send through the HTTP driver against the loopback reference gateway:
// what the user sees and what the provider delivers, also when the connection
// breaks during the hand-over.
#include "SendFixture.h"

#include "gateway/HttpGateway.h"
#include "refserver/JsonGateway.h"
#include "refserver/ReferenceServer.h"
#include "store/Database.h"

#include <QSet>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

// More breaks than the driver tries, whichever connection it uses.
constexpr int kEveryTry = 10;
const QString kNoConnection = QStringLiteral("La connessione ad Internet non è attiva. Connettersi e riprovare.");

QString question(int n)
{
    return QStringLiteral("Stai per inoltrare %1 SMS. L'operazione non è reversibile. Desideri continuare?").arg(n);
}

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
        Database &db = f.env.db();
        Transaction tx(db);
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

bool allDistinct(const QStringList &list)
{
    return QSet<QString>(list.begin(), list.end()).size() == list.size();
}

} // namespace

class TestSendHttp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void groupsWithCommonMember();
    void wrongNumbersWarnOnce();
    void insufficientCredit();
    void connectionLostDuringUpload();
    void commitReplyLost();
};

void TestSendHttp::groupsWithCommonMember()
{
    HttpSend h;
    QList<qint64> c;
    for (int i = 1; i <= 5; ++i)
        c << h.f.env.addContact(QStringLiteral("C%1").arg(i), QStringLiteral("+39333000000%1").arg(i));
    h.f.chooseGroup(h.f.env.addGroup(QStringLiteral("Uno"), {c[0], c[1], c[2]}));
    h.f.chooseGroup(h.f.env.addGroup(QStringLiteral("Due"), {c[2], c[3], c[4]}));
    h.f.env.prompter.answer(Answer::Yes);

    QCOMPARE(h.f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(h.f.env.prompter.texts().size(), 3);
    QCOMPARE(h.f.env.prompter.texts().first(), question(6));
    QStringList to = h.deliveredTo();
    to.sort();
    QCOMPARE(to, (QStringList{"393330000001", "393330000002", "393330000003", "393330000004", "393330000005"}));
    QCOMPARE(h.json.credit(QStringLiteral("prova")), 100000 - 5);
    QCOMPARE(h.f.view.statusText(), QStringLiteral("Credito residuo: 99995 SMS"));
    QCOMPARE(h.f.stateRows(), qint64(0));
}

void TestSendHttp::wrongNumbersWarnOnce()
{
    HttpSend h;
    h.f.addTypedNumber(QStringLiteral("+393331234567"));
    for (const char *bad : {"+39333", "+393", "+3933312345678901"})
        h.f.addTypedNumber(QString::fromLatin1(bad));
    h.f.env.prompter.answer(Answer::Yes);

    QCOMPARE(h.f.send.run(), SendProcedure::Outcome::Sent);
    const QStringList texts = h.f.env.prompter.texts();
    QCOMPARE(texts.size(), 3);
    QCOMPARE(texts.count(QStringLiteral("Attenzione non tutti i messaggi verranno inoltrati a causa di errori nei "
                                        "numeri di cellulare...")),
             1);
    QVERIFY(texts.last().startsWith(QStringLiteral("Connessione con il server terminata con successo.")));
    QCOMPARE(h.deliveredTo(), QStringList{QStringLiteral("393331234567")});
}

void TestSendHttp::insufficientCredit()
{
    HttpSend h(2);
    for (int i = 1; i <= 3; ++i)
        h.f.addTypedNumber(QStringLiteral("+39333123456%1").arg(i));
    h.f.env.prompter.answer(Answer::Yes);

    QCOMPARE(h.f.send.run(), SendProcedure::Outcome::Failed);
    QCOMPARE(h.f.env.prompter.last().text,
             QStringLiteral("Credito SMS insufficiente. E' necessario acquistare un nuovo pacchetto di SMS."));
    QCOMPARE(h.f.env.shell.opened.size(), 1);
    QVERIFY(h.deliveredTo().isEmpty());
    QCOMPARE(h.json.credit(QStringLiteral("prova")), 2);
    QCOMPARE(h.f.stateRows(), qint64(3));
    QCOMPARE(h.f.view.text, QStringLiteral("ciao"));
}

// The connection breaks after the first of three batches and stays broken for
// every retry: nothing goes out, and the message is there to send again.
void TestSendHttp::connectionLostDuringUpload()
{
    HttpSend h;
    h.chooseGroupOf(2500);
    bool broken = false;
    auto breakAfterFirstBatch = QObject::connect(&h.gateway, &GatewayControl::progress, [&](qint64 done, qint64) {
        if (!broken && done > 0) {
            broken = true;
            h.json.faultAfter(JsonGateway::Call::Batch, Fault::Reset, kEveryTry);
        }
    });
    h.f.env.prompter.answer(Answer::Yes);

    QCOMPARE(h.f.send.run(), SendProcedure::Outcome::Failed);
    QObject::disconnect(breakAfterFirstBatch);
    QVERIFY(broken);
    QCOMPARE(h.f.env.prompter.last().text, kNoConnection);
    QVERIFY(h.deliveredTo().isEmpty());
    QCOMPARE(h.json.credit(QStringLiteral("prova")), 100000);
    QCOMPARE(h.f.stateRows(), qint64(1));
    QCOMPARE(h.f.view.text, QStringLiteral("ciao"));
    QCOMPARE(h.f.view.cleared, 0);
    QVERIFY(!h.f.view.busy);

    h.json.clearFaults();
    h.f.env.prompter.clear();
    h.f.env.prompter.answer(Answer::Yes);
    QCOMPARE(h.f.send.run(), SendProcedure::Outcome::Sent);
    QCOMPARE(h.f.env.prompter.texts(), (QStringList{question(2500), QStringLiteral("Messaggio inoltrato con successo")}));
    const QStringList to = h.deliveredTo();
    QCOMPARE(to.size(), 2500);
    QVERIFY(allDistinct(to));
    QCOMPARE(h.json.credit(QStringLiteral("prova")), 100000 - 2500);
}

// The commit went through but no reply came back: the user is told it
// failed, and sending the same message again delivers nothing twice.
void TestSendHttp::commitReplyLost()
{
    HttpSend h;
    h.chooseGroupOf(1200);
    h.json.faultAfter(JsonGateway::Call::Commit, Fault::Reset, kEveryTry);
    h.f.env.prompter.answer(Answer::Yes);

    QCOMPARE(h.f.send.run(), SendProcedure::Outcome::Failed);
    QCOMPARE(h.f.env.prompter.last().text, kNoConnection);
    QCOMPARE(h.f.stateRows(), qint64(1));
    QCOMPARE(h.json.commitsApplied(), 1);

    h.json.clearFaults();
    h.f.env.prompter.answer(Answer::Yes);
    QCOMPARE(h.f.send.run(), SendProcedure::Outcome::Sent);
    const QStringList to = h.deliveredTo();
    QCOMPARE(to.size(), 1200);
    QVERIFY(allDistinct(to));
    QCOMPARE(h.json.commitsApplied(), 1);
    QCOMPARE(h.json.credit(QStringLiteral("prova")), 100000 - 1200);
    QCOMPARE(h.f.stateRows(), qint64(0));
}

QTEST_GUILESS_MAIN(TestSendHttp)
#include "tst_sendhttp.moc"
