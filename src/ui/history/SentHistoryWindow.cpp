#include "ui/history/SentHistoryWindow.h"

#include "core/Texts.h"
#include "gateway/GatewayControl.h"
#include "gateway/GatewaySession.h"
#include "history/DeliveryReports.h"
#include "history/SentHistory.h"
#include "store/Database.h"
#include "ui/OneWindow.h"
#include "ui/WhileShown.h"
#include "ui/ListRoutines.h"
#include "ui/main/MainWindow.h"

#include "ui_SentHistoryWindow.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTimer>

namespace brio {

namespace {

QString columnTitle(int section)
{
    switch (section) {
    case 0: return Texts::tr("Data");
    case 1: return Texts::tr("Gateway");
    case 2: return Texts::tr("Testo");
    case 3: return Texts::tr("Destinatari");
    case 4: return Texts::tr("Esito");
    case 5: return Texts::tr("Consegna");
    default: return QString();
    }
}

} // namespace

// The sends as the list shows them, read a screenful at a time as the list
// scrolls, so that a book with years of sends opens at once.
class SentListModel final : public QAbstractTableModel
{
public:
    SentListModel(Context &ctx, QObject *parent)
        : QAbstractTableModel(parent)
        , m_ctx(ctx)
    {
    }

    void setFilter(const SentFilter &filter)
    {
        beginResetModel();
        m_filter = filter;
        m_rows.clear();
        m_more = true;
        endResetModel();
        fetchMore(QModelIndex());
    }

    const SentEntry &entry(int row) const { return m_rows.at(row); }

    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 6; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const SentEntry &e = m_rows.at(index.row());
        switch (index.column()) {
        case 0: return shownDate(e.date);
        case 1: return e.gateway;
        case 2: return role == Qt::ToolTipRole ? e.text : QString(e.text).replace(QLatin1Char('\n'), QLatin1Char(' '));
        case 3: return QString::number(e.recipients);
        case 4: return outcomeSummary(e);
        default: return deliverySummary(e);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return columnTitle(section);
        return {};
    }

    bool canFetchMore(const QModelIndex &parent) const override { return !parent.isValid() && m_more; }

    void fetchMore(const QModelIndex &parent) override
    {
        if (parent.isValid() || !m_more)
            return;
        QList<SentEntry> page;
        guarded(m_ctx, [&] { page = readSends(m_ctx.db(), m_filter, m_rows.isEmpty() ? 0 : m_rows.last().id); });
        m_more = page.size() == kSentPage;
        if (page.isEmpty())
            return;
        beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size() + page.size() - 1));
        m_rows += page;
        endInsertRows();
    }

private:
    Context &m_ctx;
    SentFilter m_filter;
    QList<SentEntry> m_rows;
    bool m_more = false;
};

SentHistoryWindow::SentHistoryWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::SentHistoryWindow>())
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    m_model = new SentListModel(ctx, this);
    m_ui->lst_invii->setModel(m_model);
    QHeaderView *header = m_ui->lst_invii->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    const QFontMetrics fm = fontMetrics();
    header->resizeSection(0, fm.horizontalAdvance(QStringLiteral("00-00-0000 00:000")) + 12);
    header->resizeSection(1, fm.horizontalAdvance(QStringLiteral("2.0 (gateway di prova)")) + 12);
    header->resizeSection(2, fm.horizontalAdvance(QLatin1Char('x')) * 36);
    header->resizeSection(3, fm.horizontalAdvance(columnTitle(3)) + 16);
    m_ui->lst_invii->verticalHeader()->setDefaultSectionSize(fm.lineSpacing() + 6);
    m_ui->lst_destinatari->header()->resizeSection(0, fm.horizontalAdvance(QStringLiteral("+390000000000000")) + 12);
    m_ui->lst_destinatari->header()->resizeSection(1, fm.horizontalAdvance(QLatin1Char('x')) * 28);

    connect(m_ui->txt_testo, &QLineEdit::textChanged, this, &SentHistoryWindow::reload);
    connect(m_ui->txt_numero, &QLineEdit::textChanged, this, &SentHistoryWindow::reload);
    connect(m_ui->lst_invii->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &SentHistoryWindow::showRecipients);
    connect(m_model, &QAbstractItemModel::modelReset, this, &SentHistoryWindow::showRecipients);
    connect(m_ui->cmd_elimina, &QPushButton::clicked, this, &SentHistoryWindow::cmd_elimina_Click);
    connect(m_ui->cmd_elimina_vecchi, &QPushButton::clicked, this, &SentHistoryWindow::cmd_elimina_vecchi_Click);
    connect(m_ui->cmd_reinvia, &QPushButton::clicked, this, &SentHistoryWindow::cmd_reinvia_Click);
    connect(m_ui->cmd_chiudi, &QPushButton::clicked, this, &QDialog::close);
    whileShown(this, [this] {
        return QList<QMetaObject::Connection>{
            connect(&m_ctx.notifier(), &Notifier::sendsRecorded, this, &SentHistoryWindow::reload),
        };
    });
}

SentHistoryWindow::~SentHistoryWindow() = default;

SentHistoryWindow *SentHistoryWindow::showFor(Context &ctx, QWidget *parent)
{
    auto *window = showOneWindow<SentHistoryWindow>(ctx, parent);
    window->Form_Load();
    return window;
}

void SentHistoryWindow::Form_Load()
{
    // Three months back is a fair first proposal for what is old.
    m_ui->dt_prima->setDate(m_ctx.clock.now().date().addMonths(-3));
    reload();
    m_ui->lst_invii->setFocus();
    // After the window shows: a gateway that keeps delivery reports is asked
    // for those still missing.
    QTimer::singleShot(0, this, &SentHistoryWindow::askDeliveries);
}

void SentHistoryWindow::askDeliveries()
{
    if (!m_ctx.makeGateway)
        return;
    try {
        // Its own control: the main window's may be in a send.
        const std::unique_ptr<GatewayControl> gateway = session(m_ctx).newGateway();
        // No account, neither the address's nor a login: nobody to ask for.
        if (!gateway->reportsKept() || gateway->userName().isEmpty())
            return;
        if (pollDeliveries(m_ctx.db(), *gateway, m_ctx.clock.now()) > 0)
            reload();
    } catch (const Error &e) {
        // The list stands without them; the log says why.
        qWarning("Rapporti di consegna non chiesti al gateway: %s", qUtf8Printable(e.description()));
    }
}

void SentHistoryWindow::reload()
{
    const WaitCursor wait;
    m_model->setFilter({m_ui->txt_testo->text(), m_ui->txt_numero->text()});
    if (m_model->rowCount(QModelIndex()) > 0)
        m_ui->lst_invii->setCurrentIndex(m_model->index(0, 0));
}

void SentHistoryWindow::showRecipients()
{
    m_ui->lst_destinatari->clear();
    const QModelIndex current = m_ui->lst_invii->currentIndex();
    const bool chosen = current.isValid();
    m_ui->cmd_reinvia->setEnabled(chosen);
    m_ui->cmd_elimina->setEnabled(chosen);
    if (!chosen)
        return;
    guarded(m_ctx, [&] {
        QList<QTreeWidgetItem *> items;
        for (const SentRecipient &r : readSentRecipients(m_ctx.db(), m_model->entry(current.row()).id))
            items << new QTreeWidgetItem(QStringList{r.number, r.name, outcomeWord(r.outcome),
                                                     deliveryWord(r.outcome, r.report), shownDate(r.reportTime)});
        m_ui->lst_destinatari->addTopLevelItems(items);
    });
}

QList<qint64> SentHistoryWindow::selectedSends() const
{
    QList<qint64> ids;
    const QModelIndexList rows = m_ui->lst_invii->selectionModel()->selectedRows();
    for (const QModelIndex &row : rows)
        ids << m_model->entry(row.row()).id;
    if (ids.isEmpty() && m_ui->lst_invii->currentIndex().isValid())
        ids << m_model->entry(m_ui->lst_invii->currentIndex().row()).id;
    return ids;
}

void SentHistoryWindow::cmd_elimina_Click()
{
    guarded(m_ctx, [&] {
        const QList<qint64> ids = selectedSends();
        if (ids.isEmpty())
            return;
        const QString question = ids.size() == 1
            ? Texts::tr("Eliminare l'invio scelto dai messaggi inviati?")
            : Texts::tr("Eliminare i %1 invii scelti dai messaggi inviati?").arg(ids.size());
        if (m_ctx.message(Icon::Question, question, Buttons::YesNo) != Answer::Yes)
            return;
        removeSends(m_ctx.db(), ids);
        reload();
    });
}

void SentHistoryWindow::cmd_elimina_vecchi_Click()
{
    guarded(m_ctx, [&] {
        const QDate day = m_ui->dt_prima->date();
        if (m_ctx.message(Icon::Question,
                          Texts::tr("Eliminare dai messaggi inviati tutti gli invii precedenti al %1?")
                              .arg(day.toString(QStringLiteral("dd-MM-yyyy"))),
                          Buttons::YesNo)
            != Answer::Yes)
            return;
        const int removed = removeSendsBefore(m_ctx.db(), day);
        reload();
        m_ctx.message(Icon::Information, removed == 1 ? Texts::tr("Eliminato 1 invio.")
                                                      : Texts::tr("Eliminati %1 invii.").arg(removed));
    });
}

void SentHistoryWindow::cmd_reinvia_Click()
{
    guarded(m_ctx, [&] {
        const QModelIndex current = m_ui->lst_invii->currentIndex();
        if (!current.isValid())
            return;
        if (m_ctx.message(Icon::Question,
                          Texts::tr("Il messaggio in preparazione sarà sostituito da questo invio (stesso testo, "
                                    "stessi destinatari). Continuare?"),
                          Buttons::YesNo)
            != Answer::Yes)
            return;
        resendToMessage(m_ctx, m_model->entry(current.row()).id);
        if (MainWindow *main = MainWindow::of(m_ctx))
            bringToFront(main);
    });
}

} // namespace brio
