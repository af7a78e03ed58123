#include "ui/options/ChangePasswordWindow.h"

#include "ui/ListRoutines.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brio {

ChangePasswordWindow::ChangePasswordWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_lbInserisci(new QLabel(QStringLiteral("Inserisci Password:"), this))
    , m_txtInserisci(new QLineEdit(this))
    , m_lbCoferma(new QLabel(QStringLiteral("Conferma Password:"), this))
    , m_txtConferma(new QLineEdit(this))
    , m_cmOK(new QPushButton(QStringLiteral("&OK"), this))
    , m_cmAnnulla(new QPushButton(QStringLiteral("&Annulla"), this))
{
    setObjectName(QStringLiteral("frmModificaPassword"));
    setWindowTitle(QStringLiteral("Modifica Password Rubrica"));
    m_lbInserisci->setObjectName(QStringLiteral("lbInserisci"));
    m_txtInserisci->setObjectName(QStringLiteral("txtInserisci"));
    m_lbCoferma->setObjectName(QStringLiteral("lbCoferma"));
    m_txtConferma->setObjectName(QStringLiteral("txtConferma"));
    m_cmOK->setObjectName(QStringLiteral("cmOK"));
    m_cmAnnulla->setObjectName(QStringLiteral("cmAnnulla"));

    m_lbInserisci->setBuddy(m_txtInserisci);
    m_lbCoferma->setBuddy(m_txtConferma);
    m_txtInserisci->setEchoMode(QLineEdit::Password);
    m_txtConferma->setEchoMode(QLineEdit::Password);
    m_cmOK->setDefault(true);

    auto *fields = new QFormLayout;
    fields->addRow(m_lbInserisci, m_txtInserisci);
    fields->addRow(m_lbCoferma, m_txtConferma);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmOK);
    buttons->addWidget(m_cmAnnulla);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(m_cmOK, &QPushButton::clicked, this, &ChangePasswordWindow::cmOK_Click);
    connect(m_cmAnnulla, &QPushButton::clicked, this, &ChangePasswordWindow::cmAnnulla_Click);
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
            result = ChangeDatabasePassword(m_ctx, m_txtInserisci->text(), m_txtConferma->text(), m_hook);
        }
        switch (result) {
        case PasswordChangeResult::Mismatch:
            m_txtInserisci->clear();
            m_txtConferma->clear();
            m_txtInserisci->setFocus();
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
