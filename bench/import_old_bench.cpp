// import-old: importing an old address book of 100,000 contacts, against
// what the job needs at least, measured side by side: Debian's mdb-export of
// the same table to /dev/null plus the plain insert of the same rows in one
// transaction.
#include "BenchCommon.h"
#include "mock/TestEnv.h"
#include "plugins/JetFixture.h"
#include "plugins/OldAddressBook.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace brio;
using namespace brio::test;
using brio::bench::median;

namespace {

constexpr int kContacts = 100000;
constexpr int kRounds = 5;
constexpr double kTargetRatio = 2.0;

QString sourceNumber(int i)
{
    return QStringLiteral("0333 %1").arg(i, 7, 10, QLatin1Char('0'));
}

void fail(const char *what)
{
    std::fprintf(stderr, "import-old: %s\n", what);
    std::exit(1);
}

double importOnce(const QString &file)
{
    TestEnv env;
    QElapsedTimer t;
    t.start();
    OldImportCounts counts;
    importOldAddressBook(*env.ctx, file, counts, {});
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (counts.imported != kContacts)
        fail("not every contact was imported");
    return ms;
}

double baselineOnce(const QString &file)
{
    TestEnv env;
    QElapsedTimer t;
    t.start();
    QProcess exporter;
    exporter.setStandardOutputFile(QProcess::nullDevice());
    exporter.start(QStringLiteral("mdb-export"), {file, QStringLiteral("tab_destinatari")});
    if (!exporter.waitForFinished(-1) || exporter.exitCode() != 0)
        fail("mdb-export failed");
    Database &db = env.db();
    Transaction tx(db);
    Statement st = db.prepare(QStringLiteral(
        "INSERT INTO tab_destinatari (Nominativo, Numero, Indirizzo, CAP, Citta, Prov, Regione, e_mail, "
        "DataNascita, Sesso) VALUES (?, ?, ?, ?, ?, ?, ?, ?, '', '')"));
    for (int i = 0; i < kContacts; ++i) {
        st.bindAll({QStringLiteral("Contatto %1").arg(i), QStringLiteral("+39333%1").arg(i, 7, 10, QLatin1Char('0')),
                    QStringLiteral("Via Garibaldi 7"), QStringLiteral("47121"), QStringLiteral("Forlì"),
                    QStringLiteral("FC"), QString(), QString()});
        st.run();
        st.reset();
    }
    tx.commit();
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("brioSMS.mdb"));
    QList<std::pair<QString, JetText>> contacts;
    for (int i = 0; i < kContacts; ++i)
        contacts.append({QStringLiteral("Contatto %1").arg(i), sourceNumber(i)});
    writeOldBook(file, contacts);

    QList<double> ours, baseline;
    for (int r = 0; r < kRounds; ++r) {
        baseline << baselineOnce(file);
        ours << importOnce(file);
    }
    const double ratio = median(ours) / median(baseline);
    std::printf("import-old: %.2f x (target <= %.0f) %s\n", ratio, kTargetRatio,
                ratio <= kTargetRatio ? "PASS" : "MISS");
    std::fprintf(stderr, "import-old: import %.0f ms, mdb-export + plain insert %.0f ms\n", median(ours),
                 median(baseline));
    return 0;
}
