#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "mock/WindowRun.h"
#include "plugins/JetFixture.h"
#include "store/Database.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace brio;
using namespace brio::test;

namespace {

using Contacts = QList<std::pair<QString, JetText>>;

const QString kUnreadable = QStringLiteral("Impossibile leggere la rubrica di BrioSMS 1.1.4");
const QByteArray kErrorHeader = "I seguenti contatti di BrioSMS 1.1.4 non sono stati \r\n"
                                "importati a causa di errori nel formato del numero di cellulare:\r\n";

struct Run : WindowRun
{
    explicit Run(const QStringList &arguments = {QStringLiteral("--import-old")})
        : WindowRun(Later, false)
    {
        env.state.Arguments = arguments;
        open(false);
    }

    QAction *menuItem() const { return get<QAction>("mnuImportaBrio1"); }

    QWidget *open()
    {
        menuItem()->trigger();
        return get<QWidget>("frmImportBRIO1");
    }
    using WindowRun::open;

    QWidget *window() const { return main->findChild<QWidget *>(QStringLiteral("frmImportBRIO1")); }

    // Imports file from the open window; returns the message shown.
    QString import(const QString &file)
    {
        child<QLineEdit>(*window(), "txt_path")->setText(file);
        const qsizetype before = env.prompter.shown.size();
        child<QPushButton>(*window(), "cmd_importa")->click();
        return env.prompter.shown.size() > before ? env.prompter.last().text : QString();
    }

    QString oldBook(const Contacts &contacts)
    {
        const QString file = env.path(QStringLiteral("brioSMS.mdb"));
        writeOldBook(file, contacts);
        return file;
    }

    QString errorFile() const { return QDir(env.dataFolder()).filePath(QStringLiteral("brioERR.txt")); }
    QByteArray errorList() const
    {
        QFile f(errorFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
};

Contacts numbered(int count)
{
    Contacts c;
    for (int i = 0; i < count; ++i)
        c.append({QStringLiteral("Contatto %1").arg(i), QStringLiteral("333%1").arg(1000000 + i)});
    return c;
}

} // namespace

class TestImportBrio1Window final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The old file on the Wine drive (its folder alone is not enough) shows
    // the command and is the path offered; "Cerca..." asks the file dialog,
    // and cancelling keeps the path.
    void oldFileOnTheWineDriveAndBrowse()
    {
        Run found(QStringList{});
        QVERIFY(!found.menuItem()->isVisible());
        const QString folder = found.env.path(QStringLiteral("wine/drive_c/PROGRAMMI/BRIOSMS"));
        QVERIFY(QDir().mkpath(folder));
        auto reopen = [&found] { found.open(false); };
        reopen();
        QVERIFY(!found.menuItem()->isVisible());
        writeOldBook(folder + QStringLiteral("/brioSMS.mdb"), {});
        reopen();
        QVERIFY(found.menuItem()->isVisible());
        QWidget *w = found.open();
        auto *path = child<QLineEdit>(*w, "txt_path");
        QCOMPARE(path->text(), folder + QStringLiteral("/brioSMS.mdb"));

        found.env.fileDialog.answers = QStringList{QString(), QStringLiteral("/altrove/brio.mdb")};
        child<QPushButton>(*w, "cmd_browse")->click();
        QCOMPARE(path->text(), folder + QStringLiteral("/brioSMS.mdb"));
        child<QPushButton>(*w, "cmd_browse")->click();
        QCOMPARE(path->text(), QStringLiteral("/altrove/brio.mdb"));
        QCOMPARE(found.env.fileDialog.startPaths.first(), folder + QStringLiteral("/brioSMS.mdb"));
    }

    void summary_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<Contacts>("source");
        QTest::addColumn<int>("imported");
        QTest::addColumn<QString>("summary"); // %1: the error file
        QTest::addColumn<QByteArray>("listed");
        QTest::newRow("one of each")
            << QStringList{QStringLiteral("+393331234567")}
            << Contacts{{QStringLiteral("Già presente"), QStringLiteral("333 1234567")},
                        {QStringLiteral("Mònica Àlberti"), QStringLiteral("+39 347/123456")},
                        {QStringLiteral("Senza numero"), std::nullopt},
                        {QStringLiteral("Niccolò D’Amico"), QString()}}
            << 1 << "Rubrica importata.\r\nTotale contatti importati: 1\r\n1 duplicato non importato\r\n"
               "1 numero errato non importato\r\n\r\nConsultare il file %1 per vedere la lista degli errori"
            << QByteArray("Niccolò D’Amico,\r\n");
        QTest::newRow("several")
            << QStringList{}
            << Contacts{{QStringLiteral("A"), QStringLiteral("0347-1234567")},
                        {QStringLiteral("B"), QStringLiteral("0347 1234567")},
                        {QStringLiteral("C"), QStringLiteral("+39 347 1234567")},
                        {QStringLiteral("D"), QStringLiteral("0039 333 1234567")},
                        {QStringLiteral("E"), QStringLiteral("3921234567")},
                        {QStringLiteral("F"), QStringLiteral("333 12345")}}
            << 1 << "Rubrica importata.\r\nTotale contatti importati: 1\r\n2 duplicati non importati\r\n"
               "3 numeri errati non importati\r\n\r\nConsultare il file %1 per vedere la lista degli errori"
            << QByteArray("D,0039 333 1234567\r\nE,3921234567\r\nF,333 12345\r\n");
        QTest::newRow("all good")
            << QStringList{}
            << Contacts{{QStringLiteral("A"), QStringLiteral("333 7654321")},
                        {QStringLiteral("B"), QStringLiteral("3381234567")}}
            << 2 << "Rubrica importata.\r\nTotale contatti importati: 2" << QByteArray();
    }

    // Counts, texts and the error list (rewritten each time, UTF-8, CR LF);
    // the window closes after the summary.
    void summary()
    {
        QFETCH(QStringList, existing);
        QFETCH(Contacts, source);
        QFETCH(int, imported);
        QFETCH(QString, summary);
        QFETCH(QByteArray, listed);
        Run run;
        for (const QString &number : existing)
            run.env.addContact(QStringLiteral("Prima"), number);
        QFile stale(run.errorFile());
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("vecchio\r\n") > 0);
        stale.close();
        run.open();

        QCOMPARE(run.import(run.oldBook(source)), summary.arg(QDir::toNativeSeparators(run.errorFile())));
        QCOMPARE(run.env.prompter.last().icon, Icon::Information);
        QTRY_VERIFY(!run.window());
        QCOMPARE(run.errorList(), kErrorHeader + listed);
        QCOMPARE(run.contacts(), existing.size() + imported);
    }

    // An empty source changes nothing, writes no error list and keeps the
    // window open; every field of the old book is stored.
    void emptySourceThenFields()
    {
        Run run;
        run.open();
        QCOMPARE(run.import(run.oldBook({})), QStringLiteral("La rubrica da importare è vuota."));
        QVERIFY(run.window() && run.window()->isVisible());
        QVERIFY(!QFile::exists(run.errorFile()));

        run.import(run.oldBook({{QStringLiteral("Mònica Àlberti"), QStringLiteral("+39 347/123456")}}));
        QCOMPARE(bookRows(run.env.db()), QStringList{"Mònica Àlberti|+39347123456|Via Garibaldi 7|47121|Forlì|FC||||"});
    }

    // A value longer than the book's field ("Barletta-Andria-Trani" has 21
    // characters, the province 20) is stored cut and listed, instead of
    // undoing the import; the windows keep repainting while the helper
    // reads the file.
    void longValuesAreCutAndListed()
    {
        Run run;
        run.open();
        const QString file = run.env.path(QStringLiteral("brioSMS.mdb"));
        writeJet4(file, {QStringLiteral("tab_destinatari"),
                         {"Nominativo", "numero", "Indirizzo", "CAP", "Citta", "Prov", "Regione", "e_mail"},
                         {{QStringLiteral("Luigi Rossi"), QStringLiteral("3331234567"), QStringLiteral("Via Roma 1"),
                           QStringLiteral("76121"), QStringLiteral("Barletta"), QStringLiteral("Barletta-Andria-Trani"),
                           QStringLiteral("Puglia"), QString()}}});
        bool repaintedWhileReading = false;
        QTimer::singleShot(0, [&] { repaintedWhileReading = run.contacts() == 0; });
        QCOMPARE(run.import(file), QStringLiteral("Rubrica importata.\r\nTotale contatti importati: 1\r\n"
                                                  "1 valore accorciato alla dimensione del campo\r\n\r\n"
                                                  "Consultare il file %1 per vedere la lista degli errori")
                                       .arg(QDir::toNativeSeparators(run.errorFile())));
        QVERIFY(repaintedWhileReading);
        QCOMPARE(run.rows(QStringLiteral("SELECT COUNT(*) FROM tab_destinatari WHERE Prov = ?"), {"Barletta-Andria-Tran"}), 1);
        QCOMPARE(run.errorList(), kErrorHeader
                     + "\r\nI seguenti valori erano più lunghi del campo della rubrica e sono stati accorciati:\r\n"
                       "Luigi Rossi,Prov: Barletta-Andria-Trani -> Barletta-Andria-Tran\r\n");
    }

    void foreignFile_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty name: no file at all
        QTest::addColumn<bool>("jetWithoutTable");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty file") << QByteArray("") << false;
        QTest::newRow("text file") << QByteArray("Rossi,3331234567\r\n") << false;
        QTest::newRow("SQLite file") << QByteArray("sqlite") << false;
        QTest::newRow("Jet without the table") << QByteArray("jet") << true;
        // A catalog byte that sends mdbtools' library out of bounds.
        QTest::newRow("damaged old book") << QByteArray("damaged") << false;
    }

    // A file that is not the old address book is named as such, with the
    // focus on its path; the same window then imports a good one.
    void foreignFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, jetWithoutTable);
        Run run;
        const QString file = run.env.path(QStringLiteral("altro.mdb"));
        if (jetWithoutTable) {
            writeJet4(file, {QStringLiteral("tab_rubrica"), {QStringLiteral("numero")}, {{QStringLiteral("333")}}});
        } else if (content == "damaged") {
            writeOldBook(file, numbered(60));
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(0x2037) && f.putChar('\x40'));
        } else if (content == "sqlite") {
            Database::open(file, {}, Database::Mode::Shared, true)->exec(QStringLiteral("CREATE TABLE tab_destinatari (numero TEXT)"));
        } else if (!content.isNull()) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QWidget *w = run.open();
        w->show();
        QCOMPARE(run.import(file), kUnreadable);
        QCOMPARE(run.env.prompter.last().icon, Icon::Critical);
        QCOMPARE(w->focusWidget(), static_cast<QWidget *>(child<QLineEdit>(*w, "txt_path")));

        QVERIFY(run.import(run.oldBook(numbered(1))).startsWith(QStringLiteral("Rubrica importata.")));
        QCOMPARE(run.contacts(), 1);
    }

    // A failure midway keeps the batches already written and leaves the
    // window ready; the next run counts those as duplicates, the bar moving
    // on the way; a third run imports nothing.
    void largeBookFailingMidway()
    {
        Run run;
        const QString file = run.oldBook(numbered(5000));
        run.env.db().exec(QStringLiteral(
            "CREATE TRIGGER boom BEFORE INSERT ON tab_destinatari WHEN NEW.Nominativo = 'Contatto 4500' "
            "BEGIN SELECT RAISE(ABORT, 'disco pieno'); END"));
        QWidget *w = run.open();
        QVERIFY(run.import(file).startsWith(QStringLiteral("Errore generico: ")));
        const qint64 kept = run.contacts();
        QVERIFY2(kept > 0 && kept < 4500, qPrintable(QString::number(kept)));
        QVERIFY(w->isVisible() && child<QPushButton>(*w, "cmd_importa")->isEnabled());

        run.env.db().exec(QStringLiteral("DROP TRIGGER boom"));
        QList<int> bar;
        connect(child<QProgressBar>(*w, "pBar"), &QProgressBar::valueChanged, this, [&](int v) { bar << v; });
        QCOMPARE(run.import(file), QStringLiteral("Rubrica importata.\r\nTotale contatti importati: %1\r\n"
                                                  "%2 duplicati non importati").arg(5000 - kept).arg(kept));
        QCOMPARE(run.contacts(), 5000);
        QVERIFY2(bar.size() > 2 && bar.last() == 100 && std::is_sorted(bar.begin(), bar.end()),
                 qPrintable(QString::number(bar.size())));

        QTRY_VERIFY(!run.window());
        run.open();
        QCOMPARE(run.import(file), QStringLiteral("Rubrica importata.\r\nTotale contatti importati: 0\r\n"
                                                  "5000 duplicati non importati"));
        QCOMPARE(run.errorList(), kErrorHeader);
    }
};

QTEST_MAIN(TestImportBrio1Window)
#include "tst_importbrio1window.moc"
