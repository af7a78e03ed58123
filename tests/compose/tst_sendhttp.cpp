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

} // namespace

class TestSendHttp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void groupsWithCommonMember()
    {
        HttpSend h;
        h.f.chooseOverlappingGroups();

        QCOMPARE(h.f.sendAnswering(), SendProcedure::Outcome::Sent);
        QCOMPARE(h.f.env.prompter.texts().size(), 3);
        QCOMPARE(h.f.env.prompter.texts().first(), question(5));
        QStringList to = h.deliveredTo();
        to.sort();
        QCOMPARE(to, (QStringList{"393330000001", "393330000002", "393330000003", "393330000004", "393330000005"}));
        QCOMPARE(h.json.credit(QStringLiteral("prova")), 100000 - 5);
        QCOMPARE(h.f.view.statusText(), QStringLiteral("Credito residuo: 99995 SMS"));
        QCOMPARE(h.f.stateRows(), qint64(0));
    }

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

    void insufficientCredit()
    {
        HttpSend h(2);
        for (int i = 1; i <= 3; ++i)
            h.f.addTypedNumber(QStringLiteral("+39333123456%1").arg(i));

        QCOMPARE(h.f.sendAnswering(), SendProcedure::Outcome::Failed);
        QCOMPARE(h.f.env.prompter.last().text,
                 QStringLiteral("Credito SMS insufficiente. E' necessario acquistare un nuovo pacchetto di SMS."));
        QCOMPARE(h.f.env.shell.opened.size(), 1);
        QVERIFY(h.deliveredTo().isEmpty());
        QCOMPARE(h.json.credit(QStringLiteral("prova")), 2);
        h.f.verifyMessageKept(3);
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

        QCOMPARE(h.f.sendAnswering(), SendProcedure::Outcome::Failed);
        QObject::disconnect(breakAfterFirstBatch);
        QCOMPARE(broken, !atCommit);
        QCOMPARE(h.f.env.prompter.last().text,
                 QStringLiteral("La connessione ad Internet non è attiva. Connettersi e riprovare."));
        QCOMPARE(h.json.commitsApplied(), atCommit ? 1 : 0);
        if (!atCommit) {
            QVERIFY(h.deliveredTo().isEmpty());
            QCOMPARE(h.json.credit(QStringLiteral("prova")), 100000);
        }
        h.f.verifyMessageKept(1);

        h.json.clearFaults();
        h.f.env.prompter.clear();
        QCOMPARE(h.f.sendAnswering(), SendProcedure::Outcome::Sent);
        QCOMPARE(h.f.env.prompter.texts(),
                 (QStringList{question(recipients), QStringLiteral("Messaggio inoltrato con successo")}));
        const QStringList to = h.deliveredTo();
        QCOMPARE(QSet<QString>(to.begin(), to.end()).size(), recipients);
        QCOMPARE(to.size(), recipients);
        QCOMPARE(h.json.commitsApplied(), 1);
        QCOMPARE(h.json.credit(QStringLiteral("prova")), 100000 - recipients);
        QCOMPARE(h.f.stateRows(), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestSendHttp)
#include "tst_sendhttp.moc"
