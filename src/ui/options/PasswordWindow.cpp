#include "ui/options/PasswordWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brio {

PasswordWindow::PasswordWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_lblPassword(new QLabel(QStringLiteral("Inserire la password per accedere alla Rubrica:"), this))
    , m_txtPassword(new QLineEdit(this))
    , m_cmOK(new QPushButton(QStringLiteral("&OK"), this))
{
    setObjectName(QStringLiteral("frmPassword"));
    setWindowTitle(QStringLiteral("Password Rubrica"));
    m_lblPassword->setObjectName(QStringLiteral("lblPassword"));
    m_txtPassword->setObjectName(QStringLiteral("txtPassword"));
    m_cmOK->setObjectName(QStringLiteral("cmOK"));

    m_lblPassword->setBuddy(m_txtPassword);
    m_txtPassword->setEchoMode(QLineEdit::Password);
    m_cmOK->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmOK);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lblPassword);
    layout->addWidget(m_txtPassword);
    layout->addLayout(buttons);

    // Enter in the field reaches the default button: OK.
    connect(m_cmOK, &QPushButton::clicked, this, &PasswordWindow::cmOK_Click);
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
    m_ctx.state.DBPassword = m_txtPassword->text();
    accept();
}

} // namespace brio
