// main-window: opening the main window and filling its recipient list with a
// message of 100,000 chosen contacts (address book of 100,000 contacts, 200
// groups), against the plain SQLite query that reads the same rows.
#include "BenchCommon.h"
#include "mock/TestEnv.h"

#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/EntryListView.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sqlite3.h>

using namespace brio;
using brio::bench::median;

namespace {

constexpr int kContacts = 100000;
constexpr int kGroups = 200;
constexpr int kMembersPerGroup = 100;
constexpr int kRounds = 5;
constexpr double kTarget = 3.0;
volatile size_t g_sink = 0;

void fill(Database &db)
{
    bench::fillNamedAddressBook(db, kContacts, 20240601);
    bench::fillRandomGroups(db, kGroups, kMembersPerGroup, kContacts, 20240601);
}

void chooseEveryContact(Database &db)
{
    Transaction tx(db);
    db.run(QStringLiteral("DELETE FROM tab_dest_msg"));
    db.run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) SELECT IDDestinatario FROM tab_destinatari"));
    tx.commit();
}

// The rows LoadMessageRecipients shows, read with nothing but the engine.
double plainQueryMs(Database &db, qint64 &rows)
{
    QElapsedTimer t;
    t.start();
    sqlite3 *h = db.handle();
    rows = 0;
    size_t bytes = 0;
    for (const char *sql : {"SELECT IDDestinatario, Nominativo, Numero from tab_destinatari WHERE IDDestinatario IN "
                            "(SELECT IDDestinatario FROM tab_dest_msg) ORDER BY Nominativo COLLATE NOCASE",
                            "SELECT ID, Numero FROM tab_dest_number"}) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(h, sql, -1, &st, nullptr);
        const int columns = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            ++rows;
            bytes += size_t(sqlite3_column_int64(st, 0));
            for (int c = 1; c < columns; ++c)
                bytes += size_t(sqlite3_column_bytes(st, c)) + (sqlite3_column_text(st, c) ? 1 : 0);
        }
        sqlite3_finalize(st);
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    g_sink = bytes; // the reads above must not be optimised away
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    test::TestEnv env;
    fill(env.db());
    env.db().run(QStringLiteral("INSERT INTO tab_dest_number (Numero) VALUES (?)"), {QStringLiteral("+393471234567")});

    QList<double> plain, open, load;
    qint64 rows = 0;
    int shown = 0;
    for (int round = 0; round < kRounds; ++round) {
        chooseEveryContact(env.db());
        plain << plainQueryMs(env.db(), rows);

        QElapsedTimer t;
        t.start();
        auto window = std::make_unique<MainWindow>(*env.ctx);
        window->show();
        QApplication::processEvents();
        open << double(t.nsecsElapsed()) / 1e6;

        // Opening empties the message; choose the contacts again, as the
        // recipient picker would.
        chooseEveryContact(env.db());
        t.restart();
        window->LoadMessageRecipients();
        QApplication::processEvents();
        load << double(t.nsecsElapsed()) / 1e6;
        shown = window->recipientList()->model()->rowCount();
        window.reset();
    }
    if (shown != rows) {
        std::fprintf(stderr, "main-window: the list shows %d entries, the query %lld rows\n", shown,
                     static_cast<long long>(rows));
        return 1;
    }

    const double base = median(plain);
    const double ratio = (median(open) + median(load)) / base;
    std::printf("# main-window: plain query %.1f ms, opening %.1f ms, LoadMessageRecipients %.1f ms (%lld rows)\n",
                base, median(open), median(load), static_cast<long long>(rows));
    std::printf("main-window: %.2f x (target <= %g) %s\n", ratio, kTarget, ratio <= kTarget ? "PASS" : "MISS");
    return 0;
}
