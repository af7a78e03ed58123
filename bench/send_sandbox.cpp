// send-sandbox: the whole address book of 100,000 contacts handed over through
// the sandbox driver, against inserting the same 100,000 rows into SQLite in
// one transaction.
#include "BenchCommon.h"

#include "gateway/GatewayFactory.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

using namespace brio;
using namespace brio::test;
using namespace brio::bench;

namespace {

constexpr int kRounds = 5;

double sendMs()
{
    SendFixture f;
    SandboxGateway::addAccount(sandboxFile(f.env.state.InstallDir), QStringLiteral("prova"), QStringLiteral("prova"),
                               10 * kSendContacts, false);
    const double ms = timeWholeBookSend(f, "send-sandbox");
    if (f.outbox().size() != kSendContacts) {
        std::fprintf(stderr, "send-sandbox: the send did not deliver %d messages\n", kSendContacts);
        std::exit(1);
    }
    return ms;
}

// The same rows as the outbox gets, straight into a new file.
double plainInsertMs()
{
    QTemporaryDir dir;
    auto db = Database::open(dir.filePath(QStringLiteral("plain.db")), QString(), Database::Mode::Shared, true);
    db->exec(QStringLiteral("CREATE TABLE outbox (id INTEGER PRIMARY KEY AUTOINCREMENT, account TEXT NOT NULL, "
                            "recipient TEXT NOT NULL, text TEXT NOT NULL, send_at TEXT NOT NULL, "
                            "accepted_at TEXT NOT NULL)"));
    QList<QByteArray> recipients;
    for (int i = 0; i < kSendContacts; ++i)
        recipients << benchNumber(i).mid(1).toUtf8();
    const QByteArray text = kSendText.toUtf8();

    QElapsedTimer t;
    t.start();
    sqlite3 *h = db->handle();
    sqlite3_exec(h, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(h,
                       "INSERT INTO outbox (account, recipient, text, send_at, accepted_at) "
                       "VALUES ('prova', ?, ?, 'NOW', '2026-06-15T10:30:00')",
                       -1, &st, nullptr);
    for (const QByteArray &r : std::as_const(recipients)) {
        sqlite3_bind_text(st, 1, r.constData(), int(r.size()), SQLITE_STATIC);
        sqlite3_bind_text(st, 2, text.constData(), int(text.size()), SQLITE_STATIC);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    bench::useOffscreenByDefault();
    QCoreApplication app(argc, argv);
    QList<double> send;
    QList<double> plain;
    for (int i = 0; i < kRounds; ++i) {
        plain << plainInsertMs();
        send << sendMs();
    }
    const double ratio = median(send) / median(plain);
    std::fprintf(stderr, "send-sandbox: send %.1f ms, plain insert %.1f ms (medians of %d)\n", median(send),
                 median(plain), kRounds);
    std::printf("send-sandbox: %.2f x (target <= 2) %s\n", ratio, ratio <= 2.0 ? "PASS" : "MISS");
    return 0;
}
