#include "app/GatewayChoice.h"
#include "gateway/GatewayControl.h"
#include "gateway/SandboxGateway.h"
#include "mock/TestEnv.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

// A bad gateway address is the user's setting, not the server's fault: its
// own number, the setting and the value named; from the settings file the
// program still starts, on the sandbox.
class TestGatewayChoice final : public QObject
{
    Q_OBJECT

private slots:
    void badAddress_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QString>("named");
        QTest::newRow("good setting") << "" << "http://127.0.0.1:8080/gw" << true << "";
        QTest::newRow("other scheme on the command line") << "ftp://x" << "sandbox:" << false << "--gateway";
        QTest::newRow("port out of range on the command line") << "http://127.0.0.1:99999/gw" << "sandbox:" << false
                                                               << "--gateway";
        QTest::newRow("remote http in the settings") << "" << "http://sms.example.com/gw" << true << "Gateway/URL";
    }

    void badAddress()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, setting);
        QFETCH(bool, starts);
        QFETCH(QString, named);
        TestEnv env;
        env.ctx->makeGateway = nullptr;
        env.settings->set(Key::GatewayURL, setting);
        QCOMPARE(chooseGateway(*env.ctx, commandLine), starts);
        if (named.isEmpty()) {
            QVERIFY(env.prompter.shown.isEmpty());
            QVERIFY(env.ctx->makeGateway);
            return;
        }
        QCOMPARE(env.prompter.shown.size(), 1);
        const QString text = env.prompter.last().text;
        QVERIFY2(text.contains(QLatin1String("29001")) && text.contains(named)
                     && text.contains(commandLine.isEmpty() ? setting : commandLine),
                 qPrintable(text));
        QVERIFY(!text.contains(QLatin1String("CGI")));
        if (starts) {
            QVERIFY(text.contains(QLatin1String("sandbox")));
            QVERIFY(dynamic_cast<SandboxGateway *>(env.ctx->makeGateway().get()));
        }
    }
};

QTEST_GUILESS_MAIN(TestGatewayChoice)
#include "tst_gatewaychoice.moc"
