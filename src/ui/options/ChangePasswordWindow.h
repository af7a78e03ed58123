#pragma once

#include "context/Context.h"
#include "app/BookDialogues.h"

#include <QDialog>
#include <memory>

namespace Ui {
class frmModificaPassword;
}

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

    std::unique_ptr<Ui::frmModificaPassword> m_ui;
    Context &m_ctx;
    PasswordChangeHook m_hook;
};

} // namespace brio
