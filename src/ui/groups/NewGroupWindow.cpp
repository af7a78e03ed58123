#include "ui/groups/NewGroupWindow.h"

#include "context/Notifier.h"
#include "core/Texts.h"
#include "groups/Groups.h"
#include "ui/ListRoutines.h"
#include "ui/OneWindow.h"
#include "ui/help/HelpLink.h"
#include "ui/ScreenReader.h"
#include "ui/WhileShown.h"
#include "ui_NewGroupWindow.h"

namespace brio {

NewGroupWindow::NewGroupWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::NewGroupWindow>())
{
    m_ui->setupUi(this);
    nameControlsForScreenReaders(*this);
    attachHelp(m_ctx, this);
    // A choice made by the user in the list means copying from it.
    connect(m_ui->cb_gruppi, &QComboBox::activated, this, &NewGroupWindow::cb_gruppi_Click);
    connect(m_ui->opt_copiaDa, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            opt_copiaDa_Click();
    });
    connect(m_ui->cmd_inserisci, &QPushButton::clicked, this, &NewGroupWindow::cmd_inserisci_Click);
    connect(m_ui->cmd_annulla, &QPushButton::clicked, this, &QDialog::close);
    whileShown(this, [this] {
        return QList<QMetaObject::Connection>{
            connect(&m_ctx.notifier(), &Notifier::groupsChanged, this, &NewGroupWindow::reloadSources)};
    });
    Form_Load();
}

NewGroupWindow::~NewGroupWindow() = default;

NewGroupWindow *NewGroupWindow::showFor(Context &ctx, QWidget *parent)
{
    return showOneWindow<NewGroupWindow>(ctx, parent);
}

void NewGroupWindow::Form_Load()
{
    guarded(m_ctx, [&] { LoadGroupCombo(m_ctx, m_ui->cb_gruppi, false, GroupComboMode::GroupNames); });
    m_ui->opt_vuoto->setChecked(true);
}

void NewGroupWindow::reloadSources()
{
    QComboBox *sources = m_ui->cb_gruppi;
    const QVariant chosen = sources->currentData();
    const QString chosenName = sources->currentText();
    guarded(m_ctx, [&] { ReloadGroupCombo(m_ctx, sources, false, GroupComboMode::GroupNames); });
    if (!m_goneSource && chosen.isValid() && sources->findData(chosen) < 0)
        m_goneSource = std::make_pair(chosen.toLongLong(), chosenName);
}

void NewGroupWindow::cb_gruppi_Click()
{
    m_goneSource.reset();
    m_ui->opt_copiaDa->setChecked(true);
}

void NewGroupWindow::opt_copiaDa_Click()
{
    if (!m_ui->cb_gruppi->isEnabled())
        m_ui->opt_vuoto->setChecked(true);
}

void NewGroupWindow::cmd_inserisci_Click()
{
    guarded(m_ctx, [&] {
        std::optional<qint64> copyFrom;
        QString sourceName = m_ui->cb_gruppi->currentText();
        if (m_ui->opt_copiaDa->isChecked() && m_goneSource) {
            copyFrom = m_goneSource->first; // refused below as gone
            sourceName = m_goneSource->second;
        } else if (m_ui->opt_copiaDa->isChecked() && m_ui->cb_gruppi->currentIndex() >= 0) {
            copyFrom = m_ui->cb_gruppi->currentData().toLongLong();
        }
        const NewGroup group = createGroup(m_ctx.db(), m_ctx.notifier(), m_ui->txt_nomeGruppo->text(), copyFrom);
        switch (group.status) {
        case NewGroupStatus::EmptyName:
            return;
        case NewGroupStatus::NameTaken:
            m_ctx.message(Icon::Critical, Texts::tr("Gruppo già esistente!"));
            m_ui->txt_nomeGruppo->selectAll();
            m_ui->txt_nomeGruppo->setFocus();
            return;
        case NewGroupStatus::SourceGone:
            m_ctx.message(Icon::Critical,
                          Texts::tr("Impossibile copiare da ") + sourceName + QStringLiteral("!"));
            m_goneSource.reset();
            reloadSources();
            return;
        case NewGroupStatus::Created:
            emit created(group.id);
            close();
            return;
        }
    });
}

} // namespace brio
