#include "help/HelpBook.h"

#include <QFile>
#include <QSet>
#include <QTest>

using namespace brio;

class TestHelpBook final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every page is listed in the contents, and every link of every page
    // leads to a shipped page or out to the web.
    void contentsAndLinks()
    {
        const HelpBook &book = HelpBook::instance();
        const QStringList files = book.files();
        QVERIFY(files.size() >= 20);
        QSet<QString> listed;
        for (const HelpEntry &e : book.contents()) {
            QVERIFY2(!e.title.isEmpty(), qPrintable(e.file));
            if (!e.file.isEmpty())
                listed.insert(e.file);
        }
        for (const QString &file : files) {
            QVERIFY2(!book.title(file).isEmpty(), qPrintable(file));
            if (file != HelpBook::contentsPage())
                QVERIFY2(listed.contains(file), qPrintable(file + QStringLiteral(" is not in the contents")));

            QFile page(QStringLiteral(":/help/") + file);
            QVERIFY(page.open(QIODevice::ReadOnly));
            const QStringList links = helpLinks(QString::fromUtf8(page.readAll()));
            for (const QString &link : links) {
                const bool web = link.startsWith(QLatin1String("https://"));
                QVERIFY2(web || files.contains(link.section(QLatin1Char('#'), 0, 0)),
                         qPrintable(file + QStringLiteral(" -> ") + link));
            }
        }
    }

    void windowsAndTopics_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *w : {"frmMain", "frmLogin", "frmOpzioni", "frmPassword", "frmModificaPassword", "frmContatto",
                              "frmTrovaDestinatari", "frmTrovaContatti", "frmGestioneGruppi", "frmNuovoGruppo",
                              "frmGruppi", "frmPlugins", "frmImport", "frmImportBRIO1", "frmAbout", "frmGuida"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }

    void windowsAndTopics()
    {
        QFETCH(QString, window);
        QVERIFY(HelpBook::instance().files().contains(HelpBook::pageForWindow(window)));
        QVERIFY(HelpBook::instance().files().contains(HelpBook::pageForTopic(HelpBook::kSupportTopic)));
    }

    void search_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("page"); // among the results; empty: nothing found
        QTest::addColumn<bool>("first");
        QTest::newRow("keyword") << "SQLCipher" << "password-database.html" << false;
        QTest::newRow("accents and case ignored") << "CITTA PROVINCIA" << "trova-contatti.html" << true;
        QTest::newRow("beginning of a word") << "dimentic" << "password-database.html" << true;
        QTest::newRow("two words, both needed") << "prova sandbox" << "primi-passi.html" << false;
        QTest::newRow("word of the text only") << "Sandbox.db" << "gateway.html" << true;
        QTest::newRow("title") << "supporto" << "supporto.html" << true;
        QTest::newRow("unknown word") << "zzzxq" << "" << true;
        QTest::newRow("punctuation only") << " ,.; " << "" << true;
    }

    void search()
    {
        QFETCH(QString, query);
        QFETCH(QString, page);
        QFETCH(bool, first);
        const QStringList found = HelpBook::instance().search(query);
        if (page.isEmpty())
            QVERIFY(found.isEmpty());
        else if (first)
            QCOMPARE(found.value(0), page);
        else
            QVERIFY(found.contains(page));
    }
};

QTEST_GUILESS_MAIN(TestHelpBook)
#include "tst_helpbook.moc"
