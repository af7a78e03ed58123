#pragma once

#include "context/Context.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

namespace brio {

// frmOpzioni: emptying the address book and the database password.
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
    void cmdOk_Click();
    void cmdChangePassword_Click();
    void cmdSvuotaRubrica_Click();

    Context &m_ctx;
    QGroupBox *m_frameRubrica;
    QPushButton *m_cmdSvuotaRubrica;
    QLabel *m_lblSvuotaRubrica;
    QPushButton *m_cmdChangePassword;
    QLabel *m_lblPassword;
    QPushButton *m_cmdOk;
};

} // namespace brio
