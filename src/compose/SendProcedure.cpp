#include "compose/SendProcedure.h"

#include "addressbook/ChosenContacts.h"
#include "addressbook/Contacts.h"
#include "core/Error.h"
#include "core/Texts.h"
#include "compose/MessageState.h"
#include "compose/SendLock.h"
#include "gateway/GatewayControl.h"
#include "gateway/GatewaySession.h"
#include "gateway/GsmTextOnly.h"
#include "groups/ChosenGroups.h"
#include "sms/GsmText.h"
#include "store/Database.h"

#include <QDate>
#include <QDateTime>
#include <QScopeGuard>
#include <QSet>
#include <QStringList>
#include <QTime>
#include <algorithm>

namespace brio {

namespace {

const QString kDateFormat = QStringLiteral("dd-MM-yyyy");
const QString kTimeFormat = QStringLiteral("HH:mm");

QString sendingText()
{
    return Texts::tr("Invio in corso....");
}

constexpr qint64 kRepaintMs = 50;

// The masked field shows "_" where nothing was typed; only a complete,
// real calendar date or clock time passes.
QDate parseDate(const QString &text)
{
    return text.size() == 10 ? QDate::fromString(text, kDateFormat) : QDate();
}

QTime parseTime(const QString &text)
{
    return text.size() == 5 ? QTime::fromString(text, kTimeFormat) : QTime();
}

// Rows of (Numero[, Nominativo]).
void appendTypedNumbers(Database &db, QList<Recipient> &out)
{
    Statement st = db.prepare(QStringLiteral("SELECT Numero FROM tab_dest_number"));
    while (st.next())
        out.append({st.text(0), QString()});
}

void appendContacts(const QList<Contact> &contacts, QList<Recipient> &out)
{
    for (const Contact &c : contacts)
        out.append({c.number, c.name});
}

// The recipients of the message being prepared, each number once: typed
// numbers, then chosen contacts, then members of the chosen groups. A person
// reached by two of these ways, or through two groups, gets one message and
// pays for one.
QList<Recipient> messageRecipients(Database &db)
{
    QList<Recipient> all;
    appendTypedNumbers(db, all);
    appendContacts(chosenContacts(db), all);
    appendContacts(chosenGroupMembers(db), all);
    QList<Recipient> out;
    out.reserve(all.size());
    QSet<QString> seen;
    for (const Recipient &r : std::as_const(all)) {
        if (!seen.contains(r.number)) {
            seen.insert(r.number);
            out.append(r);
        }
    }
    return out;
}

// Puts the pointer back however the send ends.
class BusyScope final
{
public:
    explicit BusyScope(SendView &view)
        : m_view(view)
    {
    }
    ~BusyScope() { m_view.setBusy(false); }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    SendView &m_view;
};

} // namespace

void SendView::showWaiting(const QString &text)
{
    setStatusText(text);
    processEvents();
}

SendProcedure::SendProcedure(Context &ctx, SendView &view)
    : m_ctx(ctx)
    , m_view(view)
    , m_session(session(ctx))
    , m_gateway(m_session.gateway())
{
    m_wrongNumberConnection = QObject::connect(&m_gateway, &GatewayControl::wrongNumber, [this] { wrongNumber(); });
    m_progressConnection = QObject::connect(&m_gateway, &GatewayControl::progress,
                                            [this](qint64 done, qint64 total) { showProgress(done, total); });
}

SendProcedure::~SendProcedure()
{
    QObject::disconnect(m_wrongNumberConnection);
    QObject::disconnect(m_progressConnection);
}

void SendProcedure::wrongNumber()
{
    if (!m_numberErrorSeen) {
        if (m_running)
            m_view.setBusy(false);
        m_ctx.message(Icon::Critical,
                      Texts::tr("Attenzione non tutti i messaggi verranno inoltrati a causa di errori nei "
                                "numeri di cellulare..."));
        if (m_running)
            m_view.setBusy(true);
    }
    m_numberErrorSeen = true;
}

bool SendProcedure::running() const
{
    return m_running;
}

void SendProcedure::showProgress(qint64 done, qint64 total)
{
    if (!m_running)
        return;
    m_view.setStatusText(QStringLiteral("%1 (%2 di %3)").arg(sendingText()).arg(done).arg(total));
    // Repaint now and then, not for every message of a large send.
    if (done >= total || !m_repaintTimer.isValid() || m_repaintTimer.elapsed() >= kRepaintMs) {
        m_view.processEvents();
        m_repaintTimer.restart();
    }
}

void SendProcedure::setRecipients(const QList<Recipient> &recipients)
{
    m_ownRecipients = recipients;
}

bool SendProcedure::numberErrorSeen() const
{
    return m_numberErrorSeen;
}

bool SendProcedure::held() const
{
    return m_held;
}

SendProcedure::Outcome SendProcedure::run()
{
    // Repainting during the send lets events run; a second click must not
    // start a second send into the same control.
    if (m_running)
        return Outcome::Busy;
    m_running = true;
    m_numberErrorSeen = false;
    m_held = false;
    m_afterError.clear();
    Outcome outcome = Outcome::Failed;
    m_statusBefore = m_view.statusText();
    try {
        outcome = send();
    } catch (const Error &e) {
        m_view.setBusy(false);
        ReportError(m_ctx, e);
        if (!m_afterError.isEmpty())
            m_ctx.message(Icon::Information, m_afterError);
    } catch (const std::exception &e) {
        m_view.setBusy(false);
        ReportError(m_ctx, Error(ErrorNo::Internal, QString::fromLocal8Bit(e.what())));
    }
    // A failed send leaves the panel as it was, not "Invio in corso....".
    if (outcome == Outcome::Failed && m_view.statusText().startsWith(sendingText()))
        m_view.setStatusText(m_statusBefore);
    m_running = false;
    if (outcome != Outcome::Sent)
        return outcome;

    // The send has been reported; the checks' failures are their own.
    guarded(m_ctx, [&] { m_session.runServerChecks(m_ctx); });
    return outcome;
}

bool SendProcedure::checkWhen(SendTime &when)
{
    if (!m_view.deferred()) {
        when = SendTime::now();
        return true;
    }
    QDate date = parseDate(m_view.dateText());
    if (!date.isValid()) {
        m_ctx.message(Icon::Critical, Texts::tr("Data errata."));
        m_view.focusField(SendView::Field::Date, true);
        return false;
    }
    if (date < m_ctx.clock.now().date()) {
        m_ctx.message(Icon::Critical, Texts::tr("La data impostata è antecedente alla data attuale."));
        m_view.focusField(SendView::Field::Date, true);
        return false;
    }
    if (m_view.timeText() == QLatin1String("24:00")) {
        // Midnight at the end of the chosen day is the start of the next one.
        date = date.addDays(1);
        m_view.setDateText(date.toString(kDateFormat));
        m_view.setTimeText(QStringLiteral("00:00"));
    }
    const QTime time = parseTime(m_view.timeText());
    // A time the clock skips (summer time) is no time of that day either.
    if (!time.isValid() || !QDateTime(date, time).isValid()) {
        m_ctx.message(Icon::Critical, Texts::tr("Ora errata."));
        m_view.focusField(SendView::Field::Time, true);
        return false;
    }
    when = SendTime::at(QDateTime(date, time));
    return true;
}

SendProcedure::Outcome SendProcedure::send()
{
    const bool whole = !m_ownRecipients && m_view.wholeAddressBook();
    if (!whole && (m_ownRecipients ? m_ownRecipients->size() : m_view.recipientEntries()) == 0) {
        m_ctx.message(Icon::Exclamation, Texts::tr("Nessun destinatario inserito."));
        return Outcome::Stopped;
    }
    const QString text = m_view.messageText();
    if (text.isEmpty()) {
        m_ctx.message(Icon::Exclamation, Texts::tr("Inserire il testo del testo messaggio."));
        m_view.focusField(SendView::Field::Text, false);
        return Outcome::Stopped;
    }
    SendTime when;
    if (!checkWhen(when))
        return Outcome::Stopped;

    QList<Recipient> list;
    if (m_ownRecipients)
        list = *m_ownRecipients;
    else if (!whole)
        list = messageRecipients(m_ctx.db());
    const qint64 total = whole ? addressBookCount(m_ctx.db()) : list.size();
    if (total == 0) {
        m_ctx.message(Icon::Critical, Texts::tr("E' necessario inserire almeno un destinatario per l'invio."));
        return Outcome::Stopped;
    }
    // Each part of a long message is an SMS of its own, to every recipient.
    const qint64 parts = std::max(smsSize(text).parts, 1);
    const Answer answer = m_ctx.message(
        Icon::None,
        Texts::tr("Stai per inoltrare %1 SMS. L'operazione non è reversibile. Desideri continuare?").arg(total * parts),
        Buttons::YesNo);
    if (answer != Answer::Yes)
        return Outcome::Declined;

    // The session gives its gateway the account at the login.
    if (m_gateway.userName().isEmpty())
        m_ctx.windows().showLoginWindow();
    m_view.refreshStatus();
    // What the gateway cannot carry is refused before the send is recorded.
    requireSendable(text, m_gateway.textLimits());

    BusyScope busy(m_view);
    m_statusBefore = m_view.statusText();
    m_view.setStatusText(sendingText());
    m_view.setBusy(true);
    m_view.processEvents();
    m_repaintTimer.restart();

    if (whole) {
        list.reserve(total);
        // Straight into the list: a whole contact per row would cost more than the send's own record.
        forEachNumberAndName(m_ctx.db(), [&list](const QString &number, const QString &name) { list.append({number, name}); });
    } else if (const RecipientRepeats repeats = m_ownRecipients ? RecipientRepeats() : recipientRepeats(m_ctx.db());
               repeats.typed || repeats.listed) {
        // Say why fewer messages leave than the lists show entries.
        QStringList causes;
        if (repeats.typed)
            causes << Texts::tr("Alcuni numeri digitati sono anche di contatti o gruppi scelti per l'invio.");
        if (repeats.listed)
            causes << Texts::tr("I contatti e i gruppi programmati per l'invio hanno nominativi in comune.");
        m_view.setBusy(false);
        m_ctx.message(Icon::Information,
                      causes.join(QLatin1Char('\n'))
                          + Texts::tr("\nPer evitare invii duplicati alla stessa persona, la procedura\n"
                                      "invierà soltanto %1 SMS, e dal tuo account verranno scalati\n"
                                      "soltanto %1 SMS.")
                                .arg(list.size() * parts));
        m_view.setBusy(true);
    }
    {
        // One send at a time from this data folder; then whatever a stopped
        // run left half done is settled before anything new leaves.
        const SendLock lock(m_ctx.db().path(), [this](const QString &t) { m_view.showWaiting(t); });
        m_view.setStatusText(sendingText());
        SendLog::settleInterrupted(m_ctx.db(), m_gateway);
        if (!when.isNow() && !m_gateway.schedules())
            hold(list, text, when);
        else
            handOver(list, text, when);
    }

    // Delivered: a failure from here on is reported, but must not leave the
    // message in place for the user to send a second time.
    m_view.setBusy(false);
    guarded(m_ctx, [&] { m_view.refreshStatus(); });
    guarded(m_ctx, [&] { m_view.newMessage(); });
    if (m_held) {
        m_ctx.message(Icon::Information,
                      Texts::tr("Il gateway non programma gli invii: BrioSMS terrà il messaggio e lo inoltrerà il "
                                "%1, se sarà aperto (oppure con \"briosms send --due\").")
                          .arg(when.moment().toString(kDateFormat + QLatin1Char(' ') + kTimeFormat)));
    } else if (m_numberErrorSeen) {
        m_ctx.message(Icon::Information,
                      Texts::tr("Connessione con il server terminata con successo.\n"
                                "Attenzione...uno o più messaggi non sono stati inoltrati causa errore nel "
                                "numero di cellulare"));
    } else {
        m_ctx.message(Icon::Information, Texts::tr("Messaggio inoltrato con successo"));
    }
    return Outcome::Sent;
}

void SendProcedure::handOver(const QList<Recipient> &recipients, const QString &text, const SendTime &when)
{
    Database &db = m_ctx.db();
    SendLog log = SendLog::open(db, m_gateway, text, when, recipients, m_ctx.clock.now());
    const auto recorded = qScopeGuard([this] { Q_EMIT m_ctx.notifier().sendsRecorded(); });
    if (log.unknownBefore() > 0) {
        m_view.setBusy(false);
        const Answer include = m_ctx.message(
            Icon::Question,
            Texts::tr("Di %1 destinatari su %2 non si sa se abbiano ricevuto questo messaggio in un invio interrotto "
                      "(esito sconosciuto). Inviarlo anche a loro? Chi l'ha già ricevuto lo riceverebbe due volte.")
                .arg(log.unknownBefore())
                .arg(recipients.size()),
            Buttons::YesNoDefaultNo);
        if (include == Answer::Yes)
            log.includeUnknown();
        m_view.setBusy(true);
    }
    if (log.pending().isEmpty()) {
        m_view.setBusy(false);
        m_ctx.message(Icon::Information,
                      log.deliveredBefore() == recipients.size()
                          ? Texts::tr("Questo messaggio è già stato inoltrato a tutti i %1 destinatari in un invio "
                                      "interrotto: non viene inviato di nuovo.")
                                .arg(recipients.size())
                          : Texts::tr("Nessun destinatario da raggiungere: questo messaggio è già stato inoltrato "
                                      "a %1 destinatari su %2, gli altri hanno esito sconosciuto.")
                                .arg(log.deliveredBefore())
                                .arg(recipients.size()));
        m_view.setBusy(true);
        return;
    }
    if (log.deliveredBefore() > 0) {
        m_view.setBusy(false);
        m_ctx.message(Icon::Information,
                      Texts::tr("Questo messaggio è già stato inoltrato a %1 destinatari su %2 in un invio "
                                "interrotto: ora va soltanto ai %3 restanti.")
                          .arg(log.deliveredBefore())
                          .arg(recipients.size())
                          .arg(log.pending().size()));
        m_view.setBusy(true);
    }
    try {
        log.deliver(db, m_gateway, recipients, text, when);
    } catch (const Error &) {
        const qsizetype delivered = log.deliveredBefore() + log.deliveredNow();
        if (delivered > 0)
            m_afterError = Texts::tr("Inoltrati %1 messaggi su %2. Inviando di nuovo lo stesso messaggio, "
                                     "andrà soltanto ai destinatari che non l'hanno ricevuto.")
                               .arg(delivered)
                               .arg(recipients.size());
        throw;
    }
}

void SendProcedure::hold(const QList<Recipient> &recipients, const QString &text, const SendTime &when)
{
    SendLog::open(m_ctx.db(), m_gateway, text, when, recipients, m_ctx.clock.now(), SendLog::State::Held);
    m_held = true;
    Q_EMIT m_ctx.notifier().sendsRecorded();
}

} // namespace brio
