#pragma once

#include "context/Context.h"
#include "compose/Compression.h"
#include "gateway/GatewayControl.h"
#include "plugins/Plugins.h"

#include <QMainWindow>
#include <array>
#include <memory>

class QAction;
class QLabel;

namespace Ui {
class frmMain;
}

class QTimer;

namespace brio {

class AccountCommands;
class GatewaySession;
class ComposePanel;
class EntryListView;
class MainSendView;
class SendProcedure;

// frmMain: the menus, the tool bar and the status bar around the compose
// panel, the send and the windows they open. It lives for the whole run;
// closing it closes the database and ends the program.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(Context &ctx, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The main window of this run, or nullptr while there is none.
    static MainWindow *of(const Context &ctx);

    // Empties the message state; with ask, only after the user agrees.
    void NewMessage(bool ask);
    // Credit and user from the gateway control. Throws Error.
    void RefreshStatus();
    // Panel 1 from the message-state tables. Throws Error.
    void RefreshRecipientCount();
    // Both lists and the text again from the tables (after a plug-in).
    void ReloadMessageState();
    // The text as it was before the last compression.
    void DecomprimiSMS();
    // No held send is delivered while a general plug-in may be using the book.
    void pauseHeldSends(bool paused);

    // lst_destinatari from the chosen contacts and typed numbers again.
    // Throws Error.
    void LoadMessageRecipients();
    EntryListView *recipientList() const; // lst_destinatari
    QLabel *statusPanel(int panel) const; // 1 to 3

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // What the form cannot say: icons, panels.
    void finishControls();
    void connectHandlers();
    std::array<QAction *, 10> pluginMenuItems() const; // mnuPlugin_0 to mnuPlugin_9

    void Form_Load();
    void Form_Unload();
    // Hands over the held deferred sends whose time has come.
    void deliverHeldSends();
    void mnuNuovo_Click();
    void mnuNuovoContatto_Click();
    void mnuContatti_Click();
    void mnuLogin_Click();
    void mnuEsci_Click();
    void mnuGruppi_Click();

    void cmd_invia_Click();
    void tbComprimi_Click();
    void UpdateCompressButton();
    // The message box holds what the gateway takes in one message.
    void applyTextLimits();

    void setStatusPanel(int panel, const QString &text);
    // The credit the session read, the user and what the gateway takes.
    void showCredit(qint64 credit);

    friend class MainSendView;

    std::unique_ptr<Ui::frmMain> m_ui;
    Context &m_ctx;
    ComposePanel *m_panel = nullptr;
    GatewaySession &m_session;
    GatewayControl &m_BrioSMS; // the session's
    QTimer *m_heldSends = nullptr;
    bool m_heldSendsPaused = false;
    QList<PluginDescriptor> m_menuPlugins; // what mnuPlugin_0 to _9 run
    std::unique_ptr<MainSendView> m_sendView;
    std::unique_ptr<SendProcedure> m_send; // holds NumberErrorSeen
    std::unique_ptr<AccountCommands> m_account;
    CompressButton m_compress;              // key, pressed state and SavedText
    bool m_closeAfterSend = false;          // closed while a send was running

    std::array<QLabel *, 3> m_sbBrioPanel{};
};

// The shared routines other windows call after changing the message state;
// they do nothing while the main window is not there. Throw Error.
void RefreshRecipientCount(const Context &ctx);
void ReloadMessageState(const Context &ctx);

} // namespace brio
