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
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sqlite3.h>

using namespace brio;
using brio::bench::median;

namespace {

constexpr int kContacts = 10000;
constexpr int kBatch = 1000;
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
        QElapsedTimer t;
        t.start();
        if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
            return 1;
        for (int i = done; i < done + kBatch; ++i) {
            char name[32];
            char number[32];
            std::snprintf(name, sizeof name, "Importato %d", first + i);
            std::snprintf(number, sizeof number, "+39340%07d", first + i);
            sqlite3_bind_text(insert, 1, name, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, number, -1, SQLITE_TRANSIENT);
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

    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                      : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    test::TestEnv env;
    const QString file = env.state.databasePath();
    MainWindow window(*env.ctx);
    window.show();
    auto *prefix = test::child<QComboBox>(window, "cb_prefisso");
    auto *number = test::child<QLineEdit>(window, "txt_numero");
    auto *add = test::child<QPushButton>(window, "cmd_singolo_aggiungi");
    prefix->setCurrentText(QStringLiteral("333"));
    int typed = 0;
    auto addNumber = [&] {
        number->setText(QString::number(1000000 + typed++));
        QElapsedTimer t;
        t.start();
        add->click();
        return double(t.nsecsElapsed()) / 1e6;
    };

    // Side by side: the plug-in alone, then the plug-in while the user works.
    std::unique_ptr<QProcess> alone(startPlugin(file, 0));
    alone->waitForFinished(-1);
    const QList<double> batches = batchTimes(*alone);
    QList<double> quiet;
    for (int i = 0; i < 50; ++i)
        quiet << addNumber();

    std::unique_ptr<QProcess> busy(startPlugin(file, kContacts));
    double longest = 0;
    int actions = 0;
    while (!busy->waitForFinished(0)) {
        longest = std::max(longest, addNumber());
        ++actions;
    }
    const QList<double> busyBatches = batchTimes(*busy);
    if (batches.size() != kContacts / kBatch || busyBatches.size() != kContacts / kBatch || busy->exitCode() != 0) {
        std::fprintf(stderr, "plugin-stall: the plug-in did not insert its contacts\n");
        return 1;
    }
    const qint64 rows = env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari"));
    const double base = median(batches);
    const double ratio = longest / base;
    std::printf("# plugin-stall: batch of %d alone %.1f ms (%.1f ms beside the window), action alone %.2f ms, "
                "longest action %.1f ms of %d, %lld contacts\n",
                kBatch, base, median(busyBatches), median(quiet), longest, actions, static_cast<long long>(rows));
    std::printf("plugin-stall: %.2f x (target <= %g) %s\n", ratio, kTarget, ratio <= kTarget ? "PASS" : "MISS");
    return 0;
}
