#include "mock/TestEnv.h"
#include "refserver/ReferenceServer.h"
#include "settings/Brand.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

const QByteArray kBrand = "/cgi/getBrand.php";
const QByteArray kCapabilities = "/cgi/getServerCapabilities.php";
const QString kLoginRequired =
    QStringLiteral("E' necessario eseguire un login valido la prima volta che si utilizza l'applicazione...");

} // namespace

class TestBrand final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void brandLinesAreStored();
    void refusedAccountEndsTheProgram();
    void firstRunWithoutAnswer_data();
    void firstRunWithoutAnswer();
    void firstRunWithoutLoginEndsTheProgram();
    void laterRunWithoutLoginAsksNothing();
    void laterRunKeepsVersionOnNoAnswer();

private:
    void useServer();
    Settings &settings() { return *m_env->settings; }

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ReferenceServer> m_server;
};

void TestBrand::init()
{
    m_env = std::make_unique<TestEnv>();
    m_server = std::make_unique<ReferenceServer>();
    m_server->setPage(kCapabilities, "OK");
    settings().set(Key::ServerTimeout, 1);
    // Start-up state: nobody logged in, no caption loaded yet.
    m_env->state.MsgBoxCaption.clear();
}

void TestBrand::cleanup()
{
    m_server.reset();
    m_env.reset();
}

void TestBrand::useServer()
{
    settings().set(Key::ServerHost, m_server->hostPort());
}

void TestBrand::brandLinesAreStored()
{
    useServer();
    settings().set(Key::Branded, 1);
    settings().set(Key::CurrentVersion, QStringLiteral("04"));
    m_env->state.LoginUser = QStringLiteral("ab");
    m_env->state.LoginPassword = QStringLiteral("c d");
    m_server->setPage(kBrand, "05\r\n"
                              "MainCaption,SMS di Prova\r\n"
                              "MsgBoxCaption,Prova, con virgola\r\n"
                              "BuyLinkURL,https://shop.example/compra?x=1\r\n"
                              "Extra,valore\r\n"
                              "Branded,0\r\n"
                              "nocomma\r\n");

    QVERIFY(LoadBrand(*m_env->ctx));

    QCOMPARE(m_server->requests().last().body, QByteArray("VER=%30%34&UID=%61%62&PWD=%63%20%64"));
    QCOMPARE(m_server->requestCount(kCapabilities), 1);
    QCOMPARE(m_env->state.MainCaption, QStringLiteral("SMS di Prova"));
    QCOMPARE(m_env->state.MsgBoxCaption, Settings::defaultOf(Key::MsgBoxCaption));
    QCOMPARE(m_env->state.BuyLinkURL, QStringLiteral("https://shop.example/compra?x=1"));
    QCOMPARE(settings().raw(QStringLiteral("Brand"), QStringLiteral("Extra")), QStringLiteral("valore"));
    QCOMPARE(settings().text(Key::Branded), QStringLiteral("1"));
    QCOMPARE(settings().text(Key::CurrentVersion), QStringLiteral("05"));
    QCOMPARE(m_env->windows.loginShown, 0);
    QVERIFY(m_env->prompter.shown.isEmpty());
}

void TestBrand::refusedAccountEndsTheProgram()
{
    useServer();
    m_server->setPage(kBrand, "ER");
    m_env->windows.loginWith(QStringLiteral("mario"), QStringLiteral("pw"));
    QVERIFY(!LoadBrand(*m_env->ctx));
    QCOMPARE(m_env->windows.loginShown, 1);
    QCOMPARE(m_env->prompter.shown.size(), 1);
    QCOMPARE(m_env->prompter.last().text, kLoginRequired);
    QCOMPARE(m_env->prompter.last().icon, Icon::None);
    QCOMPARE(m_env->prompter.last().buttons, Buttons::Ok);
    QCOMPARE(m_env->prompter.last().title, QString());
    QCOMPARE(settings().text(Key::Branded), QStringLiteral("0"));
}

void TestBrand::firstRunWithoutAnswer_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("server unreachable") << "unreachable";
    QTest::newRow("no host configured") << "nohost";
    QTest::newRow("brand current") << "ok";
    QTest::newRow("short reply") << "short";
}

void TestBrand::firstRunWithoutAnswer()
{
    QFETCH(QString, how);
    if (how == QLatin1String("unreachable")) {
        // A port nobody listens on any more.
        auto gone = std::make_unique<ReferenceServer>();
        settings().set(Key::ServerHost, gone->hostPort());
        gone.reset();
    } else if (how == QLatin1String("ok")) {
        useServer();
        m_server->setPage(kBrand, "OK");
    } else if (how == QLatin1String("short")) {
        useServer();
        m_server->setRawReply(kBrand, "<body>\r\n05\r\nA,b\r\n");
    }

    m_env->windows.loginWith(QStringLiteral("mario"), QStringLiteral("pw"));
    QVERIFY(LoadBrand(*m_env->ctx));

    QCOMPARE(m_env->windows.loginShown, 1);
    QCOMPARE(settings().text(Key::Branded), QStringLiteral("1"));
    QVERIFY(settings().contains(Key::CurrentVersion));
    QCOMPARE(settings().text(Key::CurrentVersion), QString());
    QCOMPARE(m_env->state.MainCaption, Settings::defaultOf(Key::MainCaption));
    QCOMPARE(m_env->state.MsgBoxCaption, Settings::defaultOf(Key::MsgBoxCaption));
    QVERIFY(m_env->prompter.shown.isEmpty());
    if (how == QLatin1String("nohost") || how == QLatin1String("unreachable"))
        QCOMPARE(m_server->requests().size(), 0);
    else
        QCOMPARE(m_server->requestCount(kBrand), 1);
}

void TestBrand::firstRunWithoutLoginEndsTheProgram()
{
    useServer();
    m_env->windows.cancelLogin();
    QVERIFY(!LoadBrand(*m_env->ctx));
    QCOMPARE(m_env->prompter.texts(), QStringList{kLoginRequired});
    QCOMPARE(m_env->prompter.last().title, QString());
    QCOMPARE(m_server->requests().size(), 0);
    QVERIFY(!settings().contains(Key::Branded));
}

void TestBrand::laterRunWithoutLoginAsksNothing()
{
    useServer();
    settings().set(Key::Branded, 1);
    settings().setRaw(QStringLiteral("Brand"), QStringLiteral("MainCaption"), QStringLiteral("Salvata"));
    m_server->setPage(kBrand, "05\r\nMainCaption,Nuova\r\n");
    QVERIFY(LoadBrand(*m_env->ctx));
    QCOMPARE(m_server->requests().size(), 0);
    QCOMPARE(m_env->windows.loginShown, 0);
    QCOMPARE(m_env->state.MainCaption, QStringLiteral("Salvata"));
}

void TestBrand::laterRunKeepsVersionOnNoAnswer()
{
    useServer();
    settings().set(Key::Branded, 1);
    settings().set(Key::CurrentVersion, QStringLiteral("05"));
    m_env->state.LoginUser = QStringLiteral("u");
    m_server->setFault(Fault::Hang, 2);
    QVERIFY(LoadBrand(*m_env->ctx));
    QCOMPARE(settings().text(Key::CurrentVersion), QStringLiteral("05"));
    QCOMPARE(m_server->requestCount(kBrand), 1);
}

QTEST_GUILESS_MAIN(TestBrand)
#include "tst_brand.moc"
