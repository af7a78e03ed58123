#pragma once

#include "compose/SendLog.h"
#include "context/Context.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QString>
#include <optional>

namespace brio {

class GatewayControl;
class GatewaySession;

// What the send needs from the window that runs it: the fields it reads and
// corrects, the status bar, the pointer and the window's two routines.
class SendView
{
public:
    enum class Field { Text, Date, Time };

    virtual ~SendView() = default;

    virtual bool wholeAddressBook() const = 0;  // opt_Tutta_Rubrica
    virtual int recipientEntries() const = 0;   // entries of both recipient lists
    virtual QString messageText() const = 0;
    virtual bool deferred() const = 0;          // opt_invio_differito
    virtual QString dateText() const = 0;       // msk_data, "dd-mm-yyyy"
    virtual QString timeText() const = 0;       // msk_ora, "hh:mm"
    virtual void setDateText(const QString &text) = 0;
    virtual void setTimeText(const QString &text) = 0;
    virtual void focusField(Field field, bool selectAll) = 0;

    virtual QString statusText() const = 0;    // panel 2 of the status bar
    virtual void setStatusText(const QString &text) = 0;
    virtual void setBusy(bool busy) = 0;        // wait pointer; may repeat a state
    virtual void processEvents() = 0;           // let the window repaint

    // Another send from the same data folder runs: this one waits.
    virtual void showWaiting(const QString &text);

    virtual void refreshStatus() = 0;           // RefreshStatus; throws Error
    virtual void newMessage() = 0;              // NewMessage without asking
};

// The send of the message being prepared (the "Invia" button): checks,
// counts, asks, hands every recipient's message to the gateway control and
// reports the outcome. The window keeps one for the life of its control, so
// that the control's WrongNumber reaches it.
class SendProcedure final
{
public:
    enum class Outcome {
        Stopped,   // a check failed; nothing changed
        Declined,  // the confirmation was answered No
        Sent,
        Failed,    // an error was reported; state and text kept
        Busy,      // a send was already running
    };

    // Sends through the session's gateway.
    SendProcedure(Context &ctx, SendView &view);
    ~SendProcedure();
    SendProcedure(const SendProcedure &) = delete;
    SendProcedure &operator=(const SendProcedure &) = delete;

    // cmd_invia_Click
    Outcome run();

    // BrioSMS_WrongNumber: one warning per send.
    void wrongNumber();

    // Sends to these instead of the message in preparation (the command line).
    void setRecipients(const QList<Recipient> &recipients);
    // The last send: a number was refused; the program keeps it for later.
    bool numberErrorSeen() const;
    bool held() const;
    bool running() const;

    // The view's date and time checked as the send checks them (the dry run
    // asks too); false once the user was told what is wrong.
    bool checkWhen(SendTime &when);

private:
    Outcome send();
    void handOver(const QList<Recipient> &recipients, const QString &text, const SendTime &when);
    void hold(const QList<Recipient> &recipients, const QString &text, const SendTime &when);
    void showProgress(qint64 done, qint64 total);

    Context &m_ctx;
    SendView &m_view;
    GatewaySession &m_session;
    GatewayControl &m_gateway;
    QMetaObject::Connection m_wrongNumberConnection;
    QMetaObject::Connection m_progressConnection;
    QElapsedTimer m_repaintTimer;
    QString m_statusBefore;
    bool m_running = false;
    bool m_numberErrorSeen = false;
    bool m_held = false;
    std::optional<QList<Recipient>> m_ownRecipients;
    QString m_afterError; // told after the error of a send cut short
};

} // namespace brio
