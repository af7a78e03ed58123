// A send refused for its size must leave nothing queued behind: the next,
// smaller send delivers its own messages only.
#include "mock/TestEnv.h"

#include "app/Error.h"
#include "gateway/GatewayFactory.h"
#include "gateway/HttpGateway.h"
#include "gateway/SandboxGateway.h"
#include "refserver/JsonGateway.h"
#include "refserver/ReferenceServer.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

constexpr qsizetype kLimit = 1000000; // what both drivers queue at most

// Queues until the driver refuses; returns the error number.
int overfill(GatewayControl &gw)
{
    const QString number = QStringLiteral("393331111111");
    const QString text = QStringLiteral("troppi");
    try {
        for (qsizetype i = 0; i <= kLimit; ++i)
            gw.addSMS(number, text, QStringLiteral("NOW"));
    } catch (const Error &e) {
        return e.number();
    }
    return 0;
}

} // namespace

class TestQueueLimit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sandboxDropsRefusedSend()
    {
        TestEnv env;
        const QString file = sandboxFile(env.dataFolder());
        SandboxGateway::addAccount(file, QStringLiteral("prova"), QStringLiteral("prova"), 10, false);
        SandboxGateway gw(file);
        gw.setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
        gw.setUserName(QStringLiteral("prova"));
        gw.setPassword(QStringLiteral("prova"));

        QCOMPARE(overfill(gw), ErrorNo::GatewayMaxQueue);
        gw.addSMS(QStringLiteral("393332222222"), QStringLiteral("uno solo"), QStringLiteral("NOW"));
        gw.transmit();
        gw.closeConnection();
        const auto out = SandboxGateway::outbox(file);
        QCOMPARE(out.size(), 1);
        QCOMPARE(out[0].recipient, QStringLiteral("393332222222"));
    }

    void httpDropsRefusedSend()
    {
        ReferenceServer server;
        JsonGateway json;
        json.install(server);
        json.addAccount(QStringLiteral("prova"), QStringLiteral("prova"), 10);
        HttpGateway gw(HttpGateway::checkUrl(json.url(server)), 5);
        gw.setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
        gw.setUserName(QStringLiteral("prova"));
        gw.setPassword(QStringLiteral("prova"));

        QCOMPARE(overfill(gw), ErrorNo::GatewayMaxQueue);
        gw.addSMS(QStringLiteral("393332222222"), QStringLiteral("uno solo"), QStringLiteral("NOW"));
        gw.transmit();
        gw.closeConnection();
        const auto out = json.delivered();
        QCOMPARE(out.size(), 1);
        QCOMPARE(out[0].to, QStringLiteral("393332222222"));
    }
};

QTEST_GUILESS_MAIN(TestQueueLimit)
#include "tst_queuelimit.moc"
