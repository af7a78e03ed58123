#pragma once

#include "gateway/GatewayControl.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <exception>
#include <functional>

namespace brio {

class Database;

// One recipient of a send: the number as stored (with its "+") and the
// contact's name at the time, empty for a typed number.
struct Recipient
{
    QString number;
    QString name;
};

// The record of one send in tab_invii / tab_invii_dest: what was sent, when,
// through which gateway, and each recipient's outcome. A send that did not
// finish keeps its record open, so that sending the same message again (same
// text, time and recipients) goes only to those who did not get it.
//
// Every hand-over is an attempt with a job key of its own, written with the
// recipients it carries before anything leaves: a row still without outcome
// in an attempt was on its way when the program stopped, and the gateway is
// asked about that key before anyone gets the message again. An outcome
// nobody can tell is recorded as unknown ("U"), never guessed.
class SendLog final
{
public:
    enum class State { Open, Done, Held };

    // The open record of this very send, or a new one, written at once with
    // its first attempt. The earlier outcomes of an open record that were
    // unknown are asked of the gateway again.
    static SendLog open(Database &db, GatewayControl &gateway, const QString &text, const SendTime &when,
                        const QList<Recipient> &recipients, const QDateTime &now, State state = State::Open);

    // Settles the hand-overs a stopped run left without outcome: a keyed
    // gateway is asked what it holds for their keys; otherwise they become
    // unknown. Run with the SendLock held, so that no live run is touched.
    static void settleInterrupted(Database &db, GatewayControl &gateway);

    qint64 id() const;
    // Places in the recipient list still to be handed over.
    const QList<qsizetype> &pending() const;
    // Recipients an earlier try of this send already delivered.
    qsizetype deliveredBefore() const;
    // Recipients of an earlier try whose outcome nobody knows; they are not
    // handed over again unless includeUnknown() is called.
    qsizetype unknownBefore() const;
    void includeUnknown();

    // Hands the pending recipients to the gateway with `when` and writes each
    // one's outcome, also when the gateway fails part-way (the error is then
    // thrown on). Returns how many the gateway took in this try.
    qsizetype deliver(Database &db, GatewayControl &gateway, const QList<Recipient> &recipients, const QString &text,
                      const SendTime &when);
    qsizetype deliveredNow() const;

    // Hands over the held sends whose time has come, each as a send of its
    // own, claimed in one transaction first; a held send the gateway does not
    // take whole stays held for the next call. Waits for another send from
    // the same data folder (SendLock). Returns how many sends went out whole;
    // throws the first gateway error after trying them all.
    static int deliverDue(Database &db, GatewayControl &gateway, const QDateTime &now,
                          const std::function<void(const QString &)> &waiting = {}, int waitMs = -1);

    static QString keyOf(const QString &text, const SendTime &when, const QList<Recipient> &recipients);
    // The job key of one attempt of a record.
    static QString jobKey(const QString &base, qint64 attempt);

private:
    // The outcomes so far of an open or held record, its recipients into
    // `recipients` when given.
    static SendLog load(Database &db, qint64 id, QList<Recipient> *recipients);
    static void settle(Database &db, GatewayControl &gateway, qint64 id, bool unknownToo);
    static void writeState(Database &db, qint64 id, bool held, bool keepOpen = false);
    void begin(Database &db);
    // Hands the pending recipients to the gateway, up to transmit().
    void queue(GatewayControl &gateway, const QList<Recipient> &recipients, const QString &text, const SendTime &when);
    void finish(Database &db, const QHash<qsizetype, GatewayControl::Result> &results, GatewayControl::Result rest);

    qint64 m_id = 0;
    bool m_held = false;
    QString m_base;     // of the job keys
    QString m_token;    // of the delivery reports
    qint64 m_attempt = 0; // 0 until the pending rows are marked as handed over
    QList<qsizetype> m_pending;
    QList<qsizetype> m_unknown;
    qsizetype m_deliveredBefore = 0;
    qsizetype m_deliveredNow = 0;
    bool m_fresh = false; // a new record: nothing to count again
    // The gateway got the first attempt ready while the record was written;
    // deliver() only closes it. What transmit() threw or told meanwhile:
    bool m_prepared = false;
    std::exception_ptr m_prepareError;
    QHash<qsizetype, GatewayControl::Result> m_preparedTold;
};

} // namespace brio
