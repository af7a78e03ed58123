// sync-first: a first sync of 10,000 contacts from Radicale, against one
// plain REPORT by curl that fetches the same cards, parsed with the same
// vCard library. sync-again: a sync with nothing changed, against one plain
// sync-collection REPORT by curl from the same token. Same server, same run,
// wall clock, median of three.
#include "BenchCommon.h"
#include "Radicale.h"
#include "carddav/CardDavClient.h"
#include "carddav/CardDavSync.h"
#include "carddav/VCard.h"
#include "mock/TestEnv.h"
#include "store/Database.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cstdio>

using namespace brio;
using brio::bench::median;

namespace {

constexpr int kContacts = 10000;
constexpr int kRounds = 3;

QByteArray curlReport(const QUrl &book, const QByteArray &body)
{
    QProcess curl;
    curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-X"), QStringLiteral("REPORT"),
                                        QStringLiteral("-H"), QStringLiteral("Depth: 1"), QStringLiteral("-H"),
                                        QStringLiteral("Content-Type: application/xml"), QStringLiteral("-u"),
                                        test::kRadicaleUser + QLatin1Char(':') + test::kRadicalePassword,
                                        QStringLiteral("--data-binary"), QString::fromUtf8(body), book.toString()});
    if (!curl.waitForFinished(600000) || curl.exitCode() != 0) {
        std::fprintf(stderr, "carddav: curl failed\n");
        std::exit(1);
    }
    return curl.readAllStandardOutput();
}

int parseAll(const QByteArray &reply)
{
    QXmlStreamReader xml(reply);
    int cards = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("address-data")) {
            readCard(xml.readElementText().toUtf8());
            ++cards;
        }
    }
    return cards;
}

SyncSummary sync(test::TestEnv &env, const test::Radicale &server)
{
    CardDavClient client(server.base(), test::kRadicaleUser, test::kRadicalePassword, 600000);
    CardDavSync s(env.db(), client, server.book());
    return s.run();
}

} // namespace

int main(int argc, char **argv)
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    if (QStandardPaths::findExecutable(QStringLiteral("radicale")).isEmpty()) {
        std::printf("# carddav: radicale is not installed\n");
        return 0;
    }
    QTemporaryDir dir;
    test::Radicale server(dir.path());
    QList<QByteArray> cards;
    for (int i = 0; i < kContacts; ++i) {
        cards << QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c%1\r\nFN:Mario Rossi %1\r\nN:Rossi %1;Mario;;;\r\n"
                                "TEL;TYPE=CELL:%2\r\nADR;TYPE=HOME:;;Via Roma %1;Milano;MI;;\r\n"
                                "EMAIL:m%1@example.it\r\nCATEGORIES:Clienti\r\nEND:VCARD\r\n")
                     .arg(i)
                     .arg(bench::benchNumber(i))
                     .toUtf8();
    }
    server.writeBook(cards);
    if (!server.start()) {
        std::fprintf(stderr, "carddav: radicale did not start\n");
        return 1;
    }
    const QByteArray query = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<c:addressbook-query xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                             "<d:prop><d:getetag/><c:address-data/></d:prop></c:addressbook-query>";
    curlReport(server.book(), query); // the server builds its caches once

    QList<double> plainFirst, syncFirst, plainAgain, syncAgain;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer t;
        t.start();
        const int parsed = parseAll(curlReport(server.book(), query));
        plainFirst << bench::ms(t);
        if (parsed != kContacts) {
            std::fprintf(stderr, "carddav: the plain REPORT gave %d cards\n", parsed);
            return 1;
        }
        test::TestEnv env;
        t.restart();
        const SyncSummary first = sync(env, server);
        syncFirst << bench::ms(t);
        if (first.addedHere != kContacts) {
            std::fprintf(stderr, "carddav: the first sync added %d contacts\n", first.addedHere);
            return 1;
        }
        const QString token = [&] {
            Statement st = env.db().prepare(QStringLiteral("SELECT SyncToken FROM tab_carddav_stato"));
            return st.next() ? st.text(0) : QString();
        }();
        t.restart();
        curlReport(server.book(), "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\">"
                                  "<d:sync-token>" + token.toUtf8()
                                      + "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
                                        "</d:sync-collection>");
        plainAgain << bench::ms(t);
        t.restart();
        const SyncSummary again = sync(env, server);
        syncAgain << bench::ms(t);
        if (again.addedHere + again.changedHere + again.addedThere + again.changedThere != 0) {
            std::fprintf(stderr, "carddav: the second sync moved contacts\n");
            return 1;
        }
    }
    const double first = median(syncFirst) / median(plainFirst);
    const double again = median(syncAgain) / median(plainAgain);
    std::printf("# sync-first: sync %.0f ms, curl REPORT + parse %.0f ms (%d contacts)\n", median(syncFirst),
                median(plainFirst), kContacts);
    std::printf("sync-first: %.2f x (target <= 3) %s\n", first, first <= 3 ? "PASS" : "MISS");
    std::printf("# sync-again: sync %.0f ms, curl sync-collection %.0f ms\n", median(syncAgain), median(plainAgain));
    std::printf("sync-again: %.2f x (target <= 2) %s\n", again, again <= 2 ? "PASS" : "MISS");
    return 0;
}
