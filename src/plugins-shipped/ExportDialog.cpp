#include "ExportDialog.h"

#include "ui_ExportDialog.h"

namespace brio::kit {

ExportDialog::ExportDialog(const QList<GroupChoice> &choices, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::ExportDialog>())
{
    m_ui->setupUi(this);
    for (const GroupChoice &c : choices)
        m_ui->cb_gruppo->addItem(c.name, c.id);
    adjustSize();
    connect(m_ui->cmd_esporta, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cmd_annulla, &QPushButton::clicked, this, &QDialog::reject);
}

ExportDialog::~ExportDialog() = default;

qint64 ExportDialog::groupId() const
{
    return m_ui->cb_gruppo->currentData().toLongLong();
}

ExportFormat ExportDialog::format() const
{
    return m_ui->opt_vcard->isChecked() ? ExportFormat::VCard : ExportFormat::Csv;
}

} // namespace brio::kit
