#pragma once

#include "addressbook/ListEntries.h"
#include "context/Context.h"

#include <QDialog>
#include <memory>

class QMenu;

namespace Ui {
class GroupMembersWindow;
}

namespace brio {

class AddressBookModel;

// frmGruppi: the address book on the left, the members of the chosen group
// on the right. Every move is stored at once. Shown without waiting.
class GroupMembersWindow final : public QDialog
{
    Q_OBJECT
public:
    // Shows the group groupId, or the first group by name for -1.
    GroupMembersWindow(Context &ctx, qint64 groupId, QWidget *parent = nullptr);
    ~GroupMembersWindow() override;

    // The one membership editor of the run, raised (and turned to groupId
    // unless -1) when it is open already. Deleted when closed.
    static GroupMembersWindow *showFor(Context &ctx, QWidget *parent, qint64 groupId);

    // The search's answer: the address-book list shows these contacts only,
    // until "Tutta la rubrica" brings the whole book back.
    void showSearchResults(const ListEntries &found);

private:
    void Form_Load(qint64 groupId);
    void cb_gruppi_Click();
    void cmdAddSingle_Click();
    void cmdAddAll_Click();
    void cmdDelSingle_Click();
    void cmdDelAll_Click();
    void cmd_properties_Click();
    void cmd_rubrica_Click();
    void cmd_gruppi_Click();
    void cmd_ricercaContatti_Click();
    void LoadAddressBookList();
    void groupsChanged();

    void selectGroup(qint64 groupId);
    qint64 groupId() const; // -1 when there is no group
    void updateCommands();

    Context &m_ctx;
    std::unique_ptr<Ui::GroupMembersWindow> m_ui;
    AddressBookModel *m_book;    // lst_destinatari: the whole book or search results
    AddressBookModel *m_members; // lst_gruppo
    QMenu *m_mnuPopupContatti;
    QAction *m_mnuAggiungiGruppo;
    QAction *m_mnuProprietaContatto;
    QMenu *m_mnuPopupGruppi;
    QAction *m_mnuEscludiGruppo;
};

} // namespace brio
