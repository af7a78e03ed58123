// import-csv: 100,000 contacts from a spreadsheet-style CSV file through the
// shipped "Importa da CSV" plug-in (started as the program starts it, numbers
// read with libphonenumber and checked, duplicates looked up, one
// transaction), against the sqlite3 shell's .import of the same file into a
// plain table. Both as separate processes, wall clock, median of three.
#include "BenchCommon.h"
#include "app/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

using namespace brio;
using brio::bench::median;

namespace {

constexpr int kRounds = 3;
constexpr double kTarget = 2.0;

void writeCsv(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        std::exit(1);
    QByteArray out("Cognome;Nome;Cellulare;Indirizzo;Citt\xc3\xa0;Provincia;E-mail\r\n");
    for (int i = 0; i < bench::kSendContacts; ++i) {
        const QString n = QStringLiteral("%1").arg(i, 7, 10, QLatin1Char('0'));
        out += QStringLiteral("Rossi %1;Mario;333 %2 %3;\"Via Roma %1; scala B\";Milano;MI;m%1@example.it\r\n")
                   .arg(i)
                   .arg(n.left(3), n.mid(3))
                   .toUtf8();
    }
    f.write(out);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString csv = QDir(dir.path()).filePath(QStringLiteral("rubrica.csv"));
    writeCsv(csv);
    QList<double> ours;
    QList<double> shell;
    for (int round = 0; round < kRounds; ++round) {
        const QString folder = QDir(dir.path()).filePath(QStringLiteral("data%1").arg(round));
        provisionDataFolder(folder);
        ours << bench::timeProgram("import-csv", QStringLiteral(BRIOSMS_IMPORT_CSV),
                        {QDir(folder).filePath(QStringLiteral("BrioSMS.MDB")), csv, QStringLiteral("--batch")}, "\n");
        const QString plain = QDir(dir.path()).filePath(QStringLiteral("plain%1.db").arg(round));
        shell << bench::timeProgram("import-csv", QStringLiteral("sqlite3"),
                         {plain, QStringLiteral(".mode csv"), QStringLiteral(".separator ;"),
                          QStringLiteral(".import %1 rubrica").arg(csv)},
                         QByteArray());
    }
    const double ratio = median(ours) / median(shell);
    std::printf("# import-csv: plug-in %.0f ms, sqlite3 .import %.0f ms (%d contacts)\n", median(ours), median(shell),
                bench::kSendContacts);
    std::printf("import-csv: %.2f x (target <= %g) %s\n", ratio, kTarget, ratio <= kTarget ? "PASS" : "MISS");
    return 0;
}
