#include "ui/options/ChangePasswordWindow.h"

#include "ui_ChangePasswordWindow.h"

#include "ui/ListRoutines.h"
#include "ui/help/HelpLink.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brio {

ChangePasswordWindow::ChangePasswordWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmModificaPassword>())
    , m_ctx(ctx)
{
    m_ui->setupUi(this);
    attachHelp(m_ctx, this);
    connect(m_ui->cmOK, &QPushButton::clicked, this, &ChangePasswordWindow::cmOK_Click);
    connect(m_ui->cmAnnulla, &QPushButton::clicked, this, &ChangePasswordWindow::cmAnnulla_Click);
}

ChangePasswordWindow::~ChangePasswordWindow() = default;

void ChangePasswordWindow::setChangeHook(PasswordChangeHook hook)
{
    m_hook = std::move(hook);
}

void ChangePasswordWindow::cmOK_Click()
{
    guarded(m_ctx, [&] {
        PasswordChangeResult result;
        {
            const WaitCursor wait;
            result = ChangeDatabasePassword(m_ctx, m_ui->txtInserisci->text(), m_ui->txtConferma->text(), m_hook);
        }
        switch (result) {
        case PasswordChangeResult::Mismatch:
            m_ui->txtInserisci->clear();
            m_ui->txtConferma->clear();
            m_ui->txtInserisci->setFocus();
            break;
        case PasswordChangeResult::Cancelled:
        case PasswordChangeResult::Busy:
            break;
        case PasswordChangeResult::Enabled:
        case PasswordChangeResult::Disabled:
            accept();
            break;
        }
    });
}

void ChangePasswordWindow::cmAnnulla_Click()
{
    reject();
}

} // namespace brio
