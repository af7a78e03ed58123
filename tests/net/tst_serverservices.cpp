#include "app/Startup.h"
#include "mock/TestEnv.h"
#include "net/ServerServices.h"
#include "refserver/ReferenceServer.h"
#include "store/Database.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

const QByteArray kCapabilities = "/cgi/getServerCapabilities.php";
const QByteArray kVersion = "/cgi/briosms2_1.php";
const QByteArray kBrand = "/cgi/getBrand.php";
const QString kUpdated = QStringLiteral("La lista dei prefissi telefonici disponibili e' stata aggiornata.");
const QString kNewVersion = QStringLiteral("E' disponibile una nuova versione di BrioSMS, vuoi scaricarla ???");

QStringList allowedCodes(Database &db)
{
    QStringList out;
    Statement st = db.prepare(QStringLiteral("SELECT Country, Prefix FROM tab_allowed_codes ORDER BY ID"));
    while (st.next())
        out << st.text(0) + QLatin1Char(',') + st.text(1);
    return out;
}

} // namespace

class TestServerServices final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void splitLines_data();
    void splitLines();
    void capabilitiesReplaceTheList();
    void capabilitiesUnchanged_data();
    void capabilitiesUnchanged();
    void capabilitiesErrorKeepsTheOldList();
    void versionCheck_data();
    void versionCheck();
    void serverChecksRunOncePerRun();

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<ReferenceServer> m_server;
};

void TestServerServices::init()
{
    m_env = std::make_unique<TestEnv>();
    m_server = std::make_unique<ReferenceServer>();
    m_env->settings->set(Key::ServerHost, m_server->hostPort());
    m_env->settings->set(Key::ServerTimeout, 1);
}

void TestServerServices::cleanup()
{
    m_server.reset();
    m_env.reset();
}

void TestServerServices::splitLines_data()
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

void TestServerServices::splitLines()
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

void TestServerServices::capabilitiesReplaceTheList()
{
    m_server->setPage(kCapabilities, "07\r\n39,320\r\n39,abc\r\n39\r\n39,320,1\r\n,5\r\n44,7700\r\n");
    UpdateCapabilities(*m_env->ctx);
    QCOMPARE(allowedCodes(m_env->db()), (QStringList{"39,320", "44,7700"}));
    QCOMPARE(m_env->prompter.texts(), QStringList{kUpdated});
    QCOMPARE(m_env->prompter.last().icon, Icon::Information);
    QCOMPARE(m_env->settings->text(Key::CapabVersion), QStringLiteral("07"));
    QCOMPARE(m_server->requests().first().body, QByteArray("VER=00"));

    // The next request names the stored version.
    m_server->setPage(kCapabilities, "OK");
    UpdateCapabilities(*m_env->ctx);
    QCOMPARE(m_server->requests().last().body, QByteArray("VER=07"));
}

void TestServerServices::capabilitiesUnchanged_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("fault");

    QTest::newRow("list current") << QByteArray("OK") << int(Fault::None);
    QTest::newRow("reply of 21 characters") << QByteArray("5") << int(Fault::None);
    QTest::newRow("no answer") << QByteArray("07\r\n39,320\r\n") << int(Fault::CloseEarly);
}

void TestServerServices::capabilitiesUnchanged()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, fault);
    const QStringList before = allowedCodes(m_env->db());
    QVERIFY(before.size() > 2);
    m_env->settings->set(Key::CapabVersion, QStringLiteral("03"));
    m_server->setPage(kCapabilities, payload);
    m_server->setFault(Fault(fault));
    UpdateCapabilities(*m_env->ctx);
    QCOMPARE(allowedCodes(m_env->db()), before);
    QVERIFY(m_env->prompter.shown.isEmpty());
    QCOMPARE(m_env->settings->text(Key::CapabVersion), QStringLiteral("03"));
    QCOMPARE(m_server->requestCount(kCapabilities), 1);
}

void TestServerServices::capabilitiesErrorKeepsTheOldList()
{
    const QStringList before = allowedCodes(m_env->db());
    // A prefix longer than the field's five characters fails half-way.
    m_server->setPage(kCapabilities, "08\r\n39,330\r\n39,123456\r\n39,331\r\n");
    UpdateCapabilities(*m_env->ctx);
    QCOMPARE(allowedCodes(m_env->db()), before);
    QCOMPARE(m_env->prompter.shown.size(), 1);
    QCOMPARE(m_env->prompter.last().icon, Icon::Critical);
    QVERIFY(m_env->prompter.last().text.contains(QLatin1String("3163")));
    QVERIFY(!m_env->settings->contains(Key::CapabVersion));
}

void TestServerServices::versionCheck_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("answer");

    const QByteArray own = programVersionText().toLatin1();
    QTest::newRow("same version") << "01 " + own << false << 0;
    QTest::newRow("newer, yes") << QByteArray("01 2.1.0") << true << int(Answer::Yes);
    QTest::newRow("newer, no") << QByteArray("01 2.1.0") << true << int(Answer::No);
    QTest::newRow("no newer version") << QByteArray("00 2.1.0") << false << 0;
    QTest::newRow("nothing after the status") << QByteArray("01") << true << int(Answer::No);
}

void TestServerServices::versionCheck()
{
    QFETCH(QByteArray, payload);
    QFETCH(bool, asked);
    QFETCH(int, answer);
    m_env->state.LoginUser = QStringLiteral("mario");
    m_env->state.LoginPassword = QStringLiteral("l'ape");
    m_server->setPage(kVersion, payload);
    if (asked)
        m_env->prompter.answer(Answer(answer));
    CheckVersion(*m_env->ctx);

    QCOMPARE(m_server->requests().first().body,
             "CMD=3&UID=%6D%61%72%69%6F&PWD=%6C%27%61%70%65&APP=brio2&VER=" + programVersionText().toLatin1());
    QCOMPARE(m_env->prompter.texts(), asked ? QStringList{kNewVersion} : QStringList{});
    if (asked) {
        QCOMPARE(m_env->prompter.last().icon, Icon::Question);
        QCOMPARE(m_env->prompter.last().buttons, Buttons::YesNo);
    }
    const bool opened = asked && Answer(answer) == Answer::Yes;
    QCOMPARE(m_env->shell.opened, opened ? QStringList{m_env->state.DownloadLinkUrl} : QStringList{});
}

void TestServerServices::serverChecksRunOncePerRun()
{
    Context &ctx = *m_env->ctx;
    m_env->settings->set(Key::Branded, 1);
    m_env->state.LoginUser = QStringLiteral("mario");
    m_env->state.LoginPassword = QStringLiteral("pw");
    m_server->setPage(kVersion, "01 " + programVersionText().toLatin1());
    m_server->setPage(kCapabilities, "OK");
    m_server->setPage(kBrand, "09\r\nMainCaption,Nuovo\r\n");

    RunServerChecks(ctx);
    QVERIFY(m_env->state.ServerChecksDone);
    QCOMPARE(m_server->requestCount(kVersion), 1);
    QCOMPARE(m_server->requestCount(kCapabilities), 2); // once more inside the brand fetch
    QCOMPARE(m_server->requestCount(kBrand), 1);
    QCOMPARE(m_env->state.MainCaption, QStringLiteral("Nuovo"));

    RunServerChecks(ctx);
    QCOMPARE(m_server->requests().size(), 4);
}

QTEST_GUILESS_MAIN(TestServerServices)
#include "tst_serverservices.moc"
