#include "ui/main/MainWindow.h"

#include "context/Notifier.h"
#include "core/Texts.h"
#include "ui/QtServices.h"

#include "core/Error.h"
#include "app/Startup.h"
#include "compose/AccountCommands.h"
#include "compose/MessageState.h"
#include "compose/SendLog.h"
#include "compose/SendProcedure.h"
#include "gateway/GatewaySession.h"
#include "help/HelpBook.h"
#include "plugins/OldAddressBook.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/addressbook/BookSync.h"
#include "ui/addressbook/ContactEditor.h"
#include "ui/addressbook/RecipientPicker.h"
#include "ui/main/ComposePanel.h"
#include "ui/main/MainSendView.h"
#include "ui/ScreenReader.h"
#include "ui/help/HelpLink.h"
#include "ui/misc/AboutWindow.h"
#include "ui/groups/GroupManagementWindow.h"
#include "ui/history/SentHistoryWindow.h"
#include "ui/options/OptionsWindow.h"
#include "ui/import/ImportBrio1Window.h"
#include "ui_MainWindow.h"
#include "ui/plugins/ImportWindow.h"
#include "ui/plugins/PluginRun.h"
#include "ui/plugins/PluginsWindow.h"

#include <QAction>
#include <QScopeGuard>
#include <QTimer>
#include <QApplication>
#include <QCloseEvent>
#include <utility>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

namespace brio {

MainWindow::MainWindow(Context &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::frmMain>())
    , m_ctx(ctx)
    , m_session(session(ctx))
    , m_BrioSMS(m_session.gateway())
{
    showWaitPointerDuringNetworkWork();
    // The panel's controls come before the bars in the keyboard's order.
    m_panel = new ComposePanel(m_ctx, this);
    m_ui->setupUi(this);
    setCentralWidget(m_panel);
    finishControls();
    m_sendView = std::make_unique<MainSendView>(*this);
    m_send = std::make_unique<SendProcedure>(m_ctx, *m_sendView);
    m_account = std::make_unique<AccountCommands>(m_ctx);
    // Whoever asks the credit (a send, a menu command), the status bar shows it.
    connect(&m_session, &GatewaySession::creditChanged, this, &MainWindow::showCredit);
    // A new login begun and left: the last account's credit is no longer this run's.
    connect(&m_session, &GatewaySession::loginChanged, this, [this](bool loggedIn) {
        if (loggedIn)
            return;
        setStatusPanel(2, QString());
        setStatusPanel(3, Texts::tr("Utente: "));
        m_ui->mnuLogin->setText(Texts::tr("&Login"));
    });
    attachHelp(m_ctx, this);
    connectHandlers();
    nameControlsForScreenReaders(*this);
    Form_Load();
    // Deferred sends the gateway cannot schedule wait in the book for their time.
    m_heldSends = new QTimer(this);
    m_heldSends->setObjectName(QStringLiteral("tmrInviiDifferiti"));
    connect(m_heldSends, &QTimer::timeout, this, &MainWindow::deliverHeldSends);
    m_heldSends->start(30000);
}

void MainWindow::pauseHeldSends(bool paused)
{
    m_heldSendsPaused = paused;
    if (paused)
        m_heldSends->stop();
    else
        m_heldSends->start();
}

void MainWindow::deliverHeldSends()
{
    // The control is busy while a send (or an earlier tick) waits for the network.
    if (m_BrioSMS.userName().isEmpty() || !m_ctx.state.book.isOpen() || m_send->running() || !m_heldSends->isActive())
        return;
    m_heldSends->stop();
    const auto restart = qScopeGuard([this] {
        if (!m_heldSendsPaused)
            m_heldSends->start();
    });
    try {
        // Another send from this data folder: tried again at the next tick.
        if (SendLog::deliverDue(m_ctx.state.book.database(), m_BrioSMS, m_ctx.clock.now(), {}, 0) > 0) {
            setStatusPanel(2, Texts::tr("Invii differiti inoltrati"));
            Q_EMIT m_ctx.notifier().sendsRecorded();
        }
    } catch (const Error &e) {
        // Tried again at the next tick; a message box every half minute would be worse.
        setStatusPanel(2, Texts::tr("Invii differiti in attesa: %1").arg(e.description()));
    }
}

MainWindow::~MainWindow() = default;

MainWindow *MainWindow::of(const Context &ctx)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        auto *main = qobject_cast<MainWindow *>(w);
        if (main && &main->m_ctx == &ctx)
            return main;
    }
    return nullptr;
}

// --- construction ---------------------------------------------------------

void MainWindow::finishControls()
{
    // Tool bar: icons from the style.
    const std::pair<QAction *, QStyle::StandardPixmap> buttons[] = {
        {m_ui->tb_Nuovo, QStyle::SP_FileIcon},       {m_ui->tb_Rubrica, QStyle::SP_FileDialogContentsView},
        {m_ui->tb_Gruppi, QStyle::SP_FileDialogDetailedView}, {m_ui->tb_Invia, QStyle::SP_ArrowForward},
        {m_ui->tb_Comprimi, QStyle::SP_ArrowDown}};
    for (const auto &[action, icon] : buttons) {
        action->setIcon(style()->standardIcon(icon));
        QWidget *w = m_ui->tbToolBar->widgetForAction(action);
        w->setObjectName(action->objectName() + QStringLiteral("_button"));
        w->setAccessibleName(action->text());
        w->setAccessibleDescription(action->toolTip());
    }
    m_ui->tb_Comprimi->setEnabled(false); // until the text has a space

    QStatusBar *bar = m_ui->sbBrio;
    bar->setSizeGripEnabled(true);
    const QStringList designTexts{recipientCountText(0), Texts::tr("Credito residuo: "),
                                  Texts::tr("Utente: ")};
    for (int i = 0; i < 3; ++i) {
        auto *panel = new QLabel(designTexts.at(i), bar);
        panel->setObjectName(QStringLiteral("sbBrio_Panel%1").arg(i + 1));
        panel->setMinimumWidth(120);
        bar->addPermanentWidget(panel, 1);
        m_sbBrioPanel[i] = panel;
    }
}

std::array<QAction *, 10> MainWindow::pluginMenuItems() const
{
    return {m_ui->mnuPlugin_0, m_ui->mnuPlugin_1, m_ui->mnuPlugin_2, m_ui->mnuPlugin_3, m_ui->mnuPlugin_4,
            m_ui->mnuPlugin_5, m_ui->mnuPlugin_6, m_ui->mnuPlugin_7, m_ui->mnuPlugin_8, m_ui->mnuPlugin_9};
}

void MainWindow::connectHandlers()
{
    // Each tool-bar button is its own action: captions are translated.
    connect(m_ui->tb_Nuovo, &QAction::triggered, this, &MainWindow::mnuNuovo_Click);
    connect(m_ui->tb_Rubrica, &QAction::triggered, m_ui->mnuContatti, &QAction::trigger);
    connect(m_ui->tb_Gruppi, &QAction::triggered, m_ui->mnuGruppi, &QAction::trigger);
    connect(m_ui->tb_Invia, &QAction::triggered, this, &MainWindow::cmd_invia_Click);
    connect(m_ui->tb_Comprimi, &QAction::triggered, this, &MainWindow::tbComprimi_Click);
    connect(m_ui->mnuInvia, &QAction::triggered, this, &MainWindow::cmd_invia_Click);
    connect(m_panel, &ComposePanel::sendRequested, this, &MainWindow::cmd_invia_Click);
    connect(m_panel, &ComposePanel::recipientCountChanged, this, [this](const QString &text) { setStatusPanel(1, text); });
    connect(m_panel, &ComposePanel::messageTextChanged, this,
            [this] { guarded(m_ctx, [&] { UpdateCompressButton(); }); });

    connect(m_ui->mnuNuovo, &QAction::triggered, this, &MainWindow::mnuNuovo_Click);
    connect(m_ui->mnuLogin, &QAction::triggered, this, &MainWindow::mnuLogin_Click);
    connect(m_ui->mnuOpzioni, &QAction::triggered, this, [this] { OptionsWindow::showFor(m_ctx, this); });
    connect(m_ui->mnuImportaBrio1, &QAction::triggered, this, [this] { ImportBrio1Window::showFor(m_ctx, this); });
    connect(m_ui->mnuEsci, &QAction::triggered, this, &MainWindow::mnuEsci_Click);
    connect(m_ui->mnuNuovoContatto, &QAction::triggered, this, &MainWindow::mnuNuovoContatto_Click);
    connect(m_ui->mnuContatti, &QAction::triggered, this, &MainWindow::mnuContatti_Click);
    // The menu's sync and the periodic one share this runner.
    connect(m_ui->mnuSincronizzaRubrica, &QAction::triggered, new BookSync(m_ctx, this), &BookSync::syncNow);
    auto onAccount = [this](QAction *command, const std::function<void(AccountCommands &)> &run) {
        connect(command, &QAction::triggered, this, [this, run] { guarded(m_ctx, [&] { run(*m_account); }); });
    };
    auto page = [](AccountPage p) { return [p](AccountCommands &a) { a.openPage(p); }; };
    onAccount(m_ui->mnuInviati, page(AccountPage::Sent));
    onAccount(m_ui->mnuPassword, page(AccountPage::Sent));
    onAccount(m_ui->mnuDifferiti, page(AccountPage::Deferred));
    onAccount(m_ui->mnuErrori, page(AccountPage::Errors));
    onAccount(m_ui->mnuAcquistaSMS, page(AccountPage::Purchase));
    onAccount(m_ui->mnuListino, page(AccountPage::Purchase));
    onAccount(m_ui->mnuMittente, &AccountCommands::senderNumber);
    onAccount(m_ui->mnuStrumentiVerificaCredito, &AccountCommands::checkCredit);
    connect(m_ui->mnuSommario, &QAction::triggered, this, [this] { ShowHelpContents(m_ctx, this); });
    connect(m_ui->mnuCerca, &QAction::triggered, this, [this] { ShowHelpSearch(m_ctx, this); });
    connect(m_ui->mnuSupporto, &QAction::triggered, this,
            [this] { ShowHelpTopic(m_ctx, this, HelpBook::kSupportTopic); });
    connect(m_ui->mnuHelpAbout, &QAction::triggered, this, [this] { AboutWindow::showFor(m_ctx, this); });
    connect(m_ui->mnuGruppi, &QAction::triggered, this, &MainWindow::mnuGruppi_Click);
    connect(m_ui->mnuStorico, &QAction::triggered, this, [this] { SentHistoryWindow::showFor(m_ctx, this); });
    connect(m_ui->mnuImporta, &QAction::triggered, this, [this] { ImportWindow::showFor(m_ctx, this); });
    connect(m_ui->mnuScaricaPlugin, &QAction::triggered, this, [this] { OpenWebPage(m_ctx, m_ctx.state.brand.pluginLinkUrl); });
    connect(m_ui->mnuOtherPlugins, &QAction::triggered, this, [this] { PluginsWindow::showFor(m_ctx, this); });
    const auto items = pluginMenuItems();
    for (int i = 0; i < int(items.size()); ++i)
        connect(items[i], &QAction::triggered, this, [this, i] { runGeneralPlugin(m_ctx, m_menuPlugins.value(i)); });
}

// --- start and end --------------------------------------------------------

void MainWindow::Form_Load()
{
    guarded(m_ctx, [&] {
        applyTextLimits();
        setWindowTitle(m_ctx.state.brand.mainCaption);
        m_panel->load();
        NewMessage(false);
        m_ui->mnuImportaBrio1->setVisible(oldImportRequested(m_ctx.state.Arguments) || OldDatabaseExists());
        const PluginMenu plugins = BuildPluginMenu(m_ctx.state);
        // Each item keeps its descriptor: the table is filled again whenever
        // the Plugins folder is read, and an item must run what it names.
        m_menuPlugins = plugins.plugins;
        applyPluginMenu(plugins, m_ui->mnuPluginSep1, pluginMenuItems(), m_ui->mnuPluginSep2, m_ui->mnuOtherPlugins);
        m_panel->loadCountries();
        // A login made during the start (the first run) is this window's too:
        // the status bar shows the account and the send does not ask again.
        if (m_session.loggedIn())
            RefreshStatus();
    });
    // The keyboard starts on the chosen way of sending.
    m_panel->focusRecipientMode();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The send needs the database to its end: the window closes after it.
    if (m_send->running()) {
        m_closeAfterSend = true;
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void MainWindow::Form_Unload()
{
    m_ctx.state.book.close();
    QCoreApplication::quit();
}

// --- message state --------------------------------------------------------

void MainWindow::NewMessage(bool ask)
{
    if (ask
        && m_ctx.message(Icon::Question, Texts::tr("Desideri annullare il messaggio corrente e prepararne uno nuovo?"),
                         Buttons::YesNo)
            != Answer::Yes)
        return;
    const WaitCursor wait;
    m_panel->clear();
    m_compress.release();
    m_ui->tb_Comprimi->setChecked(false);
}

void MainWindow::RefreshStatus()
{
    m_session.refreshCredit();
}

void MainWindow::showCredit(qint64 credit)
{
    setStatusPanel(2, credit == GatewayControl::kUnknownCredit
                          ? Texts::tr("Credito residuo: —") // the gateway does not tell
                          : Texts::tr("Credito residuo: %1 SMS").arg(credit));
    setStatusPanel(3, Texts::tr("Utente: ") + m_BrioSMS.userName());
    m_ui->mnuLogin->setText(Texts::tr("Altro &Utente"));
    // A gateway may say what it takes only once asked.
    applyTextLimits();
}

void MainWindow::applyTextLimits()
{
    m_panel->setMaxParts(m_BrioSMS.textLimits().parts);
}

void MainWindow::RefreshRecipientCount()
{
    m_panel->refreshRecipientCount();
}

void MainWindow::ReloadMessageState()
{
    m_panel->reload();
}

// --- menu commands ----------------------------------------------------------

void MainWindow::mnuNuovo_Click()
{
    guarded(m_ctx, [&] { NewMessage(true); });
}

void MainWindow::mnuNuovoContatto_Click()
{
    guarded(m_ctx, [&] { ContactEditor::showModal(m_ctx, this); });
}

void MainWindow::mnuContatti_Click()
{
    guarded(m_ctx, [&] { RecipientPicker::showFor(m_ctx, this); });
}

void MainWindow::LoadMessageRecipients()
{
    m_panel->loadRecipients();
}

void MainWindow::mnuLogin_Click()
{
    guarded(m_ctx, [&] {
        m_ctx.windows().showLoginWindow();
        if (m_session.loggedIn())
            RefreshStatus();
    });
}

void MainWindow::mnuGruppi_Click()
{
    GroupManagementWindow::showFor(m_ctx, this);
}

void MainWindow::mnuEsci_Click()
{
    close();
}

// --- send and compression ---------------------------------------------------

void MainWindow::cmd_invia_Click()
{
    m_send->run();
    if (std::exchange(m_closeAfterSend, false))
        close();
}

void MainWindow::tbComprimi_Click()
{
    guarded(m_ctx, [&] {
        m_panel->setMessageText(m_compress.press(m_panel->messageText()));
        UpdateCompressButton();
    });
}

void MainWindow::DecomprimiSMS()
{
    m_panel->setMessageText(m_compress.DecomprimiSMS());
}

void MainWindow::UpdateCompressButton()
{
    m_compress.UpdateCompressButton(m_panel->messageText());
    const CompressButton::State &b = m_compress.button();
    m_ui->tb_Comprimi->setToolTip(b.toolTip);
    m_ui->tb_Comprimi->setChecked(b.pressed);
    m_ui->tb_Comprimi->setEnabled(b.enabled);
    if (QWidget *w = m_ui->tbToolBar->widgetForAction(m_ui->tb_Comprimi))
        w->setAccessibleDescription(b.toolTip);
}

// --- helpers ----------------------------------------------------------------

void MainWindow::setStatusPanel(int panel, const QString &text)
{
    m_sbBrioPanel[panel - 1]->setText(text);
}

EntryListView *MainWindow::recipientList() const
{
    return m_panel->recipientList();
}

QLabel *MainWindow::statusPanel(int panel) const
{
    return m_sbBrioPanel.at(panel - 1);
}

void RefreshRecipientCount(const Context &ctx)
{
    if (MainWindow *main = MainWindow::of(ctx))
        main->RefreshRecipientCount();
}

void ReloadMessageState(const Context &ctx)
{
    if (MainWindow *main = MainWindow::of(ctx))
        main->ReloadMessageState();
}

} // namespace brio
