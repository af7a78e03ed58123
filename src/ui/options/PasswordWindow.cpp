#include "ui/options/PasswordWindow.h"

#include "ui_PasswordWindow.h"

#include "ui/help/HelpLink.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brio {

PasswordWindow::PasswordWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmPassword>())
    , m_ctx(ctx)
{
    m_ui->setupUi(this);
    attachHelp(m_ctx, this);
    // Enter in the field reaches the default button: OK.
    connect(m_ui->cmOK, &QPushButton::clicked, this, &PasswordWindow::cmOK_Click);
}

PasswordWindow::~PasswordWindow() = default;

bool PasswordWindow::waitCursorShown() const
{
    return m_waitCursor;
}

void PasswordWindow::cmOK_Click()
{
    if (!m_waitCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursor = true;
    }
    m_ctx.state.book.setPassword(m_ui->txtPassword->text());
    accept();
}

} // namespace brio
