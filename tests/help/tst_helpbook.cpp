#include "help/HelpBook.h"

#include <QFile>
#include <QSet>
#include <QTest>

using namespace brio;

Q_DECLARE_METATYPE(brio::Language)

class TestHelpBook final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contentsAndLinks_data()
    {
        QTest::addColumn<Language>("language");
        QTest::newRow("Italian") << Language::Italian;
        QTest::newRow("English") << Language::English;
    }

    // Every page is listed in the contents, and every link of every page
    // leads to a shipped page of the same language or out to the web.
    void contentsAndLinks()
    {
        QFETCH(Language, language);
        const HelpBook &book = HelpBook::inLanguage(language);
        const QString root = language == Language::English ? QStringLiteral(":/help/en/") : QStringLiteral(":/help/");
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

            QFile page(root + file);
            QVERIFY(page.open(QIODevice::ReadOnly));
            const QStringList links = helpLinks(QString::fromUtf8(page.readAll()));
            for (const QString &link : links) {
                const bool web = link.startsWith(QLatin1String("https://"));
                QVERIFY2(web || files.contains(link.section(QLatin1Char('#'), 0, 0)),
                         qPrintable(file + QStringLiteral(" -> ") + link));
            }
        }
    }

    // Each Italian page has its English copy, under the same name and with the
    // same links, and no other; the titles differ, so none is left untranslated.
    void everyPageInEnglish()
    {
        const HelpBook &italian = HelpBook::inLanguage(Language::Italian);
        const HelpBook &english = HelpBook::inLanguage(Language::English);
        QCOMPARE(english.files(), italian.files());
        for (const QString &file : italian.files()) {
            QVERIFY2(english.title(file) != italian.title(file) || file == QLatin1String("login.html"), qPrintable(file));
            auto linksOf = [&file](const QString &root) {
                QFile page(root + file);
                return page.open(QIODevice::ReadOnly) ? helpLinks(QString::fromUtf8(page.readAll())) : QStringList();
            };
            QCOMPARE(linksOf(QStringLiteral(":/help/en/")), linksOf(QStringLiteral(":/help/")));
        }
        QCOMPARE(english.contents().size(), italian.contents().size());
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
        QTest::addColumn<Language>("language");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("page"); // among the results; empty: nothing found
        QTest::addColumn<bool>("first");
        QTest::newRow("keyword") << Language::Italian << "SQLCipher" << "password-database.html" << false;
        QTest::newRow("accents and case ignored") << Language::Italian << "CITTA PROVINCIA" << "trova-contatti.html" << true;
        QTest::newRow("beginning of a word") << Language::Italian << "dimentic" << "password-database.html" << true;
        QTest::newRow("two words, both needed") << Language::Italian << "prova sandbox" << "primi-passi.html" << false;
        QTest::newRow("word of the text only") << Language::Italian << "Sandbox.db" << "gateway.html" << true;
        QTest::newRow("title") << Language::Italian << "supporto" << "supporto.html" << true;
        QTest::newRow("unknown word") << Language::Italian << "zzzxq" << "" << true;
        QTest::newRow("punctuation only") << Language::Italian << " ,.; " << "" << true;
        QTest::newRow("English keyword") << Language::English << "forgotten" << "password-database.html" << true;
        QTest::newRow("English title") << Language::English << "support" << "supporto.html" << true;
        QTest::newRow("Italian word in English") << Language::English << "dimenticata" << "" << true;
    }

    void search()
    {
        QFETCH(Language, language);
        QFETCH(QString, query);
        QFETCH(QString, page);
        QFETCH(bool, first);
        const QStringList found = HelpBook::inLanguage(language).search(query);
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
