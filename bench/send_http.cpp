// send-http: messages per second handed over by the send through the HTTP
// driver to the reference gateway on loopback (the whole address book of
// 100,000 contacts: upload in batches, commit, delivery).
#include "SendFixture.h"

#include "gateway/HttpGateway.h"
#include "refserver/JsonGateway.h"
#include "refserver/ReferenceServer.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

using namespace brio;
using namespace brio::test;

namespace {

constexpr int kContacts = 100000;
constexpr int kRounds = 3;
const QString kText = QStringLiteral("Promemoria: domani alle 9 riunione in sede. Rispondere a questo numero.");

double messagesPerSecond()
{
    ReferenceServer server;
    JsonGateway json;
    json.install(server);
    json.addAccount(QStringLiteral("prova"), QStringLiteral("prova"), 10 * kContacts);
    HttpGateway gateway(HttpGateway::checkUrl(json.url(server)), 20);
    gateway.setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
    SendFixture f(&gateway);
    f.logIn();
    {
        Database &db = f.env.db();
        Transaction tx(db);
        Statement st = db.prepare(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES (?, ?)"));
        for (int i = 0; i < kContacts; ++i) {
            st.bind(1, QStringLiteral("Contatto %1").arg(i))
                .bind(2, QStringLiteral("+39333%1").arg(i, 7, 10, QLatin1Char('0')))
                .run();
            st.reset();
        }
        tx.commit();
    }
    f.view.whole = true;
    f.view.text = kText;
    f.env.prompter.answer(Answer::Yes);

    QElapsedTimer t;
    t.start();
    const auto outcome = f.send.run();
    const double seconds = t.nsecsElapsed() / 1e9;
    if (outcome != SendProcedure::Outcome::Sent || json.delivered().size() != kContacts) {
        std::fprintf(stderr, "send-http: the send did not deliver %d messages\n", kContacts);
        std::exit(1);
    }
    return kContacts / seconds;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    QList<double> rates;
    for (int i = 0; i < kRounds; ++i)
        rates << messagesPerSecond();
    std::sort(rates.begin(), rates.end());
    const double rate = rates[rates.size() / 2];
    std::fprintf(stderr, "send-http: %d messages, rounds %.0f / %.0f / %.0f msg/s\n", kContacts, rates[0], rates[1],
                 rates[2]);
    std::printf("send-http: %.0f msg/s (target >= 20000) %s\n", rate, rate >= 20000 ? "PASS" : "MISS");
    return 0;
}
