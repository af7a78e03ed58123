// The sent history with 100,000 recorded sends:
//   history-open: what "Messaggi inviati" does to show its first screen (the
//     first page of sends read, the rows on screen formatted, the recipients
//     of the first send listed), against the plain query of that page of
//     rows (the fields the list shows) read by the engine alone.
#include "BenchCommon.h"
#include "mock/TestEnv.h"

#include "history/SentHistory.h"
#include "store/Database.h"
#include "ui/history/SentHistoryWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTableView>
#include <cstdio>
#include <sqlite3.h>

using namespace brio;
using brio::bench::median;
using brio::bench::ms;

namespace {

constexpr int kSends = 100000;
constexpr int kRounds = 21;
volatile size_t g_sink = 0;

// Sends of one to four recipients a minute apart, a wrong number now and then.
void fill(Database &db)
{
    QRandomGenerator random(20261207);
    const QDateTime start(QDate(2024, 1, 1), QTime(8, 0));
    Transaction tx(db);
    Statement send = db.prepare(QStringLiteral(
        "INSERT INTO tab_invii (Data, Gateway, Testo, Quando, Chiave, Stato) VALUES (?, '2.0 (gateway di prova)', ?, "
        "'NOW', ?, 'C')"));
    Statement dest = db.prepare(QStringLiteral(
        "INSERT INTO tab_invii_dest (ID_Invio, Posizione, Numero, Nominativo, Esito) VALUES (?, ?, ?, ?, ?)"));
    for (int i = 0; i < kSends; ++i) {
        send.bind(1, start.addSecs(60 * i).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
            .bind(2, QStringLiteral("Promemoria %1: l'appuntamento di domani è confermato alle %2.")
                         .arg(i)
                         .arg(8 + i % 10))
            .bind(3, QString::number(i, 16))
            .run();
        send.reset();
        const qint64 id = db.lastInsertId();
        const int recipients = 1 + random.bounded(4);
        for (int r = 0; r < recipients; ++r) {
            dest.bind(1, id)
                .bind(2, r)
                .bind(3, bench::benchNumber(random.bounded(kSends)))
                .bind(4, r == 0 ? QString() : QStringLiteral("Contatto %1").arg(r))
                .bind(5, random.bounded(20) == 0 ? QStringLiteral("E") : QStringLiteral("A"))
                .run();
            dest.reset();
        }
    }
    // The counts the send keeps with it, as the send writes them.
    db.run(QStringLiteral(
        "UPDATE tab_invii SET Destinatari = (SELECT COUNT(*) FROM tab_invii_dest WHERE ID_Invio = tab_invii.ID), "
        "Accettati = (SELECT COUNT(*) FROM tab_invii_dest WHERE ID_Invio = tab_invii.ID AND Esito = 'A'), "
        "Rifiutati = (SELECT COUNT(*) FROM tab_invii_dest WHERE ID_Invio = tab_invii.ID AND Esito = 'E')"));
    tx.commit();
}

double plainQueryMs(Database &db)
{
    QElapsedTimer t;
    t.start();
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db.handle(), "SELECT ID, Data, Gateway, Testo, Quando, Destinatari, Accettati, InCoda, Rifiutati, "
                       "Sconosciuti, Consegnati, NonConsegnati, InAttesa FROM tab_invii ORDER BY ID DESC LIMIT ?", -1, &st, nullptr);
    sqlite3_bind_int(st, 1, kSentPage);
    size_t bytes = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            bytes += sqlite3_column_type(st, c) == SQLITE_INTEGER ? size_t(sqlite3_column_int64(st, c))
                                                                   : size_t(sqlite3_column_bytes(st, c));
        }
    }
    sqlite3_finalize(st);
    g_sink = bytes;
    return ms(t);
}

// The first page read, the rows on screen formatted, the recipients of the
// first send listed.
double historyOpenMs(Database &db, int rowsShown)
{
    QElapsedTimer t;
    t.start();
    const QList<SentEntry> page = readSends(db, {});
    size_t chars = 0;
    for (const SentEntry &e : page.first(std::min<qsizetype>(rowsShown, page.size())))
        chars += size_t(shownDate(e.date).size() + e.gateway.size() + QString(e.text).replace(QLatin1Char('\n'), QLatin1Char(' ')).size()
                        + outcomeSummary(e).size() + deliverySummary(e).size());
    if (!page.isEmpty()) {
        for (const SentRecipient &r : readSentRecipients(db, page.first().id))
            chars += size_t(r.number.size() + outcomeWord(r.outcome).size());
    }
    g_sink = chars;
    if (page.size() != kSentPage) {
        std::fprintf(stderr, "history-open: %lld sends on the first page\n", qlonglong(page.size()));
        std::exit(1);
    }
    return ms(t);
}

} // namespace

int main(int argc, char *argv[])
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    test::TestEnv env;
    fill(env.db());

    // The window itself, for the record and for how many rows its first
    // screen shows: widgets cost what they cost.
    QElapsedTimer t;
    t.start();
    auto *window = SentHistoryWindow::showFor(*env.ctx, nullptr);
    QApplication::processEvents();
    const double windowMs = ms(t);
    auto *list = window->findChild<QTableView *>(QStringLiteral("lst_invii"));
    const int rowsShown = list->rowAt(list->viewport()->height() - 1) + 1;
    delete window;

    QList<double> plain, open;
    for (int round = 0; round < kRounds; ++round) {
        plain << plainQueryMs(env.db());
        open << historyOpenMs(env.db(), rowsShown > 0 ? rowsShown : kSentPage);
    }
    std::printf("# history-open: %.3f ms, plain query of %d rows %.3f ms (medians of %d); the whole window %.1f ms, "
                "%d rows on screen\n",
                median(open), kSentPage, median(plain), kRounds, windowMs, rowsShown);
    const double ratio = median(open) / median(plain);
    std::printf("history-open: %.2f x (target <= 2) %s\n", ratio, ratio <= 2.0 ? "PASS" : "MISS");
    return 0;
}
