#include "ui/addressbook/ContactSearchWindow.h"

#include "addressbook/ContactSearch.h"
#include "context/Notifier.h"
#include "ui/ListRoutines.h"
#include "ui/OneWindow.h"
#include "ui/help/HelpLink.h"
#include "ui/WhileShown.h"
#include "ui/addressbook/AddressBookModel.h"
#include "ui_ContactSearchWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>
#include <QRegularExpressionValidator>

namespace brio {

namespace {

// Rows are listed this many milliseconds at a time, with the window's events
// served in between, so that "&Interrompi" is heard at once.
constexpr int kSliceMs = 30;

} // namespace

ContactSearchWindow::ContactSearchWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::ContactSearchWindow>())
    , m_found(new AddressBookModel(ctx, QString(), this))
{
    m_ui->setupUi(this);
    attachHelp(m_ctx, this);
    m_ui->lst_elenco->setModel(m_found);
    m_ui->lst_elenco->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Ages take digits only; Backspace still edits.
    auto *digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    m_ui->txt_anniStart->setValidator(digits);
    m_ui->txt_anniEnd->setValidator(digits);
    // They have nothing to do here.
    m_ui->cmd_elimina->hide();
    m_ui->cmd_properties->hide();

    connect(m_ui->cmd_trova, &QPushButton::clicked, this, &ContactSearchWindow::cmd_trova_Click);
    connect(m_ui->cmd_stop, &QPushButton::clicked, this, &ContactSearchWindow::cmd_stop_Click);
    connect(m_ui->cmd_selezionatutti, &QPushButton::clicked, this, &ContactSearchWindow::cmd_selezionatutti_Click);
    connect(m_ui->cmd_ok, &QPushButton::clicked, this, &ContactSearchWindow::cmd_ok_Click);
    connect(m_ui->cmd_cancella, &QPushButton::clicked, this, &ContactSearchWindow::cmd_cancella_Click);
    connect(m_ui->cmd_chiudi, &QPushButton::clicked, this, &QDialog::close);
    whileShown(this, [this] {
        Notifier &n = m_ctx.notifier();
        return QList<QMetaObject::Connection>{
            connect(&n, &Notifier::groupsChanged, this, &ContactSearchWindow::groupsChanged),
        };
    });
    Form_Load();
}

ContactSearchWindow::~ContactSearchWindow() = default;

ContactSearchWindow *ContactSearchWindow::showFor(Context &ctx, QWidget *parent)
{
    return showOneWindow<ContactSearchWindow>(ctx, parent);
}

void ContactSearchWindow::Form_Load()
{
    guarded(m_ctx, [&] { LoadGroupCombo(m_ctx, m_ui->cb_gruppi, false, GroupComboMode::GroupNames); });
    SetSearchState(SearchState::Idle);
}

void ContactSearchWindow::SetSearchState(SearchState state)
{
    const bool idle = state == SearchState::Idle;
    for (QWidget *w : {m_ui->cmd_cancella, m_ui->cmd_chiudi, m_ui->cmd_elimina, m_ui->cmd_ok, m_ui->cmd_properties,
                       m_ui->cmd_selezionatutti, m_ui->cmd_trova})
        w->setEnabled(idle);
    m_ui->cmd_stop->setEnabled(!idle);
    if (idle && m_ui->cmd_stop->hasFocus())
        m_ui->cmd_trova->setFocus();
    else if (!idle)
        m_ui->cmd_stop->setFocus();
}

SearchCriteria ContactSearchWindow::criteria() const
{
    SearchCriteria c;
    c.name = m_ui->txt_nominativo->text();
    c.number = m_ui->txt_numero->text();
    c.ageFrom = m_ui->txt_anniStart->text();
    c.ageTo = m_ui->txt_anniEnd->text();
    c.city = m_ui->txt_citta->text();
    c.province = m_ui->txt_prov->text();
    c.region = m_ui->txt_regione->text();
    c.email = m_ui->txt_email->text();
    if (m_ui->optMaschio->isChecked())
        c.sex = SexCriterion::Male;
    else if (m_ui->optFemmina->isChecked())
        c.sex = SexCriterion::Female;
    if (m_ui->cb_gruppi->isEnabled() && m_ui->cb_gruppi->currentIndex() >= 0)
        c.group = m_ui->cb_gruppi->currentData().toLongLong();
    return c;
}

void ContactSearchWindow::cmd_trova_Click()
{
    const QPointer<ContactSearchWindow> self(this);
    m_stop = false;
    SetSearchState(SearchState::Searching);
    guarded(m_ctx, [&] {
        ContactSearch search(m_ctx.db(), BuildSearchSql(criteria(), m_ctx.clock.now().date().year()));
        m_found->showFound({});
        ListEntries slice;
        bool more = true;
        while (more && !m_stop) {
            slice.clear();
            more = search.fetch(slice, kSliceMs);
            // Row by row: "&Interrompi" pressed meanwhile ends the listing.
            for (const ListEntry &e : std::as_const(slice)) {
                if (m_stop)
                    break;
                m_found->append(e);
            }
            QCoreApplication::processEvents();
            if (!self)
                return; // the window went away meanwhile
        }
    });
    // Also after a failure: the window is ready for another search.
    if (self)
        SetSearchState(SearchState::Idle);
}

void ContactSearchWindow::cmd_stop_Click()
{
    m_stop = true;
}

void ContactSearchWindow::closeEvent(QCloseEvent *event)
{
    // A search still running ends before its next slice.
    m_stop = true;
    QDialog::closeEvent(event);
}

void ContactSearchWindow::cmd_selezionatutti_Click()
{
    m_ui->lst_elenco->selectAll();
}

void ContactSearchWindow::cmd_ok_Click()
{
    ListEntries selected;
    const QItemSelectionModel *selection = m_ui->lst_elenco->selectionModel();
    for (int row = 0; row < m_found->rowCount(); ++row) {
        if (selection->isRowSelected(row))
            selected.append(m_found->entry(row));
    }
    emit chosen(selected);
    close();
}

void ContactSearchWindow::cmd_cancella_Click()
{
    if (m_ui->cb_gruppi->count() > 0)
        m_ui->cb_gruppi->setCurrentIndex(0);
    for (QLineEdit *box : {m_ui->txt_nominativo, m_ui->txt_numero, m_ui->txt_anniStart, m_ui->txt_anniEnd,
                           m_ui->txt_citta, m_ui->txt_prov, m_ui->txt_regione, m_ui->txt_email})
        box->clear();
    m_ui->optMF->setChecked(true);
}

void ContactSearchWindow::groupsChanged()
{
    guarded(m_ctx, [&] { ReloadGroupCombo(m_ctx, m_ui->cb_gruppi, false, GroupComboMode::GroupNames); });
}

} // namespace brio
