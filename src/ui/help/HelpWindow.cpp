#include "ui/help/HelpWindow.h"

#include "context/Context.h"
#include "core/Texts.h"
#include "help/HelpBook.h"
#include "ui/ScreenReader.h"
#include "ui/help/HelpLink.h"
#include "ui_HelpWindow.h"

#include <QApplication>
#include <QPointer>
#include <QShortcut>

namespace brio {

namespace {

constexpr int kFileRole = Qt::UserRole;

QString fileOf(const QUrl &url)
{
    return url.fileName();
}

} // namespace

HelpWindow::HelpWindow(const Context &ctx, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::HelpWindow>())
{
    m_ui->setupUi(this);
    nameControlsForScreenReaders(*this);
    m_ui->spGuida->setStretchFactor(1, 3);
    fillContents();

    connect(m_ui->cmdIndietro, &QPushButton::clicked, m_ui->txtPagina, &QTextBrowser::backward);
    connect(m_ui->cmdAvanti, &QPushButton::clicked, m_ui->txtPagina, &QTextBrowser::forward);
    connect(m_ui->cmdChiudi, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->txtPagina, &QTextBrowser::backwardAvailable, m_ui->cmdIndietro, &QWidget::setEnabled);
    connect(m_ui->txtPagina, &QTextBrowser::forwardAvailable, m_ui->cmdAvanti, &QWidget::setEnabled);
    connect(m_ui->txtPagina, &QTextBrowser::anchorClicked, this, &HelpWindow::txtPagina_AnchorClicked);
    connect(m_ui->txtPagina, &QTextBrowser::sourceChanged, this, &HelpWindow::txtPagina_SourceChanged);
    connect(m_ui->tvSommario, &QTreeWidget::itemActivated, this, &HelpWindow::tvSommario_Activate);
    connect(m_ui->tvSommario, &QTreeWidget::itemClicked, this, &HelpWindow::tvSommario_Activate);
    connect(m_ui->txtCerca, &QLineEdit::textChanged, this, &HelpWindow::txtCerca_Change);
    connect(m_ui->lstRisultati, &QListWidget::itemActivated, this, &HelpWindow::lstRisultati_Activate);
    connect(m_ui->lstRisultati, &QListWidget::itemClicked, this, &HelpWindow::lstRisultati_Activate);
    // Enter in the search box opens the best page.
    connect(m_ui->txtCerca, &QLineEdit::returnPressed, this, [this] {
        if (m_ui->lstRisultati->count() > 0) {
            m_ui->lstRisultati->setCurrentRow(0);
            lstRisultati_Activate();
        }
    });

    auto *back = new QShortcut(QKeySequence::Back, this);
    connect(back, &QShortcut::activated, m_ui->txtPagina, &QTextBrowser::backward);
    auto *forward = new QShortcut(QKeySequence::Forward, this);
    connect(forward, &QShortcut::activated, m_ui->txtPagina, &QTextBrowser::forward);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    m_ui->cmdIndietro->setEnabled(false);
    m_ui->cmdAvanti->setEnabled(false);
    attachHelp(m_ctx, this);
    resize(860, 600);
}

HelpWindow::~HelpWindow() = default;

HelpWindow &HelpWindow::serving(const Context &ctx, QWidget *from)
{
    QWidget *owner = QApplication::activeModalWidget();
    if (!owner && from)
        owner = from->window();
    if (auto *self = qobject_cast<HelpWindow *>(owner))
        return *self;
    if (owner) {
        if (auto *existing = owner->findChild<HelpWindow *>(QString(), Qt::FindDirectChildrenOnly))
            return *existing;
        return *new HelpWindow(ctx, owner);
    }
    // No window to belong to (help asked before any window is up).
    static QPointer<HelpWindow> alone;
    if (!alone) {
        alone = new HelpWindow(ctx);
        alone->setAttribute(Qt::WA_DeleteOnClose);
    }
    return *alone;
}

void HelpWindow::fillContents()
{
    QTreeWidgetItem *section = nullptr;
    for (const HelpEntry &entry : HelpBook::instance().contents()) {
        QTreeWidgetItem *item = nullptr;
        if (entry.file.isEmpty()) {
            item = section = new QTreeWidgetItem(m_ui->tvSommario, {entry.title});
            QFont bold = item->font(0);
            bold.setBold(true);
            item->setFont(0, bold);
            item->setFlags(Qt::ItemIsEnabled);
        } else {
            item = section ? new QTreeWidgetItem(section, {entry.title}) : new QTreeWidgetItem(m_ui->tvSommario, {entry.title});
            item->setData(0, kFileRole, entry.file);
        }
    }
    m_ui->tvSommario->expandAll();
}

void HelpWindow::bringToFront()
{
    show();
    raise();
    activateWindow();
}

void HelpWindow::showPage(const QString &file)
{
    const QString page = HelpBook::instance().title(file).isEmpty() ? HelpBook::contentsPage() : file;
    if (page != currentPage())
        m_ui->txtPagina->setSource(HelpBook::url(page));
    bringToFront();
}

void HelpWindow::showContents()
{
    m_ui->tabGuida->setCurrentWidget(m_ui->tabSommario);
    showPage(HelpBook::contentsPage());
    m_ui->tvSommario->setFocus();
}

void HelpWindow::showSearch()
{
    m_ui->tabGuida->setCurrentWidget(m_ui->tabCerca);
    if (m_ui->txtPagina->source().isEmpty())
        showPage(HelpBook::contentsPage());
    bringToFront();
    m_ui->txtCerca->setFocus();
    m_ui->txtCerca->selectAll();
}

QString HelpWindow::currentPage() const
{
    return fileOf(m_ui->txtPagina->source());
}

void HelpWindow::txtCerca_Change()
{
    const HelpBook &book = HelpBook::instance();
    m_ui->lstRisultati->clear();
    for (const QString &file : book.search(m_ui->txtCerca->text())) {
        auto *item = new QListWidgetItem(book.title(file), m_ui->lstRisultati);
        item->setData(kFileRole, file);
    }
}

void HelpWindow::lstRisultati_Activate()
{
    if (QListWidgetItem *item = m_ui->lstRisultati->currentItem())
        showPage(item->data(kFileRole).toString());
}

void HelpWindow::tvSommario_Activate(QTreeWidgetItem *item)
{
    const QString file = item ? item->data(0, kFileRole).toString() : QString();
    if (!file.isEmpty())
        showPage(file);
}

void HelpWindow::txtPagina_AnchorClicked(const QUrl &link)
{
    const QUrl target = m_ui->txtPagina->source().resolved(link);
    if (target.scheme() == QLatin1String("qrc"))
        m_ui->txtPagina->setSource(target);
    else
        OpenWebPage(m_ctx, link.toString());
}

// The contents follow the page shown, however it was reached.
void HelpWindow::txtPagina_SourceChanged(const QUrl &source)
{
    const QString file = fileOf(source);
    const QList<QTreeWidgetItem *> items =
        m_ui->tvSommario->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive);
    for (QTreeWidgetItem *item : items) {
        if (item->data(0, kFileRole).toString() == file) {
            m_ui->tvSommario->setCurrentItem(item);
            break;
        }
    }
    setWindowTitle(Texts::tr("Guida di BrioSMS - ") + HelpBook::instance().title(file));
}

} // namespace brio
