// import-vcard: 100,000 contacts from a .vcf file, one short card each,
// through the shipped "Importa da vCard" plug-in, against the shipped
// "Importa da CSV" plug-in on the same contacts. Both as separate
// processes as the program starts them, wall clock, median of three.
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
constexpr double kTarget = 3.0;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        std::exit(1);
}

// The same contacts both ways: name, mobile, address, city, province, e-mail.
void writeSources(const QString &csv, const QString &vcf)
{
    QByteArray table("Cognome;Nome;Cellulare;Indirizzo;Citt\xc3\xa0;Provincia;E-mail\r\n");
    QByteArray cards;
    for (int i = 0; i < bench::kSendContacts; ++i) {
        const QString n = QStringLiteral("%1").arg(i, 7, 10, QLatin1Char('0'));
        const QString number = QStringLiteral("333 %1 %2").arg(n.left(3), n.mid(3));
        table += QStringLiteral("Rossi %1;Mario;%2;Via Roma %1;Milano;MI;m%1@example.it\r\n").arg(i).arg(number).toUtf8();
        cards += QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Rossi %1;Mario;;;\r\nFN:Mario Rossi %1\r\n"
                                "TEL;TYPE=CELL:%2\r\nADR;TYPE=HOME:;;Via Roma %1;Milano;MI;;\r\n"
                                "EMAIL:m%1@example.it\r\nEND:VCARD\r\n")
                     .arg(i)
                     .arg(number)
                     .toUtf8();
    }
    writeFile(csv, table);
    writeFile(vcf, cards);
}

// Milliseconds of one import into a new data folder; ends the benchmark
// when it fails.
double timeImport(const QString &program, const QString &folder, const QString &source)
{
    provisionDataFolder(folder);
    QByteArray out;
    const double took = bench::timeProgram(
        "import-vcard", program, {QDir(folder).filePath(QStringLiteral("BrioSMS.MDB")), source, QStringLiteral("--batch")},
        "\n", &out);
    if (!out.contains(QByteArray::number(bench::kSendContacts))) {
        std::fprintf(stderr, "import-vcard: %s imported fewer contacts: %s\n", qPrintable(program), out.constData());
        std::exit(1);
    }
    return took;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString csv = QDir(dir.path()).filePath(QStringLiteral("rubrica.csv"));
    const QString vcf = QDir(dir.path()).filePath(QStringLiteral("rubrica.vcf"));
    writeSources(csv, vcf);
    QList<double> cards;
    QList<double> table;
    for (int round = 0; round < kRounds; ++round) {
        cards << timeImport(QStringLiteral(BRIOSMS_IMPORT_VCARD), QDir(dir.path()).filePath(QStringLiteral("v%1").arg(round)), vcf);
        table << timeImport(QStringLiteral(BRIOSMS_IMPORT_CSV), QDir(dir.path()).filePath(QStringLiteral("c%1").arg(round)), csv);
    }
    const double ratio = median(cards) / median(table);
    std::printf("# import-vcard: vCard %.0f ms, CSV %.0f ms (%d contacts)\n", median(cards), median(table),
                bench::kSendContacts);
    std::printf("import-vcard: %.2f x (target <= %g) %s\n", ratio, kTarget, ratio <= kTarget ? "PASS" : "MISS");
    return 0;
}
