// The shipped plug-ins, run as the programs they are, on files such as
// spreadsheets and phones write.
#include "CsvPreviewDialog.h"
#include "CsvSource.h"
#include "app/BookDialogues.h"
#include "mock/Errors.h"
#include "mock/TestEnv.h"
#include "store/Database.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTableWidget>
#include <QtTest>
#include <functional>
#include <sys/resource.h>

using namespace brio;
using namespace brio::test;

namespace {

// Runs a shipped plug-in by hand (--batch: no window) and returns what it
// printed; fails the test when it does not end with 0.
QString runPlugin(const char *program, const QStringList &args, const QString &password = QString())
{
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(QDir(QStringLiteral(BRIOSMS_SHIPPED_DIR)).filePath(QLatin1String(program)), args + QStringList{QStringLiteral("--batch")});
    p.write(password.toUtf8() + '\n');
    p.closeWriteChannel();
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << p.readAllStandardError();
        return QStringLiteral("FAILED");
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Runs a plug-in that must refuse its file: returns what it wrote on
// standard error, or "EXIT n" when it did not end with 1.
QString refusal(const char *program, const QStringList &args)
{
    QProcess p;
    p.start(QDir(QStringLiteral(BRIOSMS_SHIPPED_DIR)).filePath(QLatin1String(program)), args + QStringList{QStringLiteral("--batch")});
    p.write("\n");
    p.closeWriteChannel();
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 1)
        return QStringLiteral("EXIT %1 %2").arg(p.exitCode()).arg(QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardError());
}

// The largest resident size, in MB, of the child processes ended so far.
long childrenPeakMb()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}


} // namespace

class TestShippedPlugins final : public QObject
{
    Q_OBJECT

private slots:
    void spreadsheetCsv()
    {
        TestEnv env;
        env.addContact(QStringLiteral("Già in rubrica"), QStringLiteral("+393471111111"));
        const QString source = env.path(QStringLiteral("contatti excel.csv"));
        // Windows-1252, as a spreadsheet saves "CSV (separato da ;)".
        writeFile(source,
                  "Cognome;Nome;Cellulare;Indirizzo;CAP;Citt\xe0;Prov.;E-mail;Data di nascita;Sesso\r\n"
                  "Rossi;Niccol\xf2;333 123 4567;\"Via Roma 1; scala B\";47121;Forl\xec;FC;n.rossi@example.it;03/02/1980;M\r\n"
                  "Bianchi;Anna;+39 347-765.43.21;;;;;;1990-05-12;Femmina\r\n"
                  "Verdi;Carlo;06 1234567;;;;;;;\r\n"
                  "Neri;Luca;;;;;;;;\r\n"
                  "Gialli;Sara;347 1111111;;;;;;;\r\n"
                  "Rossi;Copia;0039 333 1234567;;;;;;;\r\n");
        const QString out = runPlugin("briosms-importa-csv", {env.state.book.path(), source});
        QVERIFY2(out.contains(QStringLiteral("Contatti importati: 2")), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("Già presenti in rubrica: 2")));
        QVERIFY(out.contains(QStringLiteral("Numeri non validi: 2")));
        QCOMPARE(bookRows(env.db()), (QStringList{
            QStringLiteral("Niccolò Rossi|+393331234567|Via Roma 1; scala B|47121|Forlì|FC||n.rossi@example.it|19800203|M"),
            QStringLiteral("Già in rubrica|+393471111111||||||||"),
            QStringLiteral("Anna Bianchi|+393477654321|||||||19900512|F")}));
        QFile bad(env.path(QStringLiteral("contatti excel-scartati.txt")));
        QVERIFY(bad.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(bad.readAll()),
                 QStringLiteral("Riga 4: Carlo Verdi - 06 1234567\nRiga 5: Luca Neri - nessun numero\n"));
    }

    // A web-mail contacts export with its usual header: the first e-mail and
    // address are taken, and the mobile among all the phones, by its type
    // or else by its form.
    void webMailExport()
    {
        TestEnv env;
        const QString source = env.path(QStringLiteral("contacts.csv"));
        writeFile(source,
                  "Name,Given Name,Family Name,E-mail 1 - Type,E-mail 1 - Value,Phone 1 - Type,Phone 1 - Value,"
                  "Phone 2 - Type,Phone 2 - Value,Address 1 - Type,Address 1 - Formatted,Address 1 - Street,"
                  "Address 1 - City,Address 1 - PO Box,Address 1 - Region,Address 1 - Postal Code,Address 1 - Country\r\n"
                  "Mario Rossi,Mario,Rossi,* Home,mario@example.it,Home,051 234567,Mobile,+39 333 1234567,Home,"
                  "\"Via Indipendenza 3, Bologna\",Via Indipendenza 3,Bologna,,BO,40121,Italia\r\n"
                  "Anna Neri,Anna,Neri,,,Work,02 7654321,Other,347 7654321,,,,,,,,\r\n"
                  "Carlo Bianchi,Carlo,Bianchi,,,Mobile,348 1111111,Home,349 2222222,,,,,,,,\r\n");
        const QString out = runPlugin("briosms-importa-csv", {env.state.book.path(), source});
        QVERIFY2(out.contains(QStringLiteral("Contatti importati: 3")), qPrintable(out));
        QCOMPARE(bookRows(env.db()), (QStringList{
            QStringLiteral("Mario Rossi|+393331234567|Via Indipendenza 3|40121|Bologna|BO||mario@example.it||"),
            QStringLiteral("Anna Neri|+393477654321||||||||"),
            QStringLiteral("Carlo Bianchi|+393481111111||||||||")}));
    }

    // A file far larger than the book: the book's indexes are made again
    // after the rows, and must come back whole and enforcing.
    void largeImportKeepsTheIndexes()
    {
        TestEnv env;
        env.addContact(QStringLiteral("Già in rubrica"), QStringLiteral("+393470000007"));
        const auto indexes = [&env] {
            QStringList out;
            Statement st = env.db().prepare(QStringLiteral(
                "SELECT sql FROM sqlite_master WHERE tbl_name = 'tab_destinatari' AND type = 'index' ORDER BY name"));
            while (st.next())
                out << st.text(0);
            return out;
        };
        const QStringList before = indexes();
        // The first name runs past the book's 50 characters, the last of
        // them an emoji that 50 bytes would cut in half; every other field
        // of that row is too long as well.
        QByteArray csv("Nome;Cellulare;Indirizzo;CAP;Citta;Prov;Regione;E-mail\r\n" + QByteArray(49, 'x')
                       + "\xf0\x9f\x98\x80y;333 1234567");
        for (int i = 0; i < 6; ++i)
            csv += ';' + QByteArray(120, 'y');
        csv += "\r\n";
        for (int i = 0; i < 1500; ++i)
            csv += QStringLiteral("Contatto %1;347 %2\r\n").arg(i).arg(i % 1499, 7, 10, QLatin1Char('0')).toUtf8();
        const QString source = env.path(QStringLiteral("grande.csv"));
        writeFile(source, csv);
        const QString out = runPlugin("briosms-importa-csv", {env.state.book.path(), source});
        QVERIFY2(out.contains(QStringLiteral("Contatti importati: 1499")), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("Già presenti in rubrica: 2")));
        QCOMPARE(indexes(), before);
        QCOMPARE(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari WHERE Nominativo = ?"),
                                 {QString(49, QLatin1Char('x')) + QString::fromUcs4(U"\U0001F600")}),
                 1);
        QCOMPARE(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari WHERE Nominativo LIKE 'Contatto%'")), 1498);
        // Writing every row back to itself runs the table's own size checks.
        env.db().exec(QStringLiteral("UPDATE tab_destinatari SET Nominativo = Nominativo, Numero = Numero, "
                                     "Indirizzo = Indirizzo, CAP = CAP, Citta = Citta, Prov = Prov, "
                                     "Regione = Regione, e_mail = e_mail, DataNascita = DataNascita, Sesso = Sesso"));
        Statement check = env.db().prepare(QStringLiteral("PRAGMA integrity_check"));
        QVERIFY(check.next());
        QCOMPARE(check.text(0), QStringLiteral("ok"));
        QCOMPARE(errorOf([&env] { env.addContact(QStringLiteral("Doppio"), QStringLiteral("+393470000123")); }),
                 ErrorNo::DuplicateKey);
    }

    // A large import stopped just before its commit leaves the book as it
    // was, whether the program has the book open meanwhile (the rows go
    // through the log) or not (through the rollback journal, the log put
    // back after); run again, it completes.
    void importStoppedBeforeCommit_data()
    {
        QTest::addColumn<bool>("bookOpen");
        QTest::newRow("book open in the program") << true;
        QTest::newRow("book alone") << false;
    }

    void importStoppedBeforeCommit()
    {
        QFETCH(bool, bookOpen);
        TestEnv env;
        env.addContact(QStringLiteral("Già in rubrica"), QStringLiteral("+393470000007"));
        QByteArray csv("Nome;Cellulare\r\n");
        for (int i = 0; i < 1500; ++i)
            csv += QStringLiteral("Contatto %1;348 %2\r\n").arg(i).arg(i, 7, 10, QLatin1Char('0')).toUtf8();
        const QString source = env.path(QStringLiteral("grande.csv"));
        writeFile(source, csv);
        const QString book = env.state.book.path();
        const auto reopen = [&] {
            if (!bookOpen)
                env.state.book.adopt(Database::open(book), QString());
        };
        if (!bookOpen)
            env.state.book.close();
        QProcess p;
        QProcessEnvironment stopped = QProcessEnvironment::systemEnvironment();
        stopped.insert(QStringLiteral("BRIOSMS_KILL_AT"), QStringLiteral("import-before-commit"));
        p.setProcessEnvironment(stopped);
        p.start(QDir(QStringLiteral(BRIOSMS_SHIPPED_DIR)).filePath(QStringLiteral("briosms-importa-csv")),
                {book, source, QStringLiteral("--batch")});
        p.write("\n");
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        reopen();
        QCOMPARE(env.db().usesWriteAheadLog(), bookOpen);
        QCOMPARE(bookRows(env.db()), QStringList{QStringLiteral("Già in rubrica|+393470000007||||||||")});
        {
            Statement check = env.db().prepare(QStringLiteral("PRAGMA integrity_check"));
            QVERIFY(check.next());
            QCOMPARE(check.text(0), QStringLiteral("ok"));
        }
        // As the program does when it next starts.
        env.db().useWriteAheadLog();
        if (!bookOpen)
            env.state.book.close();
        QVERIFY(runPlugin("briosms-importa-csv", {book, source}).contains(QStringLiteral("Contatti importati: 1500")));
        reopen();
        QCOMPARE(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari")), 1501);
        QVERIFY(env.db().usesWriteAheadLog());
    }

    // A large file is read a block at a time while the rows are written:
    // rows, and quoted fields with line breaks in them, run across blocks;
    // so does a number field as long as a field may be, refused without a
    // long wait.
    void largeFileReadInBlocks()
    {
        TestEnv env;
        constexpr int kRows = 12000; // some 600 KB
        QByteArray csv("Nome;Cellulare;Indirizzo\r\nLungo;" + QByteArray(kit::kMostCsvFieldBytes, '3') + ";\r\n");
        for (int i = 0; i < kRows; ++i)
            csv += QStringLiteral("Contatto %1;347 %2;\"Via Roma %1\nScala B\"\r\n")
                       .arg(i, 5, 10, QLatin1Char('0'))
                       .arg(i, 7, 10, QLatin1Char('0'))
                       .toUtf8();
        const QString source = env.path(QStringLiteral("grande.csv"));
        writeFile(source, csv);
        const QString out = runPlugin("briosms-importa-csv", {env.state.book.path(), source});
        QVERIFY2(out.contains(QStringLiteral("Contatti importati: %1").arg(kRows)), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("Numeri non validi: 1")));
        QCOMPARE(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari WHERE Indirizzo = "
                                                "'Via Roma ' || substr(Nominativo, 10) || char(10) || 'Scala B'")),
                 kRows);
        // The preview keeps its first rows whole while it reads on to count.
        QFile file(source);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const kit::CsvPreview preview = kit::previewCsv(file, 10);
        QCOMPARE(preview.contacts, kRows + 1);
        QCOMPARE(preview.first.size(), 10);
        QCOMPARE(preview.first.at(1).name, QByteArray("Contatto 00000"));
        QCOMPARE(preview.first.at(9).address, QByteArray("Via Roma 00008\nScala B"));
    }

    void phoneVCards()
    {
        TestEnv env;
        const QString phone = env.path(QStringLiteral("telefono.vcf"));
        // Photos of a few megabytes, in base64 lines: indented or not up to
        // a blank line (2.1), folded (4.0).
        const QByteArray line("/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDAEUDQwLCwwZEhMPFB0a");
        QByteArray photo21;
        QByteArray photo40;
        for (int i = 0; i < 30000; ++i) {
            photo21 += "    " + line + "\r\n";
            photo40 += "\r\n " + line;
        }
        // A phone's vCard 2.1 export: quoted-printable UTF-8 names, soft line breaks, several numbers.
        writeFile(phone,
                  "BEGIN:VCARD\r\nVERSION:2.1\r\nPHOTO;ENCODING=BASE64;JPEG:\r\n" + photo21 + "\r\n"
                  "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Rossi;Nicol=C3=B2;;;\r\n"
                  "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Nicol=C3=B2 Rossi Dell'Acqu=\r\na\r\n"
                  "TEL;HOME:06 1234567\r\nTEL;CELL;PREF:+39 333 123 4567\r\n"
                  "ADR;HOME:;;Via Po 2;Torino;TO;10100;Italia\r\nEMAIL;INTERNET:n@example.it\r\nBDAY:1980-02-03\r\n"
                  "END:VCARD\r\n"
                  "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Luc=E0;Anna\r\n"
                  "TEL;CELL:3477654321\r\nEND:VCARD\r\n"
                  "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Solo fisso\r\nTEL;WORK:02 7654321\r\nPHOTO;ENCODING=BASE64;TYPE=GIF:\r\n"
                  + photo21.replace("    ", "") + "\r\nEND:VCARD\r\n");
        const QString v4 = env.path(QStringLiteral("rubrica v4.vcf"));
        // Written with lone CRs, as some old programs end their lines.
        writeFile(v4,
                  QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Carlo Verdi\\, jr\r\nN:Verdi;Carlo;;;\r\n"
                             "TEL;VALUE=uri;TYPE=\"cell,voice\":tel:+39-340-111-2223\r\n"
                             "ADR;TYPE=home:;;Corso Italia 10\\, int. 3;Milano;MI;20122;\r\n"
                             "EMAIL;TYPE=work:carlo@example.it\r\nBDAY:19900512\r\nGENDER:M\r\n"
                             "PHOTO:data:image/jpeg;base64,"
                             + photo40 + "\r\nEND:VCARD\r\n")
                      .replace("\r\n", "\r"));
        const QString v3 = env.path(QStringLiteral("rubrica v3.vcf"));
        // An address book's export, a line a property, read without the
        // library: escapes, blanks beyond ASCII, a name only structured, a
        // tel: URI, a byte of Windows-1252, a second address left out.
        writeFile(v3,
                  "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Bianchi;Nicol\xc3\xb2;De;Dott.;Jr\r\n"
                  "TEL;type=cell,voice:+39 333 100 0001\r\nADR;TYPE=HOME:PO;Int. 2;Via Roma 1;Milano;MI;20100;Italia\r\n"
                  "ADR:;;Via Due;Roma;RM;;\r\nEND:VCARD\r\n"
                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xc2\xa0L\xc3\xb9" "cia Verdi\xe3\x80\x80\r\nTEL;TYPE=HOME:02 1234567\r\n"
                  "TEL:tel:+39-333-100-0002;ext=1\r\nBDAY:1980-05-04\r\nGENDER:F\r\nX-REGIONE: Lombardia \r\nEND:VCARD\r\n"
                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ditta Rossi\\, Neri\\; Bianchi\\nsede\r\nTEL;CELL:3331000003\r\n"
                  "EMAIL:info@example.it\r\nEMAIL:altro@example.it\r\nEND:VCARD\r\n"
                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Luc\xe0 Neri\r\nTEL;TYPE=CELL:  333 1000004\r\nEND:VCARD\r\n");
        QVERIFY(runPlugin("briosms-importa-vcard", {env.state.book.path(), phone}).contains(QStringLiteral("Contatti importati: 2")));
        QVERIFY(runPlugin("briosms-importa-vcard", {env.state.book.path(), v4}).contains(QStringLiteral("Contatti importati: 1")));
        QVERIFY(runPlugin("briosms-importa-vcard", {env.state.book.path(), v3}).contains(QStringLiteral("Contatti importati: 4")));
        QCOMPARE(bookRows(env.db()), (QStringList{
            QStringLiteral("Dott. Nicolò De Bianchi Jr|+393331000001|Via Roma 1, Int. 2|20100|Milano|MI||||"),
            QStringLiteral("Lùcia Verdi|+393331000002|||||Lombardia||19800504|F"),
            QStringLiteral("Ditta Rossi, Neri; Bianchi sede|+393331000003||||||info@example.it||"),
            QStringLiteral("Lucà Neri|+393331000004||||||||"),
            QStringLiteral("Nicolò Rossi Dell'Acqua|+393331234567|Via Po 2|10100|Torino|TO||n@example.it|19800203|"),
            QStringLiteral("Carlo Verdi, jr|+393401112223|Corso Italia 10, int. 3|20122|Milano|MI||carlo@example.it|19900512|M"),
            QStringLiteral("Anna Lucà|+393477654321||||||||")}));
        QFile bad(env.path(QStringLiteral("telefono-scartati.txt")));
        QVERIFY(bad.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(bad.readAll()), QStringLiteral("Scheda 3: Solo fisso - 02 7654321\n"));
    }

    // Files no import can take: each is refused with the limit or the row
    // named, in bounded memory, and the book is left as it was.
    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QString>("name");
        // Writes the file at the path; an empty name means the path given.
        QTest::addColumn<std::function<void(const QString &)>>("write");
        QTest::addColumn<QString>("message");
        const auto sparse = [](const QString &path) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(qint64(1) << 30)); // a gigabyte of holes
        };
        const auto noLineBreak = [](const QString &path) { writeFile(path, "Nome;Cellulare\r\n" + QByteArray(20 << 20, 'x')); };
        const auto rows = [](int count, int at, const QByteArray &bad) {
            return [=](const QString &path) {
                QByteArray csv("Nome;Cellulare\r\n");
                for (int i = 2; i <= count; ++i)
                    csv += i == at ? bad : QStringLiteral("Contatto %1;347 %2\r\n").arg(i).arg(i, 7, 10, QLatin1Char('0')).toUtf8();
                writeFile(path, csv);
            };
        };
        const QByteArray csv("briosms-importa-csv");
        const QByteArray vcard("briosms-importa-vcard");
        QTest::newRow("CSV, sparse gigabyte") << csv << "grande.csv" << std::function<void(const QString &)>(sparse)
                                              << "il limite è di 64 MB";
        QTest::newRow("CSV, a device") << csv << "/dev/zero" << std::function<void(const QString &)>()
                                       << "non è un file normale";
        QTest::newRow("CSV, no line break") << csv << "riga.csv" << std::function<void(const QString &)>(noLineBreak)
                                            << "Riga 2: un campo supera il limite di 64 KB";
        QTest::newRow("CSV, endless row") << csv << "campi.csv"
                                          << std::function<void(const QString &)>([](const QString &path) {
                                                 QByteArray row;
                                                 for (int i = 0; i < 200000; ++i)
                                                     row += "x;";
                                                 writeFile(path, "Nome;Cellulare\r\nA;3471234567\r\n" + row);
                                             })
                                          << "Riga 3: la riga supera il limite di 256 KB";
        QTest::newRow("CSV, quote never closed") << csv << "virgolette.csv"
                                                 << std::function<void(const QString &)>(rows(1000, 5, "\"Rossi;347 0000005\r\n"))
                                                 << "Riga 5: le virgolette aperte in questa riga non si chiudono";
        QTest::newRow("CSV, quote closed 100 rows later")
            << csv << "virgolette.csv"
            << std::function<void(const QString &)>([&rows](const QString &path) {
                   rows(1000, 5, "\"Rossi;347 0000005\r\n")(path);
                   QFile f(path);
                   QVERIFY(f.open(QIODevice::ReadOnly));
                   QByteArray bytes = f.readAll();
                   bytes.replace("Contatto 105;", "Contatto\" 105;");
                   f.close();
                   writeFile(path, bytes);
               })
            << "Riga 5: le virgolette aperte in questa riga non si chiudono";
        QTest::newRow("CSV, one NUL") << csv << "nul.csv"
                                      << std::function<void(const QString &)>(rows(1000, 700, QByteArray("Ros\0si;3470000700\r\n", 19)))
                                      << "Riga 700: il file contiene un byte NUL";
        QTest::newRow("vCard, sparse gigabyte") << vcard << "grande.vcf" << std::function<void(const QString &)>(sparse)
                                                << "il limite è di 256 MB";
        QTest::newRow("vCard, a device") << vcard << "/dev/zero" << std::function<void(const QString &)>()
                                         << "non è un file normale";
        QTest::newRow("vCard, no line break") << vcard << "riga.vcf" << std::function<void(const QString &)>(noLineBreak)
                                              << "non è un file vCard leggibile";
        QTest::newRow("vCard, endless card") << vcard << "numeri.vcf"
                                             << std::function<void(const QString &)>([](const QString &path) {
                                                    QByteArray card("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Tanti\r\n");
                                                    for (int i = 0; i < 100000; ++i)
                                                        card += "TEL;TYPE=cell:+39347" + QByteArray::number(1000000 + i) + "\r\n";
                                                    writeFile(path, "BEGIN:VCARD\r\nFN:Uno\r\nTEL:3471234567\r\nEND:VCARD\r\n"
                                                                        + card + "END:VCARD\r\n");
                                                })
                                             << "Scheda 2: supera il limite di 64 KB";
    }

    void hostileFiles()
    {
        QFETCH(QByteArray, program);
        QFETCH(QString, name);
        QFETCH(std::function<void(const QString &)>, write);
        QFETCH(QString, message);
        TestEnv env;
        env.addContact(QStringLiteral("Già in rubrica"), QStringLiteral("+393471111111"));
        const QString source = write ? env.path(name) : name;
        if (write)
            write(source);
        const QString err = refusal(program.constData(), {env.state.book.path(), source});
        QVERIFY2(err.contains(message), qPrintable(err));
        QCOMPARE(bookRows(env.db()), QStringList{QStringLiteral("Già in rubrica|+393471111111||||||||")});
        QVERIFY2(childrenPeakMb() < 100, qPrintable(QString::number(childrenPeakMb())));
    }

    // A UTF-8 file with one byte that is not: the file stays UTF-8, the row
    // with the byte is left out and listed. The preview tells the encoding
    // and reads the file in the other one when the user chooses it.
    void strayByteKeepsUtf8()
    {
        TestEnv env;
        const QString source = env.path(QStringLiteral("accenti.csv"));
        writeFile(source, "Nome;Cellulare\r\nRen\xc3\xa8;3331234567\r\nNiccol\xc3\xb2;3331234568\r\n"
                          "Citt\xe0;3331234569\r\nG\xc3\xbcnther;3331234570\r\n");
        QFile file(source);
        QVERIFY(file.open(QIODevice::ReadOnly));
        kit::CsvPreviewDialog dialog([&file](const QString &encoding) { return kit::previewCsv(file, 10, encoding); }, source);
        auto *encoding = dialog.findChild<QComboBox *>(QStringLiteral("cbo_codifica"));
        auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("tbl_anteprima"));
        QVERIFY(encoding && table);
        QCOMPARE(encoding->currentText(), QStringLiteral("UTF-8"));
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Renè"));
        encoding->setCurrentText(QStringLiteral("Windows-1252"));
        QCOMPARE(dialog.encoding(), QStringLiteral("Windows-1252"));
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("RenÃ¨"));
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("Città"));

        const QString out = runPlugin("briosms-importa-csv", {env.state.book.path(), source});
        QVERIFY2(out.contains(QStringLiteral("Contatti importati: 3")), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("Righe con testo non leggibile: 1")));
        QCOMPARE(bookRows(env.db()), (QStringList{QStringLiteral("Renè|+393331234567||||||||"),
                                              QStringLiteral("Niccolò|+393331234568||||||||"),
                                              QStringLiteral("Günther|+393331234570||||||||")}));
        QFile bad(env.path(QStringLiteral("accenti-scartati.txt")));
        QVERIFY(bad.open(QIODevice::ReadOnly));
        QVERIFY2(bad.readAll().startsWith("Riga 4: Citt\xef\xbf\xbd - testo non leggibile"), "");
    }

    // A byte order mark before the first card is no part of it.
    void vCardWithByteOrderMark()
    {
        TestEnv env;
        const QString source = env.path(QStringLiteral("bom.vcf"));
        writeFile(source, "\xEF\xBB\xBF" "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Prima\r\nTEL:3331234567\r\nEND:VCARD\r\n"
                          "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Seconda\r\nTEL:3331234568\r\nEND:VCARD\r\n");
        const QString out = runPlugin("briosms-importa-vcard", {env.state.book.path(), source});
        QVERIFY2(out.contains(QStringLiteral("Contatti importati: 2")), qPrintable(out));
    }

    // The password line is read to a bound: standard input that never ends
    // a line (/dev/zero) ends in a refusal, not in memory without end.
    void endlessPasswordLine()
    {
        TestEnv env;
        const QString source = env.path(QStringLiteral("uno.vcf"));
        writeFile(source, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Prima\r\nTEL:3331234567\r\nEND:VCARD\r\n");
        QProcess p;
        p.setStandardInputFile(QStringLiteral("/dev/zero"));
        p.start(QDir(QStringLiteral(BRIOSMS_SHIPPED_DIR)).filePath(QStringLiteral("briosms-importa-vcard")),
                {env.state.book.path(), source, QStringLiteral("--batch")});
        const bool ended = p.waitForFinished(60000);
        if (!ended)
            p.kill();
        QVERIFY(ended);
        // A kilobyte of NULs is no password of this book: said so, nothing imported.
        QVERIFY2(p.readAllStandardError().contains("password errata"), "");
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(env.db().scalar(QStringLiteral("SELECT COUNT(*) FROM tab_destinatari")), 0);
        QVERIFY(childrenPeakMb() < 100);
    }

    void exportThenImport_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("importer");
        QTest::newRow("CSV, encrypted books") << "rubrica.csv" << "chiave" << QByteArray("briosms-importa-csv");
        QTest::newRow("vCard, encrypted books") << "rubrica.vcf" << "segreta; \"sì\"" << QByteArray("briosms-importa-vcard");
    }

    void exportThenImport()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(QByteArray, importer);
        TestEnv from;
        TestEnv to;
        for (TestEnv *env : {&from, &to})
            changeDatabaseKey(*env->ctx, password);
        const QString longAddress = QStringLiteral("Via dei Mille, %1; scala \"B\" \\ interno 4").arg(QString(60, QLatin1Char('9')));
        from.db().run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero, Indirizzo, CAP, Citta, Prov, Regione, "
                                     "e_mail, DataNascita, Sesso) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                      {QStringLiteral("Rossi; Niccolò, \"Nico\""), QStringLiteral("+393331234567"), longAddress,
                       QStringLiteral("47121"), QStringLiteral("Forlì"), QStringLiteral("FC"), QStringLiteral("Emilia-Romagna"),
                       QStringLiteral("n@example.it"), QStringLiteral("19800203"), QStringLiteral("M")});
        const qint64 anna = from.addContact(QStringLiteral("Anna"), QStringLiteral("+393477654321"));
        from.addContact(QStringLiteral("Zoe"), QStringLiteral("+39340111222"));
        from.addGroup(QStringLiteral("Amici"), {anna});

        const QString target = from.path(file);
        QVERIFY(runPlugin("briosms-esporta-rubrica", {from.state.book.path(), target}, password).contains(QStringLiteral("Contatti esportati: 3")));
        QVERIFY(runPlugin(importer.constData(), {to.state.book.path(), target}, password).contains(QStringLiteral("Contatti importati: 3")));
        QCOMPARE(bookRows(to.db()), bookRows(from.db()));

        // One group only.
        QVERIFY(runPlugin("briosms-esporta-rubrica", {from.state.book.path(), target, QStringLiteral("Amici")}, password)
                    .contains(QStringLiteral("Contatti esportati: 1")));
    }
};

QTEST_MAIN(TestShippedPlugins)
#include "tst_shippedplugins.moc"
