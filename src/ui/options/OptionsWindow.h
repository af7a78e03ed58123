#pragma once

#include "context/Context.h"

#include <QDialog>
#include <memory>

namespace Ui {
class frmOpzioni;
}

namespace brio {

// frmOpzioni: emptying the address book, the database password, TLS
// towards the server, the shared address book's CardDAV account and the
// interface language.
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
    void cmdCardDavCerca_Click();

    // The account as the fields show it; OK writes the parts that differ
    // from what was read. False (and a message) when it cannot be written.
    struct CardDavFields
    {
        QString url;
        QString user;
        QString password;
        QString book;
        int minutes = 0;
    };
    CardDavFields cardDavFields() const;
    void showCardDav();
    bool applyCardDav();

    std::unique_ptr<Ui::frmOpzioni> m_ui;
    Context &m_ctx;
    CardDavFields m_cardDav; // as read when the window opened
};

} // namespace brio
