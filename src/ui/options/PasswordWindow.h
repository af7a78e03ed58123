#pragma once

#include "context/Context.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace brio {

// frmPassword: asks the database password at start-up and puts it in
// DBPassword. No cancel button: closing the window leaves DBPassword empty.
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

    Context &m_ctx;
    QLabel *m_lblPassword;
    QLineEdit *m_txtPassword;
    QPushButton *m_cmOK;
    bool m_waitCursor = false;
};

} // namespace brio
