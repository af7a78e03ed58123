#pragma once

#include "context/Context.h"
#include "gateway/GatewayControl.h"

#include <QDialog>
#include <array>
#include <memory>

class QLabel;

namespace Ui {
class frmLogin;
}

namespace brio {

// frmLogin: the gateway account. Shown modally; the caller asks the session
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

    std::unique_ptr<Ui::frmLogin> m_ui;
    Context &m_ctx;
    std::unique_ptr<GatewayControl> m_BrioSMS;
    std::array<QLabel *, 4> m_lblLabels;
    bool m_busy = false;
};

} // namespace brio
