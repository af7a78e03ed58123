// The plug-ins through the real windows: the Plugins menu, frmPlugins,
// frmImport, the main window's wait and a plug-in writing while the program
// works on the same book.
#include "app/BookDialogues.h"
#include "mock/TestEnv.h"
#include "mock/Widgets.h"
#include "mock/WindowRun.h"
#include "plugins/Plugins.h"
#include "ui/main/MainWindow.h"
#include "ui/plugins/PluginsWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace brio;
using namespace brio::test;

namespace {

struct Run : WindowRun
{
    Run()
        : WindowRun(Later, false)
    {
    }

    // The test plug-in copied into Plugins as `program` (its name says what
    // it does), announced by `bpe`.
    void install(const QString &bpe, const QString &name, const QString &program, const QString &type)
    {
        const QDir plugins(env.state.pluginsPath());
        const QString target = plugins.filePath(program);
        if (!program.contains(QLatin1String("missing")) && !QFileInfo::exists(target))
            QVERIFY(QFile::copy(QStringLiteral(BRIOSMS_TEST_PLUGIN), target));
        QFile f(plugins.filePath(bpe));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("Name=%1\r\ndescription=Descrive %1\r\nPath=%2\r\nType=%3\r\n").arg(name, program, type).toUtf8());
    }

    QAction *menuPlugin(int i) const { return get<QAction>(QByteArray("mnuPlugin_" + QByteArray::number(i)).constData()); }

    QStringList record() const
    {
        QFile f(QDir(env.state.pluginsPath()).filePath(QStringLiteral("record.txt")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                           : QStringList();
    }
};

} // namespace

class TestPluginWindows final : public QObject
{
    Q_OBJECT

private slots:
    void menuAndPluginWindow();
    void generalPluginWaitsThenReloads();
    void failingPlugin_data();
    void failingPlugin();
    void importWritesBesideTheProgram();
};

void TestPluginWindows::menuAndPluginWindow()
{
    Run run;
    for (int i = 0; i < 12; ++i) {
        run.install(QStringLiteral("p%1.bpe").arg(i, 2, 10, QLatin1Char('0')),
                    QStringLiteral("Plugin & numero %1 dal nome lungo").arg(i), QStringLiteral("exit3"),
                    QStringLiteral("GENERAL"));
    }
    run.open();
    for (int i = 0; i < 10; ++i) {
        QVERIFY(run.menuPlugin(i)->isVisible());
        QCOMPARE(run.menuPlugin(i)->text(), QStringLiteral("Plugin & numero %1 dal").arg(i).left(20).replace(QLatin1Char('&'), QLatin1String("&&")));
    }
    QVERIFY(run.get<QAction>("mnuOtherPlugins")->isVisible());

    run.get<QAction>("mnuOtherPlugins")->trigger();
    QPointer<QDialog> window = run.get<QDialog>("frmPlugins");
    QVERIFY(window->isVisible());
    auto *list = child<QComboBox>(*window, "cb_plugin");
    QCOMPARE(list->count(), 12);
    QCOMPARE(child<QLabel>(*window, "lbl_desc")->text(), QStringLiteral("Descrive Plugin & numero 0 dal nome lungo"));
    list->setCurrentIndex(11);
    QCOMPARE(child<QLabel>(*window, "lbl_desc")->text(), QStringLiteral("Descrive Plugin & numero 11 dal nome lungo"));

    // "Attiva" closes the window and runs the plug-in, whose exit code 3 ends the wait quietly.
    child<QPushButton>(*window, "cmd_esegui")->click();
    QVERIFY(!window || !window->isVisible());
    QVERIFY(run.main->isEnabled());
    QVERIFY(run.env.prompter.shown.isEmpty());

    run.get<QAction>("mnuScaricaPlugin")->trigger();
    QCOMPARE(run.env.shell.opened, QStringList{run.env.state.brand.pluginLinkUrl});
}

void TestPluginWindows::generalPluginWaitsThenReloads()
{
    Run run;
    const QString program = QStringLiteral("it's a \"record\" plugin");
    run.install(QStringLiteral("b.bpe"), QStringLiteral("Registra"), program, QStringLiteral("GENERAL"));
    run.open();
    QSignalSpy reloaded(run.env.state.Notify.get(), &Notifier::messageStateReloaded);
    auto *heldSends = run.main->findChild<QTimer *>(QStringLiteral("tmrInviiDifferiti"));
    QVERIFY(heldSends && heldSends->isActive());

    // While it runs, the window is painted and timers run, but no held send is delivered.
    bool waited = false;
    QTimer::singleShot(100, [&] { waited = !run.main->isEnabled() && !heldSends->isActive(); });
    run.menuPlugin(0)->trigger();
    QVERIFY(waited);
    QVERIFY(run.main->isEnabled() && heldSends->isActive());
    QCOMPARE(run.record(), (QStringList{QStringLiteral("arg:") + run.env.state.book.path(), QStringLiteral("stdin:")}));
    QCOMPARE(itemTexts(run.get<QListView>("lst_destinatari")), QStringList{QStringLiteral("+393330000001")});
    QCOMPARE(run.get<QPlainTextEdit>("txt_messaggio")->toPlainText(), QStringLiteral("dal plugin"));
    QCOMPARE(reloaded.count(), 1);

    // The plug-in window reads the Plugins folder again; the menu item built
    // before still starts the plug-in of its caption.
    run.install(QStringLiteral("a.bpe"), QStringLiteral("Esce"), QStringLiteral("exit3"), QStringLiteral("GENERAL"));
    PluginsWindow *window = PluginsWindow::showFor(*run.env.ctx, run.main.get());
    QCOMPARE(child<QComboBox>(*window, "cb_plugin")->itemText(0), QStringLiteral("Esce"));
    window->close();

    // With a password the plug-in gets it on its standard input, and it opens the book with it.
    changeDatabaseKey(*run.env.ctx, QStringLiteral("pa ss\"word"));
    run.menuPlugin(0)->trigger();
    QCOMPARE(run.record().value(1), QStringLiteral("stdin:pa ss\"word"));
    QVERIFY(run.env.prompter.shown.isEmpty());
}

void TestPluginWindows::failingPlugin_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("message");
    QTest::newRow("crash") << "crash" << "Il plugin 'P' si è interrotto in modo anomalo";
    QTest::newRow("missing program") << "missing"
                                     << "Impossibile avviare il plugin 'P': il programma \"%1\" non esiste. (dettaglio:";
    QTest::newRow("not executable") << "noexec"
                                    << "Impossibile avviare il plugin 'P': il programma \"%1\" non è eseguibile. (dettaglio:";
}

void TestPluginWindows::failingPlugin()
{
    QFETCH(QString, program);
    QFETCH(QString, message);
    Run run;
    run.install(QStringLiteral("a.bpe"), QStringLiteral("P"), program, QStringLiteral("GENERAL"));
    const QString file = QDir(run.env.state.pluginsPath()).filePath(program);
    if (program == QLatin1String("noexec"))
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    run.open();
    run.menuPlugin(0)->trigger();
    QCOMPARE(run.env.prompter.shown.size(), 1);
    QVERIFY2(run.env.prompter.last().text.contains(message.arg(QDir::toNativeSeparators(file))),
             qPrintable(run.env.prompter.last().text));
    QVERIFY(run.main->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestPluginWindows::importWritesBesideTheProgram()
{
    Run run;
    run.open();
    run.get<QAction>("mnuImporta")->trigger();
    auto *window = run.get<QDialog>("frmImport");
    QVERIFY(!child<QComboBox>(*window, "cb_plugin")->isEnabled());
    QVERIFY(!child<QPushButton>(*window, "cmd_Importa")->isEnabled());
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // freed when closed

    run.install(QStringLiteral("w.bpe"), QStringLiteral("Scrive"), QStringLiteral("writer"), QStringLiteral("import"));
    run.get<QAction>("mnuImporta")->trigger();
    window = run.get<QDialog>("frmImport");
    QCOMPARE(child<QLabel>(*window, "lbl_description")->text(), QStringLiteral("Descrive Scrive"));
    child<QPushButton>(*window, "cmd_Importa")->click();

    // The program goes on reading and writing the book while the plug-in adds
    // its 10,000 contacts.
    auto *prefix = run.get<QComboBox>("cb_prefisso");
    auto *number = run.get<QLineEdit>("txt_numero");
    auto *whole = run.get<QRadioButton>("opt_Tutta_Rubrica");
    auto *single = run.get<QRadioButton>("opt_invio_singolo");
    int typed = 0;
    QElapsedTimer clock;
    clock.start();
    while (run.env.db().scalar(QStringLiteral("SELECT COUNT(*) FROM tab_destinatari")) < 10000 && clock.elapsed() < 120000) {
        prefix->setEditText(QStringLiteral("333"));
        number->setText(QStringLiteral("%1").arg(1000000 + typed++));
        run.get<QPushButton>("cmd_singolo_aggiungi")->click();
        whole->click();
        single->click();
        QTest::qWait(5);
    }
    QVERIFY2(run.env.prompter.shown.isEmpty(), qPrintable(run.env.prompter.texts().join(QLatin1Char('\n'))));
    QCOMPARE(run.env.db().scalar(QStringLiteral("SELECT COUNT(DISTINCT Numero) FROM tab_destinatari")), 10000);
    QCOMPARE(run.env.db().scalar(QStringLiteral("SELECT COUNT(*) FROM tab_dest_number")), typed);
    QCOMPARE(rowCount(run.get<QListView>("lst_destinatari")), typed);
}

QTEST_MAIN(TestPluginWindows)
#include "tst_pluginwindows.moc"
