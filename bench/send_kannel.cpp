// send-kannel: messages per second from the program's send to a real Kannel's
// sendsms on loopback (10,000 recipients), against a plain client in the same
// run, rounds interleaved and the medians compared: curl --parallel making the same requests (200
// recipients each, as many at once). Every message must reach the fake SMSC
// once.
#include "BenchCommon.h"

#include "gateway/KannelGateway.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <cstdio>

using namespace brio;
using namespace brio::test;
using namespace brio::bench;

namespace {

constexpr int kMessages = 10000;
constexpr int kParallel = 4;
const QString kScripts = QStringLiteral(BRIOSMS_SOURCE_DIR "/tests/kannel/kannel-test.sh");

[[noreturn]] void fail(const QString &why)
{
    std::fprintf(stderr, "send-kannel: %s\n", qPrintable(why));
    std::exit(1);
}

// Kannel for the length of the benchmark, stopped however it ends.
class Kannel final
{
public:
    Kannel()
    {
        if (!m_dir.isValid() || QProcess::execute(kScripts, {QStringLiteral("start"), m_dir.path()}) != 0)
            fail(QStringLiteral("Kannel did not start"));
        QFile ports(m_dir.filePath(QStringLiteral("ports")));
        if (!ports.open(QIODevice::ReadOnly))
            fail(QStringLiteral("Kannel is not installed"));
        const auto m = QRegularExpression(QStringLiteral("SENDSMS_PORT=(\\d+)")).match(QString::fromLatin1(ports.readAll()));
        port = quint16(m.captured(1).toUInt());
    }
    ~Kannel() { QProcess::execute(kScripts, {QStringLiteral("stop"), m_dir.path()}); }
    Kannel(const Kannel &) = delete;
    Kannel &operator=(const Kannel &) = delete;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Messages whose text carries the tag, once the fake SMSC has them all
    // (bounded wait); a duplicate would count twice.
    int deliveredWith(const QString &tag, int expected) const
    {
        int seen = 0;
        for (int i = 0; i < 600 && seen < expected; ++i) {
            QFile log(path(QStringLiteral("fakesmsc.log")));
            seen = log.open(QIODevice::ReadOnly) ? int(log.readAll().count(tag.toUtf8())) : 0;
            if (seen < expected)
                QThread::msleep(50);
        }
        return seen;
    }

    quint16 port = 0;

private:
    QTemporaryDir m_dir;
};

QString number(int round, int i)
{
    return QStringLiteral("39333%1%2").arg(round).arg(i, 6, 10, QLatin1Char('0'));
}

// The program: the whole address book of kMessages contacts through the send.
double programRate(const Kannel &kannel, int round, const QString &tag)
{
    KannelGateway::Address a;
    a.host = QStringLiteral("127.0.0.1");
    a.port = kannel.port;
    a.user = QStringLiteral("tester");
    a.password = QStringLiteral("foobar");
    KannelGateway gateway(a, 20, kParallel, QString());
    SendFixture f(&gateway);
    f.env.session.setAccount(a.user, a.password); // logged in with Kannel's account
    f.env.session.logIn();
    {
        Transaction tx(f.env.db());
        Statement st = f.env.db().prepare(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES (?, ?)"));
        for (int i = 0; i < kMessages; ++i) {
            st.bind(1, QStringLiteral("Contatto %1").arg(i)).bind(2, QLatin1Char('+') + number(round, i)).run();
            st.reset();
        }
        tx.commit();
    }
    f.view.whole = true;
    f.view.text = tag + QStringLiteral(" promemoria");
    f.env.prompter.answer(Answer::Yes);
    QElapsedTimer t;
    t.start();
    if (f.send.run() != SendProcedure::Outcome::Sent)
        fail(QStringLiteral("the program's send did not go through"));
    return kMessages / (double(t.nsecsElapsed()) / 1e9);
}

// curl --parallel with the requests the driver makes (the account in a
// config file, not in the arguments).
double curlRate(const Kannel &kannel, int round, const QString &tag)
{
    const QString config = kannel.path(QStringLiteral("curl-%1.conf").arg(round));
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly))
        fail(QStringLiteral("cannot write the curl configuration"));
    const QByteArray text = QUrl::toPercentEncoding(tag + QStringLiteral(" promemoria"));
    for (int first = 0; first < kMessages; first += int(KannelGateway::kPerRequest)) {
        QByteArray to;
        for (int i = first; i < std::min(kMessages, first + int(KannelGateway::kPerRequest)); ++i)
            to += (to.isEmpty() ? "" : "+") + number(round, i).toLatin1();
        f.write("url = \"http://127.0.0.1:" + QByteArray::number(kannel.port)
                + "/cgi-bin/sendsms?username=tester&password=foobar&charset=UTF-8&text=" + text + "&to=" + to
                + "\"\noutput = \"/dev/null\"\n");
    }
    f.close();
    QElapsedTimer t;
    t.start();
    QProcess curl;
    curl.setStandardOutputFile(QProcess::nullDevice());
    curl.setStandardErrorFile(QProcess::nullDevice());
    curl.start(QStringLiteral("curl"), {QStringLiteral("--parallel"), QStringLiteral("--parallel-max"),
                                                   QString::number(kParallel), QStringLiteral("-s"),
                                                   QStringLiteral("-K"), config});
    if (!curl.waitForFinished(120000) || curl.exitCode() != 0)
        fail(QStringLiteral("curl failed"));
    return kMessages / (double(t.nsecsElapsed()) / 1e9);
}

} // namespace

int main(int argc, char **argv)
{
    bench::useOffscreenByDefault();
    QCoreApplication app(argc, argv);
    Kannel kannel;
    QList<double> program;
    QList<double> plain;
    for (int round = 0; round < 5; ++round) {
        const QString curlTag = QStringLiteral("c%1x").arg(round);
        plain << curlRate(kannel, round, curlTag);
        if (kannel.deliveredWith(curlTag, kMessages) != kMessages)
            fail(QStringLiteral("curl's messages did not all arrive once"));
        const QString ownTag = QStringLiteral("b%1x").arg(round);
        program << programRate(kannel, round, ownTag);
        if (kannel.deliveredWith(ownTag, kMessages) != kMessages)
            fail(QStringLiteral("the program's messages did not all arrive once"));
    }
    const double rate = median(program);
    const double baseline = median(plain);
    std::fprintf(stderr, "send-kannel: %d messages a round, median program %.0f msg/s, curl --parallel %.0f msg/s\n",
                 kMessages, rate, baseline);
    const double ratio = rate / baseline;
    std::printf("send-kannel: %.2f x (target >= 0.9) %s\n", ratio, ratio >= 0.9 ? "PASS" : "MISS");
    return 0;
}
