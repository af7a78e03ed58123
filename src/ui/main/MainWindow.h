#pragma once

#include "context/Context.h"
#include "compose/Compression.h"
#include "gateway/GatewayControl.h"

#include <QMainWindow>
#include <array>
#include <memory>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolBar;

namespace brio {

class MainSendView;
class MessageTextEdit;
class SendProcedure;

// frmMain: the message being prepared, its recipients, the send options and
// the menu. It lives for the whole run; closing it closes the database and
// ends the program.
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

    QListWidget *recipientList() const; // lst_destinatari
    QLabel *statusPanel(int panel) const; // 1 to 3

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildControls();
    void buildStatusBar();
    void connectHandlers();

    void Form_Load();
    void Form_Unload();
    void opt_invio_immediato_Click();
    void opt_invio_differito_Click();
    void opt_invio_singolo_Click();
    void opt_invio_gruppo_Click();
    void opt_Tutta_Rubrica_Click();
    void tbToolBar_ButtonClick(QAction *button);

    void cb_paese_Click();
    void cmd_singolo_aggiungi_Click();
    void cmd_gruppi_aggiungi_Click();
    void mnuEliminaSingolo_Click();
    void mnuEliminaGruppo_Click();
    // Right button over a list: the pop-up menu, only when an entry was
    // already selected and the pointer is over an entry.
    void lst_MouseDown(QListWidget *list, QMenu *popup, const QPoint &pos);
    void removeSelectedRecipient();
    void removeSelectedGroup();

    void mnuNuovo_Click();
    void mnuLogin_Click();
    void mnuEsci_Click();

    void cmd_invia_Click();
    void tbComprimi_Click();
    void txt_messaggio_Change();
    void UpdateCompressButton();

    void showFrames(bool single, bool groups, bool wholeBook);
    void setDeferredFieldsEnabled(bool enabled);
    void setStatusPanel(int panel, const QString &text);

    friend class MainSendView;

    Context &m_ctx;
    std::unique_ptr<GatewayControl> m_BrioSMS;
    std::unique_ptr<MainSendView> m_sendView;
    std::unique_ptr<SendProcedure> m_send; // holds NumberErrorSeen
    CompressButton m_compress;              // key, pressed state and SavedText

    QFrame *m_fr_destinatari = nullptr;
    QLabel *m_ListView1 = nullptr;
    QLabel *m_ListView2 = nullptr;
    QListWidget *m_lst_destinatari = nullptr;
    QListWidget *m_lst_gruppi = nullptr;

    QGroupBox *m_Frame1 = nullptr;
    QRadioButton *m_opt_Tutta_Rubrica = nullptr;
    QRadioButton *m_opt_invio_singolo = nullptr;
    QRadioButton *m_opt_invio_gruppo = nullptr;
    QFrame *m_fr_invio_singolo = nullptr;
    QComboBox *m_cb_paese = nullptr;
    QComboBox *m_cb_prefisso = nullptr;
    QLineEdit *m_txt_numero = nullptr;
    QPushButton *m_cmd_singolo_aggiungi = nullptr;
    QFrame *m_fr_invio_gruppi = nullptr;
    QComboBox *m_cb_gruppi = nullptr;
    QPushButton *m_cmd_gruppi_aggiungi = nullptr;
    QFrame *m_fr_tutta_Rubrica = nullptr;
    QLabel *m_lb_Tutta_Rubrica = nullptr;

    QGroupBox *m_fr_Differito = nullptr;
    QPushButton *m_cmd_invia = nullptr;
    QRadioButton *m_opt_invio_immediato = nullptr;
    QRadioButton *m_opt_invio_differito = nullptr;
    QFrame *m_fr_invio_data = nullptr;
    QLabel *m_lb_data = nullptr;
    QLineEdit *m_msk_data = nullptr;
    QLabel *m_lb_ora = nullptr;
    QLineEdit *m_msk_ora = nullptr;

    QLabel *m_lbl_messaggio = nullptr;
    MessageTextEdit *m_txt_messaggio = nullptr;

    QToolBar *m_tbToolBar = nullptr;
    QAction *m_tb_Nuovo = nullptr;
    QAction *m_tb_Rubrica = nullptr;
    QAction *m_tb_Gruppi = nullptr;
    QAction *m_tb_Invia = nullptr;
    QAction *m_tb_Comprimi = nullptr; // key "Comprimi" or "Decomprimi" in data()

    std::array<QLabel *, 3> m_sbBrioPanel{};

    QMenu *m_mnuPopupSingoli = nullptr;
    QAction *m_mnuEliminaSingolo = nullptr;
    QMenu *m_mnuPopupGruppi = nullptr;
    QAction *m_mnuEliminaGruppo = nullptr;

    QMenu *m_mnuFile = nullptr;
    QAction *m_mnuNuovo = nullptr;
    QAction *m_mnusep3 = nullptr;
    QAction *m_mnuLogin = nullptr;
    QAction *m_mnuOpzioni = nullptr;
    QAction *m_mnuSep = nullptr;
    QAction *m_mnuInvia = nullptr;
    QAction *m_mnuFileSep4 = nullptr;
    QAction *m_mnuEsci = nullptr;
    QMenu *m_mnuRubrica = nullptr;
    QAction *m_mnuNuovoContatto = nullptr;
    QAction *m_mnuContatti = nullptr;
    QAction *m_mnuGruppi = nullptr;
    QAction *m_mnuImportasep1 = nullptr;
    QAction *m_mnuImporta = nullptr;
    QAction *m_mnuImportaBrio1 = nullptr;
    QMenu *m_mnuMessaggi = nullptr;
    QAction *m_mnuInviati = nullptr;
    QAction *m_mnuDifferiti = nullptr;
    QAction *m_mnuErrori = nullptr;
    QAction *m_mnuStrumentiSep1 = nullptr;
    QAction *m_mnuMittente = nullptr;
    QAction *m_mnuPassword = nullptr;
    QMenu *m_mnuAcquista = nullptr;
    QAction *m_mnuStrumentiVerificaCredito = nullptr;
    QAction *m_mnuAcquistaSMS = nullptr;
    QAction *m_mnuListino = nullptr;
    QMenu *m_mnuPluginS = nullptr;
    QAction *m_mnuScaricaPlugin = nullptr;
    QAction *m_mnuPluginSep1 = nullptr;
    std::array<QAction *, 10> m_mnuPlugin{}; // objectName "mnuPlugin_<index>"
    QAction *m_mnuPluginSep2 = nullptr;
    QAction *m_mnuOtherPlugins = nullptr;
    QMenu *m_mnuHelp = nullptr;
    QAction *m_mnuSommario = nullptr;
    QAction *m_mnuCerca = nullptr;
    QAction *m_mnuHelpSep1 = nullptr;
    QAction *m_mnuSupporto = nullptr;
    QAction *m_mnuHelpAbout = nullptr;
};

// The shared routines other windows call after changing the message state;
// they do nothing while the main window is not there. Throw Error.
void RefreshRecipientCount(const Context &ctx);
void ReloadMessageState(const Context &ctx);

} // namespace brio
