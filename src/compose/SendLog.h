#pragma once

#include "gateway/GatewayControl.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

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
class SendLog final
{
public:
    enum class State { Open, Done, Held };

    // The open record of this very send, or a new one (written at once, so
    // that a send cut short is remembered).
    static SendLog open(Database &db, const QString &gateway, const QString &text, const QString &when,
                        const QList<Recipient> &recipients, const QDateTime &now, State state = State::Open);

    qint64 id() const;
    // Places in the recipient list still to be handed over.
    const QList<qsizetype> &pending() const;
    // Recipients an earlier try of this send already delivered.
    qsizetype deliveredBefore() const;

    // The outcome of handing over pending(): `results` by index into
    // pending(), `rest` for those not mentioned. The record is closed when
    // nobody is left without an answer from the gateway.
    void finish(Database &db, const QHash<qsizetype, GatewayControl::Result> &results, GatewayControl::Result rest);

    // Hands the pending recipients to the gateway with `when` and writes each
    // one's outcome, also when the gateway fails part-way (the error is then
    // thrown on). Returns how many the gateway took in this try.
    qsizetype deliver(Database &db, GatewayControl &gateway, const QList<Recipient> &recipients, const QString &text,
                      const QString &when);
    qsizetype deliveredNow() const;

    // Hands over the held sends whose time has come, each as a send of its
    // own; a held send the gateway does not take whole stays held for the
    // next call. Returns how many sends went out whole; throws the first
    // gateway error after trying them all.
    static int deliverDue(Database &db, GatewayControl &gateway, const QDateTime &now);

    static QString keyOf(const QString &text, const QString &when, const QList<Recipient> &recipients);

private:
    static SendLog load(Database &db, qint64 id, QList<Recipient> &recipients);

    qint64 m_id = 0;
    bool m_held = false;
    QList<qsizetype> m_pending;
    qsizetype m_deliveredBefore = 0;
    qsizetype m_deliveredNow = 0;
};

} // namespace brio
