// A send refused for its size must leave nothing queued behind: the next,
// smaller send delivers its own messages only.
#include "mock/TestEnv.h"

#include "core/Error.h"
#include "gateway/GatewayFactory.h"
#include "gateway/SandboxGateway.h"
#include "refserver/JsonGateway.h"
#include "refserver/ReferenceServer.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

class TestQueueLimit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusedSendIsDropped_data()
    {
        QTest::addColumn<bool>("http");
        QTest::newRow("sandbox") << false;
        QTest::newRow("http") << true;
    }

    void refusedSendIsDropped()
    {
        QFETCH(bool, http);
        TestEnv env;
        const QString file = sandboxFile(env.dataFolder());
        SandboxGateway::addAccount(file, QStringLiteral("prova"), QStringLiteral("prova"), 10, false);
        JsonGateway json;
        ReferenceServer server;
        json.install(server);
        json.addAccount(QStringLiteral("prova"), QStringLiteral("prova"), 10);
        const auto gw = makeGatewayFactory(http ? json.url(server) : QStringLiteral("sandbox:"), env.dataFolder(),
                                           *env.settings)();
        gw->setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
        gw->setUserName(QStringLiteral("prova"));
        gw->setPassword(QStringLiteral("prova"));

        int error = 0;
        try {
            for (qsizetype i = 0; i <= 1000000; ++i) // one more than either driver queues
                gw->addSMS(QStringLiteral("393331111111"), QStringLiteral("troppi"), QStringLiteral("NOW"));
        } catch (const Error &e) {
            error = e.number();
        }
        QCOMPARE(error, ErrorNo::GatewayMaxQueue);
        gw->addSMS(QStringLiteral("393332222222"), QStringLiteral("uno solo"), QStringLiteral("NOW"));
        gw->transmit();
        gw->closeConnection();

        QStringList delivered;
        for (const auto &m : json.delivered())
            delivered << m.to;
        for (const auto &m : SandboxGateway::outbox(file))
            delivered << m.recipient;
        QCOMPARE(delivered, QStringList{QStringLiteral("393332222222")});
    }
};

QTEST_GUILESS_MAIN(TestQueueLimit)
#include "tst_queuelimit.moc"
