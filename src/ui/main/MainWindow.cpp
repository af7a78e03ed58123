#include "ui/main/MainWindow.h"

#include "core/Error.h"
#include "app/Startup.h"
#include "compose/MessageState.h"
#include "compose/NumberRules.h"
#include "compose/SendProcedure.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/main/MainSendView.h"
#include "ui/main/MessageTextEdit.h"
#include "ui/options/OptionsWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

namespace brio {

namespace {

QAction *menuItem(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut = {})
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

QAction *menuSeparator(QMenu *menu, const char *name)
{
    QAction *action = menu->addSeparator();
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu *topMenu(QMenuBar *bar, const char *name, const QString &caption)
{
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QFrame *plainFrame(const char *name, QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
}

template<typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel *buddyLabel(const QString &caption, QWidget *buddy, const char *name = nullptr)
{
    auto *label = new QLabel(caption);
    if (name)
        label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
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
    , m_ctx(ctx)
    , m_BrioSMS(ctx.makeGateway())
{
    setObjectName(QStringLiteral("frmMain"));
    buildMenus();
    buildToolBar();
    buildControls();
    buildStatusBar();
    m_sendView = std::make_unique<MainSendView>(*this);
    m_send = std::make_unique<SendProcedure>(m_ctx, *m_sendView, *m_BrioSMS);
    connectHandlers();
    Form_Load();
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

void MainWindow::buildMenus()
{
    QMenuBar *bar = menuBar();

    m_mnuFile = topMenu(bar, "mnuFile", QStringLiteral("&File"));
    m_mnuNuovo = menuItem(m_mnuFile, "mnuNuovo", QStringLiteral("&Nuovo"), QKeySequence(Qt::CTRL | Qt::Key_N));
    m_mnusep3 = menuSeparator(m_mnuFile, "mnusep3");
    m_mnuLogin = menuItem(m_mnuFile, "mnuLogin", QStringLiteral("&Login"));
    m_mnuOpzioni = menuItem(m_mnuFile, "mnuOpzioni", QStringLiteral("&Opzioni"));
    m_mnuSep = menuSeparator(m_mnuFile, "mnuSep");
    m_mnuInvia = menuItem(m_mnuFile, "mnuInvia", QStringLiteral("&Invia..."), QKeySequence(Qt::CTRL | Qt::Key_I));
    m_mnuFileSep4 = menuSeparator(m_mnuFile, "mnuFileSep4");
    m_mnuEsci = menuItem(m_mnuFile, "mnuEsci", QStringLiteral("&Esci"));

    m_mnuRubrica = topMenu(bar, "mnuRubrica", QStringLiteral("&Rubrica"));
    m_mnuNuovoContatto = menuItem(m_mnuRubrica, "mnuNuovoContatto", QStringLiteral("&Inserisci contatti"));
    m_mnuContatti = menuItem(m_mnuRubrica, "mnuContatti", QStringLiteral("&Visualizza"),
                             QKeySequence(Qt::CTRL | Qt::Key_T));
    m_mnuGruppi = menuItem(m_mnuRubrica, "mnuGruppi", QStringLiteral("&Gruppi"));
    m_mnuImportasep1 = menuSeparator(m_mnuRubrica, "mnuImportasep1");
    m_mnuImporta = menuItem(m_mnuRubrica, "mnuImporta", QStringLiteral("Importa &dati esterni..."));
    m_mnuImportaBrio1 = menuItem(m_mnuRubrica, "mnuImportaBrio1", QStringLiteral("I&mporta rubrica BrioSMS 1.1"));

    m_mnuMessaggi = topMenu(bar, "mnuMessaggi", QStringLiteral("&Messaggi"));
    m_mnuInviati = menuItem(m_mnuMessaggi, "mnuInviati", QStringLiteral("&Inviati"));
    m_mnuDifferiti = menuItem(m_mnuMessaggi, "mnuDifferiti", QStringLiteral("&Differiti"));
    m_mnuErrori = menuItem(m_mnuMessaggi, "mnuErrori", QStringLiteral("&Errori"));
    m_mnuStrumentiSep1 = menuSeparator(m_mnuMessaggi, "mnuStrumentiSep1");
    m_mnuMittente = menuItem(m_mnuMessaggi, "mnuMittente", QStringLiteral("&Numero Mittente"));
    m_mnuPassword = menuItem(m_mnuMessaggi, "mnuPassword", QStringLiteral("&Password"));

    m_mnuAcquista = topMenu(bar, "mnuAcquista", QStringLiteral("Ac&quista"));
    m_mnuStrumentiVerificaCredito =
        menuItem(m_mnuAcquista, "mnuStrumentiVerificaCredito", QStringLiteral("Verifica &credito"));
    m_mnuAcquistaSMS = menuItem(m_mnuAcquista, "mnuAcquistaSMS", QStringLiteral("&Acquista SMS"));
    m_mnuListino = menuItem(m_mnuAcquista, "mnuListino", QStringLiteral("&Listino SMS"));

    m_mnuPluginS = topMenu(bar, "mnuPluginS", QStringLiteral("&Plugins"));
    m_mnuScaricaPlugin = menuItem(m_mnuPluginS, "mnuScaricaPlugin", QStringLiteral("Sc&arica plugin"));
    m_mnuPluginSep1 = menuSeparator(m_mnuPluginS, "mnuPluginSep1");
    for (int i = 0; i < int(m_mnuPlugin.size()); ++i) {
        const QByteArray name = "mnuPlugin_" + QByteArray::number(i);
        m_mnuPlugin[i] = menuItem(m_mnuPluginS, name.constData(), QStringLiteral("Plugin%1").arg(i));
        m_mnuPlugin[i]->setVisible(false);
    }
    m_mnuPluginSep2 = menuSeparator(m_mnuPluginS, "mnuPluginSep2");
    m_mnuOtherPlugins = menuItem(m_mnuPluginS, "mnuOtherPlugins", QStringLiteral("Tutti i plugin installati..."));
    m_mnuPluginSep1->setVisible(false);
    m_mnuPluginSep2->setVisible(false);
    m_mnuOtherPlugins->setVisible(false);

    m_mnuHelp = topMenu(bar, "mnuHelp", QStringLiteral("&?"));
    m_mnuSommario = menuItem(m_mnuHelp, "mnuSommario", QStringLiteral("&Sommario"));
    m_mnuCerca = menuItem(m_mnuHelp, "mnuCerca", QStringLiteral("&Cerca"));
    m_mnuHelpSep1 = menuSeparator(m_mnuHelp, "mnuHelpSep1");
    m_mnuSupporto = menuItem(m_mnuHelp, "mnuSupporto", QStringLiteral("Sup&porto Tecnico"));
    m_mnuHelpAbout = menuItem(m_mnuHelp, "mnuHelpAbout", QStringLiteral("&Informazioni su..."));

    // Commands whose windows and procedures are not part of the program yet.
    for (QAction *a : {m_mnuNuovoContatto, m_mnuContatti, m_mnuGruppi, m_mnuImporta,
                       m_mnuImportaBrio1, m_mnuInviati, m_mnuDifferiti, m_mnuErrori, m_mnuMittente, m_mnuPassword,
                       m_mnuStrumentiVerificaCredito, m_mnuAcquistaSMS, m_mnuListino, m_mnuScaricaPlugin,
                       m_mnuOtherPlugins, m_mnuSommario, m_mnuCerca, m_mnuSupporto, m_mnuHelpAbout})
        a->setEnabled(false);
    for (QAction *a : m_mnuPlugin)
        a->setEnabled(false);

    m_mnuPopupSingoli = named(new QMenu(this), "mnuPopupSingoli");
    m_mnuEliminaSingolo = menuItem(m_mnuPopupSingoli, "mnuEliminaSingolo", QStringLiteral("&Elimina da invio corrente"));
    m_mnuPopupGruppi = named(new QMenu(this), "mnuPopupGruppi");
    m_mnuEliminaGruppo = menuItem(m_mnuPopupGruppi, "mnuEliminaGruppo", QStringLiteral("&Elimina da invio corrente"));
}

void MainWindow::buildToolBar()
{
    m_tbToolBar = named(new QToolBar(this), "tbToolBar");
    m_tbToolBar->setMovable(false);
    m_tbToolBar->setFloatable(false);
    m_tbToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_tbToolBar->setIconSize(QSize(24, 24));
    addToolBar(Qt::TopToolBarArea, m_tbToolBar);

    auto button = [this](const char *key, QStyle::StandardPixmap icon, const QString &toolTip) {
        const QString k = QLatin1String(key);
        QAction *action = m_tbToolBar->addAction(style()->standardIcon(icon), k);
        action->setObjectName(QStringLiteral("tb_") + k);
        action->setData(k);
        action->setToolTip(toolTip);
        QWidget *w = m_tbToolBar->widgetForAction(action);
        w->setObjectName(QStringLiteral("tb_") + k + QStringLiteral("_button"));
        w->setAccessibleName(k);
        w->setAccessibleDescription(toolTip);
        return action;
    };
    m_tb_Nuovo = button("Nuovo", QStyle::SP_FileIcon, QStringLiteral("Crea nuovo SMS"));
    m_tb_Rubrica = button("Rubrica", QStyle::SP_FileDialogContentsView, QStringLiteral("Apre la Rubrica"));
    m_tb_Gruppi = button("Gruppi", QStyle::SP_FileDialogDetailedView, QStringLiteral("Gestione dei Gruppi"));
    m_tbToolBar->addSeparator();
    m_tb_Invia = button("Invia", QStyle::SP_ArrowForward, QStringLiteral("Invia SMS"));
    m_tb_Comprimi = button("Comprimi", QStyle::SP_ArrowDown, QStringLiteral("Comprimi SMS"));
    m_tb_Comprimi->setCheckable(true); // pressed while the text is compressed

    for (QAction *a : {m_tb_Rubrica, m_tb_Gruppi})
        a->setEnabled(false);
    m_tb_Comprimi->setEnabled(false); // until the text has a space
}

void MainWindow::buildControls()
{
    auto *central = new QWidget(this);
    auto *main = new QVBoxLayout(central);

    // The two recipient lists under their headers.
    m_fr_destinatari = plainFrame("fr_destinatari", central);
    m_lst_destinatari = named(new QListWidget, "lst_destinatari");
    m_lst_gruppi = named(new QListWidget, "lst_gruppi");
    for (QListWidget *list : {m_lst_destinatari, m_lst_gruppi}) {
        prepareList(list);
        list->setContextMenuPolicy(Qt::PreventContextMenu);
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }
    m_ListView1 = buddyLabel(QStringLiteral("Destinatari Singoli"), m_lst_destinatari, "ListView1");
    m_ListView2 = buddyLabel(QStringLiteral("Gruppi di Destinatari"), m_lst_gruppi, "ListView2");
    for (QLabel *header : {m_ListView1, m_ListView2}) {
        header->setFrameShape(QFrame::StyledPanel);
        header->setFrameShadow(QFrame::Raised);
        header->setMargin(2);
        header->setAutoFillBackground(true);
        header->setBackgroundRole(QPalette::Button);
    }
    auto *lists = new QGridLayout(m_fr_destinatari);
    lists->setContentsMargins(0, 0, 0, 0);
    lists->setVerticalSpacing(0);
    lists->addWidget(m_ListView1, 0, 0);
    lists->addWidget(m_ListView2, 0, 1);
    lists->addWidget(m_lst_destinatari, 1, 0);
    lists->addWidget(m_lst_gruppi, 1, 1);
    lists->setColumnStretch(0, 3);
    lists->setColumnStretch(1, 2);
    // The lists are hidden for the whole address book; the window keeps its
    // shape meanwhile.
    QSizePolicy keep = m_fr_destinatari->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_fr_destinatari->setSizePolicy(keep);
    main->addWidget(m_fr_destinatari, 1);

    // Adding recipients.
    m_Frame1 = named(new QGroupBox(QStringLiteral("Aggiungi Destinatari"), central), "Frame1");
    m_opt_Tutta_Rubrica = named(new QRadioButton(QStringLiteral("&Tutta la Rubrica")), "opt_Tutta_Rubrica");
    m_opt_invio_singolo = named(new QRadioButton(QStringLiteral("&Sin&g&olo")), "opt_invio_singolo");
    m_opt_invio_gruppo = named(new QRadioButton(QStringLiteral("&Gruppo")), "opt_invio_gruppo");
    m_opt_invio_singolo->setChecked(true);

    m_fr_invio_singolo = plainFrame("fr_invio_singolo", m_Frame1);
    m_cb_paese = named(new QComboBox, "cb_paese");
    m_cb_paese->addItem(designCountry());
    m_cb_paese->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_cb_prefisso = named(new QComboBox, "cb_prefisso");
    limitPrefixCombo(m_cb_prefisso);
    m_cb_prefisso->addItems(designPrefixes());
    m_cb_prefisso->setMinimumContentsLength(5);
    m_txt_numero = named(new QLineEdit, "txt_numero");
    m_txt_numero->setMaxLength(kSubscriberMaxLength);
    m_txt_numero->setFixedWidth(m_txt_numero->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 16);
    m_cmd_singolo_aggiungi = named(new QPushButton(QStringLiteral("Agg&i&ungi")), "cmd_singolo_aggiungi");
    auto *single = new QHBoxLayout(m_fr_invio_singolo);
    single->setContentsMargins(0, 0, 0, 0);
    single->addWidget(buddyLabel(QStringLiteral("P&aese:"), m_cb_paese, "lb_paese"));
    single->addWidget(m_cb_paese);
    single->addSpacing(6);
    single->addWidget(buddyLabel(QStringLiteral("Pr&efisso:"), m_cb_prefisso, "lb_prefisso"));
    single->addWidget(m_cb_prefisso);
    single->addSpacing(6);
    single->addWidget(buddyLabel(QStringLiteral("&Numero:"), m_txt_numero, "lb_numero"));
    single->addWidget(m_txt_numero);
    single->addStretch(1);
    single->addWidget(m_cmd_singolo_aggiungi);

    m_fr_invio_gruppi = plainFrame("fr_invio_gruppi", m_Frame1);
    m_cb_gruppi = named(new QComboBox, "cb_gruppi");
    m_cb_gruppi->setMinimumContentsLength(20);
    m_cmd_gruppi_aggiungi = named(new QPushButton(QStringLiteral("Agg&i&ungi")), "cmd_gruppi_aggiungi");
    auto *groups = new QHBoxLayout(m_fr_invio_gruppi);
    groups->setContentsMargins(0, 0, 0, 0);
    groups->addWidget(buddyLabel(QStringLiteral("Gr&uppo:"), m_cb_gruppi, "lb_gruppo"));
    groups->addWidget(m_cb_gruppi, 1);
    groups->addWidget(m_cmd_gruppi_aggiungi);

    m_fr_tutta_Rubrica = plainFrame("fr_tutta_Rubrica", m_Frame1);
    m_lb_Tutta_Rubrica = named(new QLabel(QStringLiteral("vuota")), "lb_Tutta_Rubrica");
    auto *whole = new QHBoxLayout(m_fr_tutta_Rubrica);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(m_lb_Tutta_Rubrica);

    auto *options = new QHBoxLayout;
    options->addWidget(m_opt_Tutta_Rubrica);
    options->addWidget(m_opt_invio_singolo);
    options->addWidget(m_opt_invio_gruppo);
    options->addStretch(1);
    // The three entry frames share one place; only one is shown at a time.
    auto *entry = new QGridLayout;
    for (QFrame *frame : {m_fr_invio_singolo, m_fr_invio_gruppi, m_fr_tutta_Rubrica}) {
        QSizePolicy policy = frame->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        frame->setSizePolicy(policy);
        entry->addWidget(frame, 0, 0);
    }
    auto *frame1 = new QVBoxLayout(m_Frame1);
    frame1->addLayout(options);
    frame1->addLayout(entry);

    // When to send.
    m_fr_Differito = named(new QGroupBox(QStringLiteral("Invio"), central), "fr_Differito");
    m_cmd_invia = named(new QPushButton(QStringLiteral("In&via")), "cmd_invia");
    m_opt_invio_immediato = named(new QRadioButton(QStringLiteral("Immediat&o")), "opt_invio_immediato");
    m_opt_invio_differito = named(new QRadioButton(QStringLiteral("&Differito")), "opt_invio_differito");
    m_opt_invio_immediato->setChecked(true);
    m_fr_invio_data = plainFrame("fr_invio_data", m_fr_Differito);
    m_msk_data = named(new QLineEdit, "msk_data");
    m_msk_data->setInputMask(QStringLiteral("99-99-9999;_"));
    m_msk_ora = named(new QLineEdit, "msk_ora");
    m_msk_ora->setInputMask(QStringLiteral("99:99;_"));
    const QFontMetrics fm = m_msk_data->fontMetrics();
    m_msk_data->setFixedWidth(fm.horizontalAdvance(QStringLiteral("00-00-00000")) + 16);
    m_msk_ora->setFixedWidth(fm.horizontalAdvance(QStringLiteral("00:000")) + 16);
    m_lb_data = buddyLabel(QStringLiteral("Data:"), m_msk_data, "lb_data");
    m_lb_ora = buddyLabel(QStringLiteral("Ora:"), m_msk_ora, "lb_ora");
    auto *when = new QHBoxLayout(m_fr_invio_data);
    when->setContentsMargins(0, 0, 0, 0);
    when->addWidget(m_lb_data);
    when->addWidget(m_msk_data);
    when->addSpacing(6);
    when->addWidget(m_lb_ora);
    when->addWidget(m_msk_ora);
    when->addStretch(1);
    auto *sendBox = new QGridLayout(m_fr_Differito);
    sendBox->addWidget(m_opt_invio_immediato, 0, 0);
    sendBox->addWidget(m_opt_invio_differito, 0, 1);
    sendBox->addWidget(m_cmd_invia, 0, 2, Qt::AlignRight);
    sendBox->addWidget(m_fr_invio_data, 1, 0, 1, 3);
    sendBox->setColumnStretch(2, 1);

    auto *middle = new QHBoxLayout;
    middle->addWidget(m_Frame1, 3);
    middle->addWidget(m_fr_Differito, 2);
    main->addLayout(middle);

    // The text.
    m_txt_messaggio = named(new MessageTextEdit(kMaxMessageLength), "txt_messaggio");
    m_txt_messaggio->setTabChangesFocus(true);
    m_txt_messaggio->setFixedHeight(m_txt_messaggio->fontMetrics().lineSpacing() * 4 + 12);
    m_lbl_messaggio = buddyLabel(messageCounterText(QString()), m_txt_messaggio, "lbl_messaggio");
    main->addWidget(m_lbl_messaggio);
    main->addWidget(m_txt_messaggio);

    setCentralWidget(central);
    resize(720, 560);
}

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("sbBrio"));
    bar->setSizeGripEnabled(true);
    const QStringList designTexts{recipientCountText(0), QStringLiteral("Credito residuo: "),
                                  QStringLiteral("Utente: ")};
    for (int i = 0; i < 3; ++i) {
        auto *panel = new QLabel(designTexts.at(i), bar);
        panel->setObjectName(QStringLiteral("sbBrio_Panel%1").arg(i + 1));
        panel->setMinimumWidth(120);
        bar->addPermanentWidget(panel, 1);
        m_sbBrioPanel[i] = panel;
    }
}

void MainWindow::connectHandlers()
{
    auto onSelect = [this](QRadioButton *option, void (MainWindow::*handler)()) {
        connect(option, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                guarded(m_ctx, [&] { (this->*handler)(); });
        });
    };
    onSelect(m_opt_invio_immediato, &MainWindow::opt_invio_immediato_Click);
    onSelect(m_opt_invio_differito, &MainWindow::opt_invio_differito_Click);
    onSelect(m_opt_invio_singolo, &MainWindow::opt_invio_singolo_Click);
    onSelect(m_opt_invio_gruppo, &MainWindow::opt_invio_gruppo_Click);
    onSelect(m_opt_Tutta_Rubrica, &MainWindow::opt_Tutta_Rubrica_Click);

    connect(m_tbToolBar, &QToolBar::actionTriggered, this, &MainWindow::tbToolBar_ButtonClick);
    // The country's prefixes follow the selected country, chosen by the user
    // or by the program.
    connect(m_cb_paese, &QComboBox::currentIndexChanged, this, &MainWindow::cb_paese_Click);
    connect(m_cmd_singolo_aggiungi, &QPushButton::clicked, this, &MainWindow::cmd_singolo_aggiungi_Click);
    connect(m_cmd_gruppi_aggiungi, &QPushButton::clicked, this, &MainWindow::cmd_gruppi_aggiungi_Click);
    connect(m_mnuEliminaSingolo, &QAction::triggered, this, &MainWindow::mnuEliminaSingolo_Click);
    connect(m_mnuEliminaGruppo, &QAction::triggered, this, &MainWindow::mnuEliminaGruppo_Click);
    connect(m_cmd_invia, &QPushButton::clicked, this, &MainWindow::cmd_invia_Click);
    connect(m_mnuInvia, &QAction::triggered, this, &MainWindow::cmd_invia_Click);
    connect(m_txt_messaggio, &QPlainTextEdit::textChanged, this, &MainWindow::txt_messaggio_Change);

    connect(m_mnuNuovo, &QAction::triggered, this, &MainWindow::mnuNuovo_Click);
    connect(m_mnuLogin, &QAction::triggered, this, &MainWindow::mnuLogin_Click);
    connect(m_mnuOpzioni, &QAction::triggered, this, [this] { OptionsWindow::showFor(m_ctx, this); });
    connect(m_mnuEsci, &QAction::triggered, this, &MainWindow::mnuEsci_Click);
}

// --- start and end --------------------------------------------------------

void MainWindow::Form_Load()
{
    guarded(m_ctx, [&] {
        m_BrioSMS->setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
        setWindowTitle(m_ctx.state.MainCaption);
        opt_invio_immediato_Click();
        opt_invio_singolo_Click();
        {
            // Selecting the country raises its click, which fills the prefixes.
            const QSignalBlocker block(m_cb_paese);
            m_cb_paese->setCurrentIndex(-1);
        }
        m_cb_paese->setCurrentIndex(0);
        LoadGroupCombo(m_ctx, m_cb_gruppi, true, GroupComboMode::GroupNames);
        NewMessage(false);
        const bool importAsked = m_ctx.state.Arguments.join(QLatin1Char(' ')) == QLatin1String("/IMPORTBRIO1");
        m_mnuImportaBrio1->setVisible(importAsked || OldDatabaseExists());
        LoadCountryCombo(m_ctx, m_cb_paese);
        // A login made during the start (the first run) is this window's too:
        // the status bar shows the account and the send does not ask again.
        if (m_ctx.state.LoggedIn)
            RefreshStatus();
    });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
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
        && m_ctx.message(Icon::Question, QStringLiteral("Desideri annullare il messaggio corrente e prepararne uno nuovo?"),
                         Buttons::YesNo)
            != Answer::Yes)
        return;
    const WaitCursor wait;
    clearMessageState(m_ctx.db());
    m_lst_destinatari->clear();
    m_lst_gruppi->clear();
    m_txt_messaggio->setText(QString());
    m_txt_numero->clear();
    m_msk_data->clear();
    m_msk_ora->clear();
    select(m_opt_invio_immediato, [this] { opt_invio_immediato_Click(); });
    select(m_opt_invio_singolo, [this] { opt_invio_singolo_Click(); });
    RefreshRecipientCount();
    m_compress.release();
    m_tb_Comprimi->setChecked(false);
}

void MainWindow::RefreshStatus()
{
    m_BrioSMS->setUserName(m_ctx.state.LoginUser);
    m_BrioSMS->setPassword(m_ctx.state.LoginPassword);
    setStatusPanel(2, QStringLiteral("Credito residuo: ") + QString::number(m_BrioSMS->getCredit())
                          + QStringLiteral(" SMS"));
    setStatusPanel(3, QStringLiteral("Utente: ") + m_BrioSMS->userName());
    m_mnuLogin->setText(QStringLiteral("Altro &Utente"));
}

void MainWindow::RefreshRecipientCount()
{
    setStatusPanel(1, recipientCountText(recipientCount(m_ctx.db())));
}

void MainWindow::ReloadMessageState()
{
    const WaitCursor wait;
    const MessageStateContent content = readMessageState(m_ctx.db());
    setEntries(m_lst_destinatari, content.numbers + content.contacts);
    setEntries(m_lst_gruppi, content.groups);
    if (content.text)
        m_txt_messaggio->setText(*content.text);
}

// --- recipient mode and send time ------------------------------------------

void MainWindow::showFrames(bool single, bool groups, bool wholeBook)
{
    m_fr_invio_singolo->setVisible(single);
    m_fr_invio_gruppi->setVisible(groups);
    m_fr_tutta_Rubrica->setVisible(wholeBook);
    m_fr_destinatari->setVisible(!wholeBook);
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
    m_lb_Tutta_Rubrica->setText(wholeAddressBookText(total));
    setStatusPanel(1, recipientCountText(total));
}

void MainWindow::setDeferredFieldsEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(m_lb_data), static_cast<QWidget *>(m_msk_data),
                       static_cast<QWidget *>(m_lb_ora), static_cast<QWidget *>(m_msk_ora)})
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

void MainWindow::tbToolBar_ButtonClick(QAction *button)
{
    const QString key = button->data().toString();
    if (key == QLatin1String("Nuovo"))
        guarded(m_ctx, [&] { NewMessage(true); });
    else if (key == QLatin1String("Rubrica"))
        m_mnuContatti->trigger();
    else if (key == QLatin1String("Gruppi"))
        m_mnuGruppi->trigger();
    else if (key == QLatin1String("Invia"))
        cmd_invia_Click();
    else if (key == QLatin1String("Comprimi") || key == QLatin1String("Decomprimi"))
        tbComprimi_Click();
}

// --- recipient entry --------------------------------------------------------

void MainWindow::cb_paese_Click()
{
    guarded(m_ctx, [&] { LoadPrefixCombo(m_ctx, m_cb_paese, m_cb_prefisso); });
}

void MainWindow::cmd_singolo_aggiungi_Click()
{
    guarded(m_ctx, [&] {
        const bool prefixOk = CheckPrefix(m_ctx, m_cb_prefisso->currentText());
        const bool numberOk = CheckSubscriberNumber(m_ctx, m_txt_numero->text());
        if (!prefixOk) {
            m_ctx.message(Icon::Exclamation, QStringLiteral("Prefisso errato. Selezionare un prefisso corretto."));
            m_cb_prefisso->setCurrentIndex(0);
            m_cb_prefisso->setFocus();
            return;
        }
        if (!numberOk) {
            m_ctx.message(Icon::Exclamation,
                          QStringLiteral("Il numero del destinatario non è corretto. Riprovare l'inserimento"));
            m_txt_numero->clear();
            m_txt_numero->setFocus();
            return;
        }
        const QString number =
            fullNumber(m_cb_paese->currentText(), m_cb_prefisso->currentText(), m_txt_numero->text());
        qint64 id = 0;
        try {
            id = addTypedNumber(m_ctx.db(), number);
        } catch (const Error &e) {
            if (e.number() != ErrorNo::DuplicateKey)
                throw;
            m_ctx.message(Icon::Information,
                          QStringLiteral("Numero già presente nell'invio corrente, per evitare invii duplicati alla "
                                         "stessa persona non verrà aggiunto."));
            m_txt_numero->clear();
            m_cb_prefisso->setFocus();
            return;
        }
        addEntry(m_lst_destinatari, number, -id);
        RefreshRecipientCount();
        m_txt_numero->clear();
        m_cb_prefisso->setCurrentIndex(0);
        m_cb_prefisso->setFocus();
    });
}

void MainWindow::cmd_gruppi_aggiungi_Click()
{
    guarded(m_ctx, [&] {
        if (!m_cb_gruppi->isEnabled() || m_cb_gruppi->currentIndex() < 0)
            return;
        const qint64 group = m_cb_gruppi->currentData().toLongLong();
        const QString name = m_cb_gruppi->currentText();
        const qint64 members = groupMemberCount(m_ctx.db(), group);
        if (members <= 0) {
            m_ctx.message(Icon::Critical, QStringLiteral("Il gruppo ") + name.toUpper()
                                              + QStringLiteral(" non contiene contatti. Impossibile aggiungerlo "
                                                               "alla lista dei destinatari."));
            return;
        }
        if (const std::optional<qint64> row = addGroupEntry(m_ctx.db(), group))
            addEntry(m_lst_gruppi, groupEntryText(name, members), *row);
        RefreshRecipientCount();
    });
}

void MainWindow::removeSelectedRecipient()
{
    const int row = selectedRow(m_lst_destinatari);
    if (row < 0)
        return;
    removeRecipient(m_ctx.db(), entryData(m_lst_destinatari, row));
    delete m_lst_destinatari->takeItem(row);
    RefreshRecipientCount();
}

void MainWindow::removeSelectedGroup()
{
    const int row = selectedRow(m_lst_gruppi);
    if (row < 0)
        return;
    removeGroupEntry(m_ctx.db(), entryData(m_lst_gruppi, row));
    delete m_lst_gruppi->takeItem(row);
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

void MainWindow::lst_MouseDown(QListWidget *list, QMenu *popup, const QPoint &pos)
{
    const int row = ItemIndexAtPoint(list, pos);
    if (selectedRow(list) < 0 || row < 0)
        return;
    list->setCurrentRow(row);
    popup->exec(list->viewport()->mapToGlobal(pos));
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    for (QListWidget *list : {m_lst_destinatari, m_lst_gruppi}) {
        if (event->type() == QEvent::KeyPress && watched == list
            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
            guarded(m_ctx, [&] {
                if (list == m_lst_destinatari)
                    removeSelectedRecipient();
                else
                    removeSelectedGroup();
            });
            return true;
        }
        // The right button opens the menu without changing the selection
        // first: whether something was selected decides.
        if (event->type() == QEvent::MouseButtonPress && watched == list->viewport()
            && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
            const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
            guarded(m_ctx, [&] {
                lst_MouseDown(list, list == m_lst_destinatari ? m_mnuPopupSingoli : m_mnuPopupGruppi, pos);
            });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- menu commands ----------------------------------------------------------

void MainWindow::mnuNuovo_Click()
{
    guarded(m_ctx, [&] { NewMessage(true); });
}

void MainWindow::mnuLogin_Click()
{
    guarded(m_ctx, [&] {
        m_ctx.windows().showLoginWindow();
        if (m_ctx.state.LoggedIn)
            RefreshStatus();
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
}

void MainWindow::tbComprimi_Click()
{
    guarded(m_ctx, [&] {
        m_txt_messaggio->setText(m_compress.press(m_txt_messaggio->text()));
        UpdateCompressButton();
    });
}

void MainWindow::DecomprimiSMS()
{
    m_txt_messaggio->setText(m_compress.DecomprimiSMS());
}

void MainWindow::txt_messaggio_Change()
{
    guarded(m_ctx, [&] {
        m_lbl_messaggio->setText(messageCounterText(m_txt_messaggio->text()));
        UpdateCompressButton();
    });
}

void MainWindow::UpdateCompressButton()
{
    m_compress.UpdateCompressButton(m_txt_messaggio->text());
    const CompressButton::State &b = m_compress.button();
    m_tb_Comprimi->setData(b.key);
    m_tb_Comprimi->setToolTip(b.toolTip);
    m_tb_Comprimi->setChecked(b.pressed);
    m_tb_Comprimi->setEnabled(b.enabled);
    if (QWidget *w = m_tbToolBar->widgetForAction(m_tb_Comprimi))
        w->setAccessibleDescription(b.toolTip);
}

// --- helpers ----------------------------------------------------------------

void MainWindow::setStatusPanel(int panel, const QString &text)
{
    m_sbBrioPanel[panel - 1]->setText(text);
}

QListWidget *MainWindow::recipientList() const
{
    return m_lst_destinatari;
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
