#include "ui/options/OptionsWindow.h"

#include "ui_OptionsWindow.h"

#include "app/BookDialogues.h"
#include "ui/options/ChangePasswordWindow.h"
#include "ui/help/HelpLink.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace brio {

OptionsWindow::OptionsWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmOpzioni>())
    , m_ctx(ctx)
{
    m_ui->setupUi(this);
    attachHelp(m_ctx, this);
    // The labels explain the buttons beside them; screen readers read them
    // with the button.
    m_ui->cmdSvuotaRubrica->setAccessibleDescription(m_ui->lblSvuotaRubrica->text());
    m_ui->cmdChangePassword->setAccessibleDescription(m_ui->lblPassword->text());

    connect(m_ui->cmdOk, &QPushButton::clicked, this, &OptionsWindow::cmdOk_Click);
    connect(m_ui->cmdChangePassword, &QPushButton::clicked, this, &OptionsWindow::cmdChangePassword_Click);
    connect(m_ui->cmdSvuotaRubrica, &QPushButton::clicked, this, &OptionsWindow::cmdSvuotaRubrica_Click);
}

OptionsWindow::~OptionsWindow() = default;

OptionsWindow *OptionsWindow::showFor(Context &ctx, QWidget *parent)
{
    auto *window = parent ? parent->findChild<OptionsWindow *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        window = new OptionsWindow(ctx, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void OptionsWindow::cmdOk_Click()
{
    close();
}

void OptionsWindow::cmdChangePassword_Click()
{
    guarded(m_ctx, [&] {
        ChangePasswordWindow window(m_ctx, this);
        window.exec();
    });
}

void OptionsWindow::cmdSvuotaRubrica_Click()
{
    guarded(m_ctx, [&] { EmptyAddressBook(m_ctx); });
}

} // namespace brio
