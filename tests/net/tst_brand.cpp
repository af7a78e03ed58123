#include "mock/TestEnv.h"
#include "refserver/ReferenceServer.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

const QByteArray kBrand = "/cgi/getBrand.php";
const QByteArray kCapabilities = "/cgi/getServerCapabilities.php";
const QString kLoginRequired =
    QStringLiteral("E' necessario eseguire un login valido la prima volta che si utilizza l'applicazione...");

// A program start (nobody logged in, no caption loaded yet) with a loopback
// server at hand; the settings point at it only when asked to.
struct Rig
{
    TestEnv env;
    ReferenceServer server;
    Settings &settings = *env.settings;

    explicit Rig(bool useServer = true)
    {
        server.setPage(kCapabilities, "OK");
        settings.set(Key::ServerTimeout, 1);
        if (useServer)
            settings.set(Key::ServerHost, server.hostPort());
        env.state.brand.msgBoxCaption.clear();
    }
};

} // namespace

class TestBrand final : public QObject
{
    Q_OBJECT

private slots:
    void brandLinesAreStored()
    {
        Rig rig;
        rig.settings.set(Key::Branded, 1);
        rig.settings.set(Key::CurrentVersion, QStringLiteral("04"));
        rig.env.session.setAccount(QStringLiteral("ab"), QStringLiteral("c d"));
        rig.server.setPage(kBrand, "05\r\n"
                                   "MainCaption,SMS di Prova\r\n"
                                   "MsgBoxCaption,Prova, con virgola\r\n"
                                   "BuyLinkURL,https://shop.example/compra?x=1\r\n"
                                   "Extra,valore\r\n"
                                   "Branded,0\r\n"
                                   "nocomma\r\n");
        QVERIFY(rig.env.session.loadBrand(*rig.env.ctx));

        QCOMPARE(rig.server.requests().last().body, QByteArray("VER=%30%34&UID=%61%62&PWD=%63%20%64"));
        QCOMPARE(rig.server.requestCount(kCapabilities), 1);
        QCOMPARE(rig.env.state.brand.mainCaption, QStringLiteral("SMS di Prova"));
        QCOMPARE(rig.env.state.brand.msgBoxCaption, Settings::defaultOf(Key::MsgBoxCaption));
        QCOMPARE(rig.env.state.brand.buyLinkUrl, QStringLiteral("https://shop.example/compra?x=1"));
        QCOMPARE(rig.settings.raw(QStringLiteral("Brand"), QStringLiteral("Extra")), QStringLiteral("valore"));
        QCOMPARE(rig.settings.text(Key::Branded), QStringLiteral("1"));
        QCOMPARE(rig.settings.text(Key::CurrentVersion), QStringLiteral("05"));
        QCOMPARE(rig.env.windows.loginShown, 0);
        QVERIFY(rig.env.prompter.shown.isEmpty());
    }

    // A first run logs in once; without a valid login the program ends, without
    // an answer from the server it goes on with the delivered brand.
    void firstRun_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("server unreachable") << "unreachable" << true;
        QTest::newRow("no host configured") << "nohost" << true;
        QTest::newRow("brand current") << "ok" << true;
        QTest::newRow("short reply") << "short" << true;
        QTest::newRow("account refused") << "ER" << false;
        QTest::newRow("login cancelled") << "cancel" << false;
    }

    void firstRun()
    {
        QFETCH(QString, how);
        QFETCH(bool, goesOn);
        Rig rig(how != QLatin1String("unreachable") && how != QLatin1String("nohost"));
        if (how == QLatin1String("unreachable")) // a port nobody listens on any more
            rig.settings.set(Key::ServerHost, ReferenceServer().hostPort());
        else if (how == QLatin1String("short"))
            rig.server.setRawReply(kBrand, "<body>\r\n05\r\nA,b\r\n");
        else
            rig.server.setPage(kBrand, how == QLatin1String("ok") ? "OK" : "ER");
        if (how == QLatin1String("cancel"))
            rig.env.windows.cancelLogin();
        else
            rig.env.windows.loginWith(QStringLiteral("mario"), QStringLiteral("pw"));

        QCOMPARE(rig.env.session.loadBrand(*rig.env.ctx), goesOn);
        QCOMPARE(rig.env.windows.loginShown, 1);
        const bool served = how == QLatin1String("ok") || how == QLatin1String("short") || how == QLatin1String("ER");
        QCOMPARE(rig.server.requestCount(kBrand), served ? 1 : 0);
        if (goesOn) {
            QCOMPARE(rig.settings.text(Key::Branded), QStringLiteral("1"));
            QVERIFY(rig.settings.contains(Key::CurrentVersion));
            QCOMPARE(rig.settings.text(Key::CurrentVersion), QString());
            QCOMPARE(rig.env.state.brand.mainCaption, Settings::defaultOf(Key::MainCaption));
            QCOMPARE(rig.env.state.brand.msgBoxCaption, Settings::defaultOf(Key::MsgBoxCaption));
            QVERIFY(rig.env.prompter.shown.isEmpty());
            return;
        }
        QCOMPARE(rig.env.prompter.texts(), QStringList{kLoginRequired});
        QCOMPARE(rig.env.prompter.last().icon, Icon::None);
        QCOMPARE(rig.env.prompter.last().buttons, Buttons::Ok);
        QCOMPARE(rig.env.prompter.last().title, QStringLiteral("BrioSMS")); // the default caption
        QVERIFY(!rig.settings.contains(Key::Branded));
    }

    // The version moves on only with a reply whose lines were taken.
    void refusedLinesKeepTheVersion_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("version");
        QTest::newRow("every line refused") << QByteArray("06\r\n1bad,x\r\nnocomma\r\nKey,a\x01b\r\n") << "05";
        QTest::newRow("one line taken") << QByteArray("06\r\n1bad,x\r\nMainCaption,Nuova\r\n") << "06";
    }

    void refusedLinesKeepTheVersion()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, version);
        Rig rig;
        rig.settings.set(Key::Branded, 1);
        rig.settings.set(Key::CurrentVersion, QStringLiteral("05"));
        rig.env.session.setAccount(QStringLiteral("u"), QString());
        rig.server.setPage(kBrand, reply);
        QVERIFY(rig.env.session.loadBrand(*rig.env.ctx));
        QCOMPARE(rig.server.requestCount(kBrand), 1);
        QCOMPARE(rig.settings.text(Key::CurrentVersion), version);
    }

    void laterRun()
    {
        // Nobody logged in: the saved brand, nothing asked.
        Rig rig;
        rig.settings.set(Key::Branded, 1);
        rig.settings.set(Key::CurrentVersion, QStringLiteral("05"));
        rig.settings.setRaw(QStringLiteral("Brand"), QStringLiteral("MainCaption"), QStringLiteral("Salvata"));
        rig.server.setPage(kBrand, "06\r\nMainCaption,Nuova\r\n");
        QVERIFY(rig.env.session.loadBrand(*rig.env.ctx));
        QCOMPARE(rig.server.requests().size(), 0);
        QCOMPARE(rig.env.windows.loginShown, 0);
        QCOMPARE(rig.env.state.brand.mainCaption, QStringLiteral("Salvata"));

        // Logged in, the server hangs: the version stays.
        rig.env.session.setAccount(QStringLiteral("u"), QString());
        rig.server.setFault(Fault::Hang, 2);
        QVERIFY(rig.env.session.loadBrand(*rig.env.ctx));
        QCOMPARE(rig.settings.text(Key::CurrentVersion), QStringLiteral("05"));
        QCOMPARE(rig.server.requestCount(kBrand), 1);
    }
};

QTEST_GUILESS_MAIN(TestBrand)
#include "tst_brand.moc"
