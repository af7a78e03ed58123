#pragma once

#include "context/Context.h"

#include <QDialog>
#include <memory>

namespace Ui {
class frmOpzioni;
}

namespace brio {

// frmOpzioni: emptying the address book, the database password, TLS
// towards the server and the interface language.
class OptionsWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit OptionsWindow(Context &ctx, QWidget *parent = nullptr);
    ~OptionsWindow() override;

    // Shows the one options window of `parent` without waiting, creating it
    // on first use.
    static OptionsWindow *showFor(Context &ctx, QWidget *parent);

private:
    void chk_tls_Click(bool checked);
    void cb_lingua_Change(int index);
    void cmdOk_Click();
    void cmdChangePassword_Click();
    void cmdSvuotaRubrica_Click();

    std::unique_ptr<Ui::frmOpzioni> m_ui;
    Context &m_ctx;
};

} // namespace brio
