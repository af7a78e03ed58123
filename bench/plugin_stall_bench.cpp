// plugin-stall: the longest wait of the main window while a plug-in (another
// process, plain SQLite) inserts 10,000 contacts into the book in batches of
// 1,000, one transaction each; against one such batch transaction timed with
// nobody else at the file. The window's action is adding a typed number, a
// write, which has to wait for the plug-in's transaction to end.
#include "BenchCommon.h"
#include "mock/TestEnv.h"
#include "mock/Widgets.h"

#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <utility>
#include <vector>

using namespace brio;
using brio::bench::median;

namespace {

constexpr int kContacts = 10000;
constexpr int kBatch = 1000;
constexpr int kRounds = 3;
constexpr double kTarget = 2.0;

// The plug-in: inserts its contacts and prints each batch's milliseconds.
int plugin(const char *file, int first)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(file, &db) != SQLITE_OK)
        return 1;
    sqlite3_busy_timeout(db, 10000);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO tab_destinatari (Nominativo, Numero) VALUES (?, ?)", -1, &insert, nullptr);
    for (int done = 0; done < kContacts; done += kBatch) {
        // As an importer does: the batch is read from its source first,
        // then written in one transaction.
        std::vector<std::pair<std::string, std::string>> rows;
        for (int i = done; i < done + kBatch; ++i)
            rows.emplace_back("Importato " + std::to_string(first + i), "+39340" + std::to_string(1000000 + first + i));
        QElapsedTimer t;
        t.start();
        if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
            return 1;
        for (const auto &[name, number] : rows) {
            sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert, 2, number.c_str(), -1, SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE)
                return 1;
            sqlite3_reset(insert);
        }
        if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            return 1;
        std::printf("%f\n", double(t.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return 0;
}

QProcess *startPlugin(const QString &file, int first)
{
    auto *p = new QProcess;
    p->start(QCoreApplication::applicationFilePath(),
             {QStringLiteral("--plugin"), file, QString::number(first)});
    p->waitForStarted();
    return p;
}

QList<double> batchTimes(QProcess &p)
{
    QList<double> out;
    const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
    for (const QByteArray &l : lines) {
        if (!l.trimmed().isEmpty())
            out << l.toDouble();
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && std::strcmp(argv[1], "--plugin") == 0)
        return plugin(argv[2], std::atoi(argv[3]));

    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    test::TestEnv env;
    const QString file = env.state.book.path();
    MainWindow window(*env.ctx);
    window.show();
    auto *prefix = test::child<QComboBox>(window, "cb_prefisso");
    auto *number = test::child<QLineEdit>(window, "txt_numero");
    auto *add = test::child<QPushButton>(window, "cmd_singolo_aggiungi");
    int typed = 0;
    auto addNumber = [&] {
        prefix->setCurrentText(QStringLiteral("333"));
        number->setText(QString::number(1000000 + typed++));
        QElapsedTimer t;
        t.start();
        add->click();
        return double(t.nsecsElapsed()) / 1e6;
    };

    QList<double> quiet;
    for (int i = 0; i < 200; ++i) {
        quiet << addNumber();
        QThread::msleep(1);
    }

    // Side by side, round after round: the plug-in alone, then the plug-in
    // while the user works (an action every millisecond, faster than anyone
    // clicks).
    QList<double> batches;
    QList<double> busyBatches;
    double longest = 0;
    int actions = 0;
    bool pluginOk = true;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<QProcess> alone(startPlugin(file, 2 * round * kContacts));
        alone->waitForFinished(-1);
        batches << batchTimes(*alone);
        std::unique_ptr<QProcess> busy(startPlugin(file, (2 * round + 1) * kContacts));
        while (!busy->waitForFinished(0)) {
            longest = std::max(longest, addNumber());
            ++actions;
            QThread::msleep(1);
        }
        busyBatches << batchTimes(*busy);
        pluginOk = pluginOk && alone->exitCode() == 0 && busy->exitCode() == 0;
    }
    const qint64 rows = env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari"));
    const qint64 added = env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_dest_number"));
    if (!pluginOk || rows != 2 * kRounds * kContacts || added != typed || !env.prompter.shown.isEmpty()) {
        std::fprintf(stderr, "plugin-stall: the plug-in or the window did not do its work\n");
        return 1;
    }
    const double base = median(batches);
    const double ratio = longest / base;
    std::printf("# plugin-stall: batch of %d alone %.1f ms (longest %.1f; %.1f ms beside the window, longest %.1f), "
                "action alone %.2f ms (longest %.1f), longest action %.1f ms of %d, %lld contacts\n",
                kBatch, base, *std::max_element(batches.begin(), batches.end()), median(busyBatches),
                *std::max_element(busyBatches.begin(), busyBatches.end()), median(quiet),
                *std::max_element(quiet.begin(), quiet.end()), longest, actions, static_cast<long long>(rows));
    std::printf("plugin-stall: %.2f x (target <= %g) %s\n", ratio, kTarget, ratio <= kTarget ? "PASS" : "MISS");
    return 0;
}
