#include "net/Brand.h"
#include "mock/TestEnv.h"
#include "net/ServerServices.h"
#include "refserver/ReferenceServer.h"
#include "store/Database.h"

#include <QRandomGenerator>
#include <QSettings>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

const QByteArray kCapabilities = "/cgi/getServerCapabilities.php";
const QByteArray kVersion = "/cgi/briosms2_1.php";
const QByteArray kBrand = "/cgi/getBrand.php";
const QString kUpdated = QStringLiteral("La lista dei prefissi telefonici disponibili e' stata aggiornata.");
const QString kNewVersion = QStringLiteral("E' disponibile una nuova versione di BrioSMS, vuoi scaricarla ???");

// A program run whose settings point at a fresh loopback server (time-out 1 s).
struct Rig
{
    TestEnv env;
    ReferenceServer server;

    Rig()
    {
        env.settings->set(Key::ServerHost, server.hostPort());
        env.settings->set(Key::ServerTimeout, 1);
    }

    QStringList allowedCodes()
    {
        QStringList out;
        Statement st = env.db().prepare(QStringLiteral("SELECT Country, Prefix FROM tab_allowed_codes ORDER BY ID"));
        while (st.next())
            out << st.text(0) + QLatin1Char(',') + st.text(1);
        return out;
    }
};

} // namespace

class TestServerServices final : public QObject
{
    Q_OBJECT

private slots:
    void splitLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("highest");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("filled");
        QTest::newRow("three lines") << "a1\r\nb2\r\nc3\r\n" << 9 << 3 << QStringList{"a1", "b2", "c3"};
        QTest::newRow("last line without LF is lost") << "a\r\nb" << 9 << 1 << QStringList{"a"};
        QTest::newRow("empty line counted, slot empty") << "a\r\n\nb\r\n" << 9 << 3 << QStringList{"a", "", "b"};
        QTest::newRow("LF only loses a character") << "abc\nd\n" << 9 << 2 << QStringList{"ab", ""};
        QTest::newRow("stops past the highest slot") << "a\r\nb\r\nc\r\nd\r\n" << 1 << 2 << QStringList{"a", "b"};
        QTest::newRow("empty text") << "" << 9 << 0 << QStringList{};
    }

    void splitLines()
    {
        QFETCH(QString, text);
        QFETCH(int, highest);
        QFETCH(int, count);
        QFETCH(QStringList, filled);
        QStringList lines;
        QCOMPARE(SplitLines(text, lines, highest), count);
        QCOMPARE(lines.size(), highest + 1);
        QCOMPARE(lines.mid(0, filled.size()), filled);
        for (qsizetype i = filled.size(); i < lines.size(); ++i)
            QVERIFY(lines.at(i).isEmpty());
    }

    void capabilitiesReplaceTheList()
    {
        Rig rig;
        rig.server.setPage(kCapabilities, "07\r\n39,320\r\n39,abc\r\n39\r\n39,320,1\r\n,5\r\n44,7700\r\n");
        UpdateCapabilities(*rig.env.ctx);
        QCOMPARE(rig.allowedCodes(), (QStringList{"39,320", "44,7700"}));
        QCOMPARE(rig.env.prompter.texts(), QStringList{kUpdated});
        QCOMPARE(rig.env.prompter.last().icon, Icon::Information);
        QCOMPARE(rig.env.settings->text(Key::CapabVersion), QStringLiteral("07"));
        QCOMPARE(rig.server.requests().first().body, QByteArray("VER=00"));
    }

    // The old list and version stay; a failure half-way is reported.
    void capabilitiesUnchanged_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("reported");
        QTest::newRow("list current") << QByteArray("OK") << int(Fault::None) << false;
        QTest::newRow("reply of 21 characters") << QByteArray("5") << int(Fault::None) << false;
        QTest::newRow("no answer") << QByteArray("07\r\n39,320\r\n") << int(Fault::CloseEarly) << false;
        // A prefix longer than the field's five characters fails half-way.
        QTest::newRow("error half-way") << QByteArray("08\r\n39,330\r\n39,123456\r\n39,331\r\n") << int(Fault::None)
                                        << true;
        // Garbage and pages cut short store nothing and say nothing.
        QByteArray noise;
        QRandomGenerator random(12);
        for (int i = 0; i < 200; ++i)
            noise += char(random.bounded(256));
        QTest::newRow("random bytes") << noise << int(Fault::None) << false;
        QTest::newRow("503 page") << QByteArray("HTTP/1.0 503 Service Unavailable\r\n\r\n<html><body>\r\n"
                                                "<h1>503 Service Unavailable</h1>\r\n</body></html>\r\n")
                                  << -1 << false;
        QTest::newRow("cut by a reset") << QByteArray("HTTP/1.0 200 OK\r\n\r\n<html><body>\r\n09\r\n39,320\r\n39,33")
                                        << -1 << false;
        QTest::newRow("dripped past the deadline") << QByteArray("09\r\n39,320\r\n39,330\r\n") << int(Fault::Drip)
                                                   << false;
    }

    void capabilitiesUnchanged()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, fault);
        QFETCH(bool, reported);
        Rig rig;
        const QStringList before = rig.allowedCodes();
        QVERIFY(before.size() > 2);
        rig.env.settings->set(Key::CapabVersion, QStringLiteral("03"));
        if (fault < 0) { // the whole reply as given
            rig.server.setRawReply(kCapabilities, payload);
        } else {
            rig.server.setPage(kCapabilities, payload);
            rig.server.setFault(Fault(fault));
        }
        UpdateCapabilities(*rig.env.ctx);
        QCOMPARE(rig.allowedCodes(), before);
        QCOMPARE(rig.env.settings->text(Key::CapabVersion), QStringLiteral("03"));
        QCOMPARE(rig.server.requestCount(kCapabilities), 1);
        QCOMPARE(rig.server.requests().first().body, QByteArray("VER=03")); // the stored version
        QCOMPARE(rig.env.prompter.shown.size(), reported ? 1 : 0);
        if (reported) {
            QCOMPARE(rig.env.prompter.last().icon, Icon::Critical);
            QVERIFY(rig.env.prompter.last().text.contains(QLatin1String("3163")));
        }
    }

    void versionCheck_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("answer");
        QTest::newRow("same version") << "01 " + programVersionText().toLatin1() << false << 0;
        QTest::newRow("newer, yes") << QByteArray("01 2.1.0") << true << int(Answer::Yes);
        QTest::newRow("newer, no") << QByteArray("01 2.1.0") << true << int(Answer::No);
        QTest::newRow("no newer version") << QByteArray("00 2.1.0") << false << 0;
        QTest::newRow("nothing after the status") << QByteArray("01") << false << 0;
        QTest::newRow("no version after the status") << QByteArray("01 <h1>Errore</h1>") << false << 0;
    }

    void versionCheck()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, asked);
        QFETCH(int, answer);
        Rig rig;
        rig.env.session.setAccount(QStringLiteral("mario"), QStringLiteral("l'ape"));
        rig.server.setPage(kVersion, payload);
        if (asked)
            rig.env.prompter.answer(Answer(answer));
        CheckVersion(*rig.env.ctx, rig.env.session.account());

        QCOMPARE(rig.server.requests().first().body,
                 "CMD=3&UID=%6D%61%72%69%6F&PWD=%6C%27%61%70%65&APP=brio2&VER=" + programVersionText().toLatin1());
        QCOMPARE(rig.env.prompter.texts(), asked ? QStringList{kNewVersion} : QStringList{});
        if (asked) {
            QCOMPARE(rig.env.prompter.last().icon, Icon::Question);
            QCOMPARE(rig.env.prompter.last().buttons, Buttons::YesNo);
        }
        const bool opened = asked && Answer(answer) == Answer::Yes;
        QCOMPARE(rig.env.shell.opened, opened ? QStringList{rig.env.state.brand.downloadLinkUrl} : QStringList{});
    }

    void serverChecksRunOncePerRun()
    {
        Rig rig;
        rig.env.settings->set(Key::Branded, 1);
        rig.env.session.setAccount(QStringLiteral("mario"), QStringLiteral("pw"));
        rig.server.setPage(kVersion, "01 " + programVersionText().toLatin1());
        rig.server.setPage(kCapabilities, "OK");
        rig.server.setPage(kBrand, "09\r\nMainCaption,Nuovo\r\n");

        rig.env.session.runServerChecks(*rig.env.ctx);
        QVERIFY(rig.env.session.serverChecksDone());
        QCOMPARE(rig.server.requestCount(kVersion), 1);
        QCOMPARE(rig.server.requestCount(kCapabilities), 2); // once more inside the brand fetch
        QCOMPARE(rig.server.requestCount(kBrand), 1);
        QCOMPARE(rig.env.state.brand.mainCaption, QStringLiteral("Nuovo"));

        rig.env.session.runServerChecks(*rig.env.ctx);
        QCOMPARE(rig.server.requests().size(), 4);
    }

    // A server that never answers holds the checks for one time-out in all,
    // not one per post.
    void serverChecksShareOneBound()
    {
        Rig rig;
        rig.env.settings->set(Key::Branded, 1);
        rig.env.session.setAccount(QStringLiteral("mario"), QString());
        rig.server.setFault(Fault::Hang, 10);
        rig.env.session.runServerChecks(*rig.env.ctx);
        QCOMPARE(rig.server.requests().size(), 1);
        QVERIFY(rig.env.session.serverChecksDone());
    }

    void garbageBrandStoresNothing()
    {
        Rig rig;
        rig.env.settings->set(Key::Branded, 1);
        rig.env.settings->set(Key::CurrentVersion, QStringLiteral("04"));
        rig.env.session.setAccount(QStringLiteral("mario"), QString());
        rig.server.setPage(kCapabilities, "OK");
        QByteArray noise("\x01\xfe,=\r\n");
        QRandomGenerator random(7);
        for (int i = 0; i < 400; ++i)
            noise += char(random.bounded(256));
        rig.server.setPage(kBrand, noise);
        auto brandKeys = [&] {
            rig.env.settings->sync();
            QSettings file(rig.env.path(QStringLiteral("Brio2.ini")), QSettings::IniFormat);
            file.beginGroup(QStringLiteral("Brand"));
            return file.allKeys();
        };
        const QStringList before = brandKeys();
        rig.env.session.loadBrand(*rig.env.ctx);
        QCOMPARE(brandKeys(), before);
        QCOMPARE(rig.env.settings->text(Key::CurrentVersion), QStringLiteral("04"));
        QCOMPARE(rig.env.state.brand.mainCaption, Settings::defaultOf(Key::MainCaption));
        QVERIFY(rig.env.prompter.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestServerServices)
#include "tst_serverservices.moc"
