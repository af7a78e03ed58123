#pragma once

#include "context/Context.h"

#include <QDialog>
#include <memory>

namespace Ui {
class frmPassword;
}

namespace brio {

// frmPassword: asks the database password at start-up and hands it to the
// book. No cancel button: closing the window leaves it empty.
class PasswordWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit PasswordWindow(Context &ctx, QWidget *parent = nullptr);
    ~PasswordWindow() override;

    // Whether OK set the wait cursor, which stays until the main window is up.
    bool waitCursorShown() const;

private:
    void cmOK_Click();

    std::unique_ptr<Ui::frmPassword> m_ui;
    Context &m_ctx;
    bool m_waitCursor = false;
};

} // namespace brio
