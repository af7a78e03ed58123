#pragma once

#include "context/Context.h"
#include "app/BookDialogues.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace brio {

// frmModificaPassword: sets, changes or removes the database password.
class ChangePasswordWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit ChangePasswordWindow(Context &ctx, QWidget *parent = nullptr);
    ~ChangePasswordWindow() override;

    // Lets tests interrupt the change at each of its steps.
    void setChangeHook(PasswordChangeHook hook);

private:
    void cmOK_Click();
    void cmAnnulla_Click();

    Context &m_ctx;
    QLabel *m_lbInserisci;
    QLineEdit *m_txtInserisci;
    QLabel *m_lbCoferma;
    QLineEdit *m_txtConferma;
    QPushButton *m_cmOK;
    QPushButton *m_cmAnnulla;
    PasswordChangeHook m_hook;
};

} // namespace brio
