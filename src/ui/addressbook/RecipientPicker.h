#pragma once

#include "context/Context.h"

#include <QDialog>
#include <memory>

class QMenu;

namespace Ui {
class RecipientPicker;
}

namespace brio {

class AddressBookModel;
class RecipientListModel;

// frmTrovaDestinatari: the address book beside the contacts chosen for the
// message. The choice is edited in the window only: the message's table
// (tab_dest_msg) keeps its rows until OK replaces them; Annulla, Esc and the
// close box change nothing.
class RecipientPicker final : public QDialog
{
    Q_OBJECT
public:
    explicit RecipientPicker(Context &ctx, QWidget *parent = nullptr);
    ~RecipientPicker() override;

    // The one picker of the run, shown without waiting: opened on first use,
    // raised when it is open already. Deleted when closed.
    static RecipientPicker *showFor(Context &ctx, QWidget *parent);

private:
    void Form_Load();
    void cb_gruppi_Click();
    void txt_key_Change();
    void cmd_add_Click();
    void cmd_ok_Click();
    void cmd_properties_Click();
    void cmd_nuovo_contatto_Click();
    void mnuEscludiInvio_Click();
    void mnuEliminaContatto_Click();
    void groupsChanged();

    qint64 selectedContact() const; // of lst_elenco, or -1

    Context &m_ctx;
    std::unique_ptr<Ui::RecipientPicker> m_ui;
    AddressBookModel *m_elenco;        // lst_elenco
    RecipientListModel *m_destinatari; // lst_destinatari
    QMenu *m_mnupopup;
    QAction *m_mnuEscludiInvio;
    QMenu *m_mnuPopupElenco;
    QAction *m_mnuAggiungiInvio;
    QAction *m_mnuEliminaContatto;
    QAction *m_mnuProprietaContatto;
};

} // namespace brio
