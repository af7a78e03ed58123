#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace brio {

struct Context;
class Database;

// The sends recorded in tab_invii / tab_invii_dest, read for the window
// "Messaggi inviati" and for "briosms history".

struct SentFilter
{
    QString text;   // part of the message text
    QString number; // part of a recipient's number; blanks ignored
};

struct SentEntry
{
    qint64 id = 0;
    QString date; // as stored: "yyyy-MM-dd HH:mm:ss"
    QString gateway;
    QString text;
    QString heldUntil; // "dd-mm-yyyy hh:mm" of a send waiting for its time, else empty
    qint64 recipients = 0;
    qint64 accepted = 0;
    qint64 queued = 0;
    qint64 refused = 0; // wrong numbers
    qint64 unknown = 0; // handed over, but nobody can tell whether delivered
    // What the network reported since: delivered, failed, still waiting.
    qint64 delivered = 0;
    qint64 failed = 0;
    qint64 waiting = 0;
    int parts = 1;      // SMS the text takes for each recipient
};

struct SentRecipient
{
    QString number;
    QString name;
    QString outcome; // the Esito letter
    QString report;  // the Consegna letter: "", D, F, W
    QString reportTime; // as stored, when a report came
};

// One screenful of the list, a little more than a tall window shows.
constexpr int kSentPage = 100;

// Newest first; with afterId the page that follows the send with that ID.
QList<SentEntry> readSends(Database &db, const SentFilter &filter, qint64 afterId = 0, int limit = kSentPage);
QList<SentRecipient> readSentRecipients(Database &db, qint64 sendId);

// "accettato", "rifiutato (numero errato)", ...
QString outcomeWord(const QString &outcome);
// "3 accettati, 1 rifiutato" (with "2 SMS ciascuno" for a long text), or
// the time a held send waits for.
QString outcomeSummary(const SentEntry &entry);
// "2 consegnati, 1 non consegnato, 3 in attesa" from the delivery reports,
// with those handed over that no report speaks of as "sconosciuti"; empty
// for a send nothing was handed over in.
QString deliverySummary(const SentEntry &entry);
// "15-06-2026 10:30" from the stored form.
QString shownDate(const QString &stored);

// Forgets the sends made before that day, except those still waiting for
// their time; returns how many went. One transaction.
int removeSendsBefore(Database &db, const QDate &day);
int removeSends(Database &db, const QList<qint64> &ids);

// Makes the send the message in preparation: its text and its recipients
// (contacts still in the book as chosen contacts, the others as typed
// numbers), then tells the windows. Throws Error.
void resendToMessage(Context &ctx, qint64 sendId);

} // namespace brio
