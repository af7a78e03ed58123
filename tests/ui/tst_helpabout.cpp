#include "mock/TestEnv.h"
#include "mock/WindowRun.h"
#include "mock/Widgets.h"
#include "ui/AppWindows.h"
#include "ui/help/HelpWindow.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

using namespace brio;
using namespace brio::test;

namespace {

// Without a gateway: the help needs none.
struct Run : WindowRun
{
    Run()
        : WindowRun(Later, false)
    {
        open();
        QApplication::setActiveWindow(main.get());
    }

    HelpWindow &help() const { return *get<HelpWindow>("frmGuida"); }
};

} // namespace

class TestHelpAbout final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every page can be reached by a click in the contents, and the search
    // leads to a page by a word of its text.
    void helpContentsAndSearch()
    {
        Run run;
        run.command("mnuSommario");
        HelpWindow &help = run.help();
        QVERIFY(help.isVisible());
        QCOMPARE(help.currentPage(), QStringLiteral("index.html"));
        auto *tabs = child<QTabWidget>(help, "tabGuida");
        QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("tabSommario"));
        auto *page = child<QTextBrowser>(help, "txtPagina");
        QVERIFY(page->toPlainText().contains(QStringLiteral("Guida di BrioSMS")));

        auto *tree = child<QTreeWidget>(help, "tvSommario");
        int pages = 0;
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            const QString file = (*it)->data(0, Qt::UserRole).toString();
            if (file.isEmpty())
                continue;
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(*it).center());
            QCOMPARE(help.currentPage(), file);
            QVERIFY(page->toPlainText().size() > 200);
            ++pages;
        }
        QVERIFY(pages >= 20);
        QVERIFY(child<QPushButton>(help, "cmdIndietro")->isEnabled());

        run.command("mnuCerca");
        QCOMPARE(&run.help(), &help); // one help window for the main window
        QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("tabCerca"));
        auto *words = child<QLineEdit>(help, "txtCerca");
        QTest::keyClicks(words, QStringLiteral("dimenticata"));
        QVERIFY(itemTexts(child<QListWidget>(help, "lstRisultati")).contains(QStringLiteral("La password della rubrica")));
        QTest::keyClick(words, Qt::Key_Return);
        QCOMPARE(help.currentPage(), QStringLiteral("password-database.html"));

        run.command("mnuSupporto");
        QCOMPARE(help.currentPage(), QStringLiteral("supporto.html"));
    }

    // F1 opens the page of the window it is pressed in, also in a modal
    // window, whose help window is its own so that it can be used.
    void f1OpensTheWindowsPage()
    {
        Run run;
        QVERIFY(QTest::qWaitForWindowActive(run.main.get()));
        QTest::keyClick(run.main.get(), Qt::Key_F1);
        QCOMPARE(run.help().currentPage(), QStringLiteral("finestra-principale.html"));

        QString page;
        bool ownHelp = false;
        run.env.ctx->windowsImpl = nullptr; // the real login window
        whenModalOpens("frmLogin", [&](QWidget &login) {
            QApplication::setActiveWindow(&login);
            QTest::keyClick(&login, Qt::Key_F1);
            auto *help = login.findChild<HelpWindow *>(QStringLiteral("frmGuida"));
            ownHelp = help && help->isVisible();
            page = help ? help->currentPage() : QString();
            login.close();
        });
        AppWindows(*run.env.ctx).showLoginWindow();
        QVERIFY(ownHelp);
        QCOMPARE(page, QStringLiteral("login.html"));
    }

    void aboutBox()
    {
        Run run;
        run.env.useFakeGateway();
        // Brand texts changed during the run show at the next opening.
        run.env.state.brand.mainCaption = QStringLiteral("SMS Facile");
        run.env.state.brand.aboutLinkText = QStringLiteral("www.smsfacile.example");
        run.env.state.brand.aboutLinkUrl = QStringLiteral("https://www.smsfacile.example/");
        QMap<QString, QString> labels;
        whenModalOpens("frmAbout", [&](QWidget &about) {
            for (QLabel *l : about.findChildren<QLabel *>())
                labels.insert(l->objectName(), l->text());
            child<QLabel>(about, "lb_Indirizzo")->linkActivated(QStringLiteral("#"));
            child<QLabel>(about, "lbIndirizzoZTQ")->linkActivated(QStringLiteral("#"));
            child<QPushButton>(about, "cmOK")->click();
        });
        run.command("mnuHelpAbout");
        QCOMPARE(labels.value("lbBrand"), QStringLiteral("SMS Facile"));
        QVERIFY(labels.value("lb_Indirizzo").contains(QStringLiteral(">www.smsfacile.example<")));
        QCOMPARE(labels.value("lbVersion"), QStringLiteral("Versione 2.0 Rev.0"));
        QVERIFY(labels.value("lbPlatform").contains(QRegularExpression(QStringLiteral("^Per sistemi \\S+ a (32|64) bit$"))));
        QCOMPARE(labels.value("lbActiveX"), QStringLiteral("Applicazione creata con\nBrioSMS gateway ver. fake"));
        QVERIFY(labels.value("lbLibrerie").contains(QRegularExpression(QStringLiteral("^Qt 6\\.\\d+\\.\\d+, SQLCipher \\d"))));
        QVERIFY(!labels.value("lbLicenza").isEmpty());
        QCOMPARE(run.env.shell.opened, (QStringList{QStringLiteral("https://www.smsfacile.example/"),
                                                    run.env.settings->text(Key::CompanyURL)}));
        QVERIFY(run.env.prompter.shown.isEmpty());
    }
};

QTEST_MAIN(TestHelpAbout)
#include "tst_helpabout.moc"
