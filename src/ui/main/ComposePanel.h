#pragma once

#include <QWidget>
#include <memory>

class QAction;
class QMenu;
class QTimer;

namespace Ui {
class ComposePanel;
}

namespace brio {

struct Context;
class EntryListView;
class GroupListModel;
class RecipientListModel;

// The message being prepared, in the main window: its recipients (typed
// numbers, contacts, groups or the whole book), the send time, the text
// with its counter and the send button. The send itself, the menus and the
// status bar are the window's.
class ComposePanel final : public QWidget
{
    Q_OBJECT
public:
    ComposePanel(Context &ctx, QWidget *parent);
    ~ComposePanel() override;

    // The controls as a new window shows them, countries apart. Throws Error.
    void load();
    // The countries and the prefixes of the first. Throws Error.
    void loadCountries();
    // The keyboard on the chosen way of sending.
    void focusRecipientMode();
    // An empty message: state, lists, text and fields. Throws Error.
    void clear();
    // Both lists and the text again from the tables (after a plug-in).
    // Throws Error.
    void reload();
    // lst_destinatari from the chosen contacts and typed numbers again.
    // Throws Error.
    void loadRecipients();
    // Counts the message's recipients: recipientCountChanged. Throws Error.
    void refreshRecipientCount();

    QString messageText() const;
    void setMessageText(const QString &text); // cut to what fits
    void setMaxParts(int parts);
    EntryListView *recipientList() const; // lst_destinatari

signals:
    void sendRequested();
    // The text of status panel 1.
    void recipientCountChanged(const QString &text);
    // After the counter and the alphabet notice follow a new text.
    void messageTextChanged();

private:
    // What the form cannot say: design-time items, sizes, the lists' models.
    void finishControls();
    void connectHandlers();

    void opt_invio_immediato_Click();
    void opt_invio_differito_Click();
    void opt_invio_singolo_Click();
    void opt_invio_gruppo_Click();
    void opt_Tutta_Rubrica_Click();
    void showFrames(bool single, bool groups, bool wholeBook);
    void setDeferredFieldsEnabled(bool enabled);

    void cb_paese_Click();
    void cmd_singolo_aggiungi_Click();
    void cmd_gruppi_aggiungi_Click();
    void mnuEliminaSingolo_Click();
    void mnuEliminaGruppo_Click();
    void removeSelectedRecipient();
    void removeSelectedGroup();

    // A contact saved or deleted in another window.
    void contactChanged(qint32 id, const QString &name, const QString &number, bool removed);
    // The chosen contacts were replaced (recipient picker): the list is read again.
    void messageContactsChanged();
    void groupsChanged(); // the group combo, chosen groups and count again
    // Another window rebuilt the message state (a plug-in, a resend).
    void messageStateReloaded();
    void refreshCount(); // panel 1 for the recipient mode shown

    void txt_messaggio_Change();
    // Replaces the characters that force UCS-2 with their look-alikes.
    void cmd_sostituisci_Click();

    friend class MainSendView;

    std::unique_ptr<Ui::ComposePanel> m_ui;
    Context &m_ctx;
    RecipientListModel *m_recipients = nullptr; // lst_destinatari
    GroupListModel *m_groups = nullptr;         // lst_gruppi
    QMenu *m_mnuPopupSingoli = nullptr;
    QAction *m_mnuEliminaSingolo = nullptr;
    QMenu *m_mnuPopupGruppi = nullptr;
    QAction *m_mnuEliminaGruppo = nullptr;
    // Counts again once the contacts saved in one go are all announced.
    QTimer *m_recount = nullptr;
};

} // namespace brio
