#include "ui/main/MainWindow.h"

#include "context/Notifier.h"
#include "core/Texts.h"
#include "ui/QtServices.h"

#include "core/Error.h"
#include "app/Startup.h"
#include "compose/AccountCommands.h"
#include "compose/MessageState.h"
#include "compose/NumberRules.h"
#include "compose/SendLog.h"
#include "compose/SendProcedure.h"
#include "sms/GsmText.h"
#include "help/HelpBook.h"
#include "plugins/OldAddressBook.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/WhileShown.h"
#include "ui/addressbook/BookSync.h"
#include "ui/addressbook/ContactEditor.h"
#include "ui/addressbook/RecipientPicker.h"
#include "ui/main/MainSendView.h"
#include "ui/main/RecipientListModel.h"
#include "ui/EntryListView.h"
#include "ui/groups/GroupListModel.h"
#include "ui/ScreenReader.h"
#include "ui/main/MessageTextEdit.h"
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
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTextCursor>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

namespace brio {

namespace {

template<typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Selects an option button so that its handler runs even when it was
// already selected.
void select(QRadioButton *option, const std::function<void()> &handler)
{
    if (option->isChecked())
        handler();
    else
        option->setChecked(true);
}

} // namespace

MainWindow::MainWindow(Context &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::frmMain>())
    , m_ctx(ctx)
    , m_BrioSMS(ctx.makeGateway())
{
    showWaitPointerDuringNetworkWork();
    m_ui->setupUi(this);
    finishControls();
    m_sendView = std::make_unique<MainSendView>(*this);
    m_send = std::make_unique<SendProcedure>(m_ctx, *m_sendView, *m_BrioSMS);
    m_account = std::make_unique<AccountCommands>(m_ctx, *m_BrioSMS, [this] { RefreshStatus(); });
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
    if (m_BrioSMS->userName().isEmpty() || !m_ctx.state.DB || m_send->running() || !m_heldSends->isActive())
        return;
    m_heldSends->stop();
    const auto restart = qScopeGuard([this] {
        if (!m_heldSendsPaused)
            m_heldSends->start();
    });
    try {
        // Another send from this data folder: tried again at the next tick.
        if (SendLog::deliverDue(*m_ctx.state.DB, *m_BrioSMS, m_ctx.clock.now(), {}, 0) > 0) {
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
    m_mnuPopupSingoli = named(new QMenu(this), "mnuPopupSingoli");
    m_mnuEliminaSingolo = addMenuItem(m_mnuPopupSingoli, "mnuEliminaSingolo", Texts::tr("&Elimina da invio corrente"));
    m_mnuPopupGruppi = named(new QMenu(this), "mnuPopupGruppi");
    m_mnuEliminaGruppo = addMenuItem(m_mnuPopupGruppi, "mnuEliminaGruppo", Texts::tr("&Elimina da invio corrente"));

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

    m_recipients = new RecipientListModel(m_ctx, this);
    m_groups = new GroupListModel(m_ctx, chosenGroupEntries, this);
    m_ui->lst_destinatari->setModel(m_recipients);
    m_ui->lst_gruppi->setModel(m_groups);
    m_ui->lst_destinatari->setPopup(m_mnuPopupSingoli);
    m_ui->lst_gruppi->setPopup(m_mnuPopupGruppi);
    for (EntryListView *list : {m_ui->lst_destinatari, m_ui->lst_gruppi})
        list->setCommandKeys({Qt::Key_Delete});
    // The lists are hidden for the whole address book, and the entry frames
    // share one place: the window keeps its shape meanwhile.
    for (QWidget *w : {static_cast<QWidget *>(m_ui->fr_destinatari), static_cast<QWidget *>(m_ui->fr_invio_singolo),
                       static_cast<QWidget *>(m_ui->fr_invio_gruppi), static_cast<QWidget *>(m_ui->fr_tutta_Rubrica)}) {
        QSizePolicy keep = w->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        w->setSizePolicy(keep);
    }

    m_ui->cb_paese->addItem(designCountry());
    limitPrefixCombo(m_ui->cb_prefisso);
    m_ui->cb_prefisso->addItems(designPrefixes());
    m_ui->txt_numero->setMaxLength(kSubscriberMaxLength);
    const QFontMetrics fm = m_ui->txt_numero->fontMetrics();
    m_ui->txt_numero->setFixedWidth(fm.horizontalAdvance(QStringLiteral("00000000")) + 16);
    m_ui->msk_data->setFixedWidth(fm.horizontalAdvance(QStringLiteral("00-00-00000")) + 16);
    m_ui->msk_ora->setFixedWidth(fm.horizontalAdvance(QStringLiteral("00:000")) + 16);
    m_ui->txt_messaggio->setFixedHeight(m_ui->txt_messaggio->fontMetrics().lineSpacing() * 4 + 12);
    m_ui->lbl_messaggio->setText(messageCounterText(QString()));
    m_ui->fr_ucs2->setVisible(false);

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
    auto onSelect = [this](QRadioButton *option, void (MainWindow::*handler)()) {
        connect(option, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                guarded(m_ctx, [&] { (this->*handler)(); });
        });
    };
    onSelect(m_ui->opt_invio_immediato, &MainWindow::opt_invio_immediato_Click);
    onSelect(m_ui->opt_invio_differito, &MainWindow::opt_invio_differito_Click);
    onSelect(m_ui->opt_invio_singolo, &MainWindow::opt_invio_singolo_Click);
    onSelect(m_ui->opt_invio_gruppo, &MainWindow::opt_invio_gruppo_Click);
    onSelect(m_ui->opt_Tutta_Rubrica, &MainWindow::opt_Tutta_Rubrica_Click);

    // Each tool-bar button is its own action: captions are translated.
    connect(m_ui->tb_Nuovo, &QAction::triggered, this, &MainWindow::mnuNuovo_Click);
    connect(m_ui->tb_Rubrica, &QAction::triggered, m_ui->mnuContatti, &QAction::trigger);
    connect(m_ui->tb_Gruppi, &QAction::triggered, m_ui->mnuGruppi, &QAction::trigger);
    connect(m_ui->tb_Invia, &QAction::triggered, this, &MainWindow::cmd_invia_Click);
    connect(m_ui->tb_Comprimi, &QAction::triggered, this, &MainWindow::tbComprimi_Click);
    // The country's prefixes follow the selected country, chosen by the user
    // or by the program.
    connect(m_ui->cb_paese, &QComboBox::currentIndexChanged, this, &MainWindow::cb_paese_Click);
    connect(m_ui->cmd_singolo_aggiungi, &QPushButton::clicked, this, &MainWindow::cmd_singolo_aggiungi_Click);
    connect(m_ui->cmd_gruppi_aggiungi, &QPushButton::clicked, this, &MainWindow::cmd_gruppi_aggiungi_Click);
    connect(m_mnuEliminaSingolo, &QAction::triggered, this, &MainWindow::mnuEliminaSingolo_Click);
    connect(m_mnuEliminaGruppo, &QAction::triggered, this, &MainWindow::mnuEliminaGruppo_Click);
    connect(m_ui->lst_destinatari, &EntryListView::keyCommand, this, &MainWindow::mnuEliminaSingolo_Click);
    connect(m_ui->lst_gruppi, &EntryListView::keyCommand, this, &MainWindow::mnuEliminaGruppo_Click);
    connect(m_ui->cmd_invia, &QPushButton::clicked, this, &MainWindow::cmd_invia_Click);
    connect(m_ui->mnuInvia, &QAction::triggered, this, &MainWindow::cmd_invia_Click);
    connect(m_ui->txt_messaggio, &QPlainTextEdit::textChanged, this, &MainWindow::txt_messaggio_Change);
    connect(m_ui->cmd_sostituisci, &QPushButton::clicked, this, &MainWindow::cmd_sostituisci_Click);

    connect(m_ui->mnuNuovo, &QAction::triggered, this, &MainWindow::mnuNuovo_Click);
    connect(m_ui->mnuLogin, &QAction::triggered, this, &MainWindow::mnuLogin_Click);
    connect(m_ui->mnuOpzioni, &QAction::triggered, this, [this] { OptionsWindow::showFor(m_ctx, this); });
    connect(m_ui->mnuImportaBrio1, &QAction::triggered, this, [this] { ImportBrio1Window::showFor(m_ctx, this); });
    connect(m_ui->mnuEsci, &QAction::triggered, this, &MainWindow::mnuEsci_Click);
    connect(m_ui->mnuNuovoContatto, &QAction::triggered, this, &MainWindow::mnuNuovoContatto_Click);
    connect(m_ui->mnuContatti, &QAction::triggered, this, &MainWindow::mnuContatti_Click);
    // The menu's sync and the periodic one share this runner.
    connect(m_ui->mnuSincronizzaRubrica, &QAction::triggered, new BookSync(m_ctx, this), &BookSync::syncNow);
    whileShown(this, [this] {
        Notifier &n = m_ctx.notifier();
        return QList<QMetaObject::Connection>{
            connect(&n, &Notifier::contactChanged, this, &MainWindow::contactChanged),
            connect(&n, &Notifier::messageContactsChanged, this, &MainWindow::messageContactsChanged),
            connect(&n, &Notifier::groupsChanged, this, &MainWindow::groupsChanged),
            connect(&n, &Notifier::messageStateReloaded, this, &MainWindow::messageStateReloaded)};
    });

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
    connect(m_ui->mnuScaricaPlugin, &QAction::triggered, this, [this] { OpenWebPage(m_ctx, m_ctx.state.PluginLinkURL); });
    connect(m_ui->mnuOtherPlugins, &QAction::triggered, this, [this] { PluginsWindow::showFor(m_ctx, this); });
    const auto items = pluginMenuItems();
    for (int i = 0; i < int(items.size()); ++i)
        connect(items[i], &QAction::triggered, this, [this, i] { runGeneralPlugin(m_ctx, m_menuPlugins.value(i)); });
}

// --- start and end --------------------------------------------------------

void MainWindow::Form_Load()
{
    guarded(m_ctx, [&] {
        m_BrioSMS->setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
        applyTextLimits();
        setWindowTitle(m_ctx.state.MainCaption);
        // The frames only: the message left by the last run is emptied
        // below, and counting its recipients first would cost a query over
        // all of them.
        opt_invio_immediato_Click();
        showFrames(true, false, false);
        {
            // Selecting the country raises its click, which fills the prefixes.
            const QSignalBlocker block(m_ui->cb_paese);
            m_ui->cb_paese->setCurrentIndex(-1);
        }
        m_ui->cb_paese->setCurrentIndex(0);
        LoadGroupCombo(m_ctx, m_ui->cb_gruppi, true, GroupComboMode::GroupNames);
        NewMessage(false);
        m_ui->mnuImportaBrio1->setVisible(oldImportRequested(m_ctx.state.Arguments) || OldDatabaseExists());
        const PluginMenu plugins = BuildPluginMenu(m_ctx.state);
        // Each item keeps its descriptor: the table is filled again whenever
        // the Plugins folder is read, and an item must run what it names.
        m_menuPlugins = m_ctx.state.GeneralPlugins.mid(0, plugins.captions.size());
        applyPluginMenu(plugins, m_ui->mnuPluginSep1, pluginMenuItems(), m_ui->mnuPluginSep2, m_ui->mnuOtherPlugins);
        LoadCountryCombo(m_ctx, m_ui->cb_paese);
        // A login made during the start (the first run) is this window's too:
        // the status bar shows the account and the send does not ask again.
        if (m_ctx.state.LoggedIn)
            RefreshStatus();
    });
    // The keyboard starts on the chosen way of sending, not on the first
    // option of the tab order, which a screen reader would read as unchecked.
    for (QRadioButton *option : {m_ui->opt_Tutta_Rubrica, m_ui->opt_invio_singolo, m_ui->opt_invio_gruppo}) {
        if (option->isChecked())
            option->setFocus();
    }
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
    m_ctx.state.DB.reset();
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
    clearMessageState(m_ctx.db());
    m_recipients->setEntries({});
    m_groups->setEntries({});
    m_ui->txt_messaggio->setText(QString());
    m_ui->txt_numero->clear();
    m_ui->msk_data->clear();
    m_ui->msk_ora->clear();
    select(m_ui->opt_invio_immediato, [this] { opt_invio_immediato_Click(); });
    select(m_ui->opt_invio_singolo, [this] { opt_invio_singolo_Click(); });
    RefreshRecipientCount();
    m_compress.release();
    m_ui->tb_Comprimi->setChecked(false);
}

void MainWindow::RefreshStatus()
{
    m_BrioSMS->setUserName(m_ctx.state.LoginUser);
    m_BrioSMS->setPassword(m_ctx.state.LoginPassword);
    const qint64 credit = m_BrioSMS->getCredit();
    setStatusPanel(2, credit == GatewayControl::kUnknownCredit
                          ? Texts::tr("Credito residuo: —") // the gateway does not tell
                          : Texts::tr("Credito residuo: %1 SMS").arg(credit));
    setStatusPanel(3, Texts::tr("Utente: ") + m_BrioSMS->userName());
    m_ui->mnuLogin->setText(Texts::tr("Altro &Utente"));
    // A gateway may say what it takes only once asked.
    applyTextLimits();
}

void MainWindow::applyTextLimits()
{
    m_ui->txt_messaggio->setMaxParts(m_BrioSMS->textLimits().parts);
}

void MainWindow::RefreshRecipientCount()
{
    setStatusPanel(1, recipientCountText(recipientCount(m_ctx.db())));
}

void MainWindow::ReloadMessageState()
{
    const WaitCursor wait;
    const MessageStateContent content = readMessageState(m_ctx.db());
    m_recipients->mergeEntries(content.numbers + content.contacts);
    m_groups->mergeEntries(content.groups);
    if (content.text)
        m_ui->txt_messaggio->setText(*content.text);
}

void MainWindow::messageStateReloaded()
{
    guarded(m_ctx, [&] {
        ReloadMessageState();
        // Recipients put back while the whole book was chosen would be
        // hidden and ignored by the send: the lists come back into view.
        const bool listed = m_recipients->rowCount() + m_groups->rowCount() > 0;
        if (m_ui->opt_Tutta_Rubrica->isChecked() && listed)
            select(m_ui->opt_invio_singolo, [this] { opt_invio_singolo_Click(); });
        else
            refreshCount();
    });
}

// --- recipient mode and send time ------------------------------------------

void MainWindow::showFrames(bool single, bool groups, bool wholeBook)
{
    m_ui->fr_invio_singolo->setVisible(single);
    m_ui->fr_invio_gruppi->setVisible(groups);
    m_ui->fr_tutta_Rubrica->setVisible(wholeBook);
    m_ui->fr_destinatari->setVisible(!wholeBook);
}

void MainWindow::opt_invio_singolo_Click()
{
    showFrames(true, false, false);
    RefreshRecipientCount();
}

void MainWindow::opt_invio_gruppo_Click()
{
    showFrames(false, true, false);
    RefreshRecipientCount();
}

void MainWindow::opt_Tutta_Rubrica_Click()
{
    showFrames(false, false, true);
    // The message state stays as it is: hidden, and ignored by the send.
    const qint64 total = addressBookCount(m_ctx.db());
    m_ui->lb_Tutta_Rubrica->setText(wholeAddressBookText(total));
    setStatusPanel(1, recipientCountText(total));
}

void MainWindow::setDeferredFieldsEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(m_ui->lb_data), static_cast<QWidget *>(m_ui->msk_data),
                       static_cast<QWidget *>(m_ui->lb_ora), static_cast<QWidget *>(m_ui->msk_ora)})
        w->setEnabled(enabled);
}

void MainWindow::opt_invio_immediato_Click()
{
    setDeferredFieldsEnabled(false);
}

void MainWindow::opt_invio_differito_Click()
{
    setDeferredFieldsEnabled(true);
}

// --- recipient entry --------------------------------------------------------

void MainWindow::cb_paese_Click()
{
    guarded(m_ctx, [&] { LoadPrefixCombo(m_ctx, m_ui->cb_paese, m_ui->cb_prefisso); });
}

void MainWindow::cmd_singolo_aggiungi_Click()
{
    guarded(m_ctx, [&] {
        const bool prefixOk = CheckPrefix(m_ctx, m_ui->cb_paese->currentText(), m_ui->cb_prefisso->currentText());
        const bool numberOk = CheckSubscriberNumber(m_ctx, m_ui->txt_numero->text());
        if (!prefixOk) {
            m_ctx.message(Icon::Exclamation, Texts::tr("Prefisso errato. Selezionare un prefisso corretto."));
            m_ui->cb_prefisso->setCurrentIndex(0);
            m_ui->cb_prefisso->setFocus();
            return;
        }
        if (!numberOk) {
            m_ctx.message(Icon::Exclamation,
                          Texts::tr("Il numero del destinatario non è corretto. Riprovare l'inserimento"));
            m_ui->txt_numero->clear();
            m_ui->txt_numero->setFocus();
            return;
        }
        const QString number =
            fullNumber(m_ui->cb_paese->currentText(), m_ui->cb_prefisso->currentText(), m_ui->txt_numero->text());
        qint64 id = 0;
        try {
            id = addTypedNumber(m_ctx.db(), number);
        } catch (const Error &e) {
            if (e.number() != ErrorNo::DuplicateKey)
                throw;
            m_ctx.message(Icon::Information,
                          Texts::tr("Numero già presente nell'invio corrente, per evitare invii duplicati alla "
                                    "stessa persona non verrà aggiunto."));
            m_ui->txt_numero->clear();
            m_ui->cb_prefisso->setFocus();
            return;
        }
        m_recipients->append({number, -id});
        RefreshRecipientCount();
        m_ui->txt_numero->clear();
        m_ui->cb_prefisso->setCurrentIndex(0);
        m_ui->cb_prefisso->setFocus();
    });
}

void MainWindow::cmd_gruppi_aggiungi_Click()
{
    guarded(m_ctx, [&] {
        if (!m_ui->cb_gruppi->isEnabled() || m_ui->cb_gruppi->currentIndex() < 0)
            return;
        const qint64 group = m_ui->cb_gruppi->currentData().toLongLong();
        const QString name = m_ui->cb_gruppi->currentText();
        const qint64 members = groupMemberCount(m_ctx.db(), group);
        if (members <= 0) {
            m_ctx.message(Icon::Critical, Texts::tr("Il gruppo ") + name.toUpper()
                                              + Texts::tr(" non contiene contatti. Impossibile aggiungerlo "
                                                          "alla lista dei destinatari."));
            return;
        }
        if (const std::optional<qint64> row = addGroupEntry(m_ctx.db(), group))
            m_groups->append({groupEntryText(name, members), *row});
        RefreshRecipientCount();
    });
}

void MainWindow::removeSelectedRecipient()
{
    const int row = m_ui->lst_destinatari->selectedRow();
    if (row < 0)
        return;
    removeRecipient(m_ctx.db(), m_recipients->entry(row).data);
    m_recipients->removeAt(row);
    RefreshRecipientCount();
}

void MainWindow::removeSelectedGroup()
{
    const int row = m_ui->lst_gruppi->selectedRow();
    if (row < 0)
        return;
    removeGroupEntry(m_ctx.db(), m_groups->entry(row).data);
    m_groups->removeAt(row);
    RefreshRecipientCount();
}

void MainWindow::mnuEliminaSingolo_Click()
{
    guarded(m_ctx, [&] { removeSelectedRecipient(); });
}

void MainWindow::mnuEliminaGruppo_Click()
{
    guarded(m_ctx, [&] { removeSelectedGroup(); });
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

void MainWindow::contactChanged(qint32 id, const QString &, const QString &, bool removed)
{
    // The list follows by itself (a deleted contact has left it already).
    // The count changes only with the book counted, or for a contact of the
    // message or of its groups: counting reads the whole book, too slow for
    // every contact saved.
    if (removed || m_ui->opt_Tutta_Rubrica->isChecked() || m_recipients->rowOf(id) >= 0 || m_groups->rowCount() > 0)
        guarded(m_ctx, [&] { refreshCount(); });
}

void MainWindow::messageContactsChanged()
{
    guarded(m_ctx, [&] {
        LoadMessageRecipients();
        refreshCount();
    });
}

void MainWindow::LoadMessageRecipients()
{
    const WaitCursor wait;
    m_recipients->mergeEntries(messageRecipientEntries(m_ctx.db(), true));
}

void MainWindow::refreshCount()
{
    // With the whole address book chosen, panel 1 counts the book.
    if (m_ui->opt_Tutta_Rubrica->isChecked())
        opt_Tutta_Rubrica_Click();
    else
        RefreshRecipientCount();
}

void MainWindow::mnuLogin_Click()
{
    guarded(m_ctx, [&] {
        m_ctx.windows().showLoginWindow();
        if (m_ctx.state.LoggedIn)
            RefreshStatus();
    });
}

void MainWindow::mnuGruppi_Click()
{
    GroupManagementWindow::showFor(m_ctx, this);
}

void MainWindow::groupsChanged()
{
    guarded(m_ctx, [&] {
        ReloadGroupCombo(m_ctx, m_ui->cb_gruppi, true, GroupComboMode::GroupNames);
        // The chosen groups follow by themselves; a deleted one has left the
        // message too.
        refreshCount();
    });
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
        m_ui->txt_messaggio->setText(m_compress.press(m_ui->txt_messaggio->text()));
        UpdateCompressButton();
    });
}

void MainWindow::DecomprimiSMS()
{
    m_ui->txt_messaggio->setText(m_compress.DecomprimiSMS());
}

void MainWindow::txt_messaggio_Change()
{
    guarded(m_ctx, [&] {
        const QString text = m_ui->txt_messaggio->text();
        m_ui->lbl_messaggio->setText(messageCounterText(text));
        const QString notice = ucs2NoticeText(text);
        m_ui->lbl_ucs2->setText(notice);
        m_ui->fr_ucs2->setVisible(!notice.isEmpty());
        // Only characters outside the alphabet have look-alikes.
        m_ui->cmd_sostituisci->setEnabled(!notice.isEmpty() && replaceLookalikes(text) != text);
        UpdateCompressButton();
    });
}

void MainWindow::cmd_sostituisci_Click()
{
    guarded(m_ctx, [&] {
        QTextCursor cursor = m_ui->txt_messaggio->textCursor();
        int caret = cursor.position();
        const QString replaced = replaceLookalikes(m_ui->txt_messaggio->text(), &caret);
        m_ui->txt_messaggio->setText(replaced);
        cursor = m_ui->txt_messaggio->textCursor();
        cursor.setPosition(qMin(caret, int(m_ui->txt_messaggio->text().size())));
        m_ui->txt_messaggio->setTextCursor(cursor);
        m_ui->txt_messaggio->setFocus();
    });
}

void MainWindow::UpdateCompressButton()
{
    m_compress.UpdateCompressButton(m_ui->txt_messaggio->text());
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
    return m_ui->lst_destinatari;
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
