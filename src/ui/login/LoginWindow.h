#pragma once

#include "context/Context.h"
#include "gateway/GatewayControl.h"

#include <QDialog>
#include <array>
#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brio {

// frmLogin: the gateway account. Shown modally; the caller looks at LoggedIn
// when it closes.
class LoginWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit LoginWindow(Context &ctx, QWidget *parent = nullptr);
    ~LoginWindow() override;

    GatewayControl *gateway() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void cmOK_Click();
    void cmCancel_Click();
    void lblLabels_Click();
    void setBusy(bool busy);

    Context &m_ctx;
    std::unique_ptr<GatewayControl> m_BrioSMS;
    QLineEdit *m_txtUserName;
    QLineEdit *m_txtPassword;
    QCheckBox *m_chk_save;
    QPushButton *m_cmOK;
    QPushButton *m_cmCancel;
    std::array<QLabel *, 4> m_lblLabels;
    QFrame *m_Line1;
    bool m_busy = false;
};

} // namespace brio
