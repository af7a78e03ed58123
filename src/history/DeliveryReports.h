#pragma once

#include "gateway/GatewayControl.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>

namespace brio {

class Database;

using Delivery = GatewayControl::Delivery;

// Kannel's report types (its dlr-mask bits): 1 delivered, 2 failed,
// 4 buffered, 8 taken by the operator's SMSC, 16 refused by it. None for
// anything else.
Delivery kannelDelivery(int type);

// A recipient's delivery state as the history shows it, from its outcome
// letter and its report letter: "consegnato", "non consegnato", "in attesa",
// "sconosciuto" (handed over, no report); empty where nothing was handed over.
QString deliveryWord(const QString &outcome, const QString &report);

// Writes delivery reports into the record of the sends: each recipient's
// state and time, each send's counts. Reports are queued as they are taken
// and written together by flush(), so that a stream of them costs one
// transaction per batch. A final state (delivered, failed) is never turned
// back into waiting by a late report.
class ReportBook final
{
public:
    enum class Verdict { Taken, UnknownSend, UnknownRecipient, Full };

    explicit ReportBook(Database &db);
    // For a book that may be closed and opened again meanwhile (the window's).
    explicit ReportBook(std::function<Database &()> db);
    ~ReportBook(); // writes what is still queued, when it can
    ReportBook(const ReportBook &) = delete;
    ReportBook &operator=(const ReportBook &) = delete;

    // A report for the send with that token and a recipient's number (with
    // or without "+"). Only this folder's sends and their recipients are
    // taken. Throws Error when the record cannot be read.
    Verdict take(const QString &token, const QString &number, Delivery state, const QDateTime &at);
    // A report for a recipient by its place in a send.
    void takePlace(qint64 sendId, qint64 place, Delivery state, const QDateTime &at);

    qsizetype queued() const;
    // Writes the queue in one transaction. Nothing is written while the
    // connection is inside another transaction (the queue then waits for the
    // next call). Throws Error when the database refuses.
    void flush();

    static constexpr qsizetype kMostQueued = 100000;

private:
    struct Report
    {
        qint64 send;
        qint64 place;
        Delivery state;
        QString at;
    };
    qint64 sendOf(const QString &token);
    const QHash<QString, QList<qint64>> &placesOf(qint64 send);

    Database &db();

    std::function<Database &()> m_db;
    Database *m_seen = nullptr; // the caches below are of this one
    QList<Report> m_queue;
    QHash<QString, qint64> m_sends; // token -> send, of sends seen
    QHash<qint64, QHash<QString, QList<qint64>>> m_places; // send -> number -> places
    qsizetype m_placesHeld = 0;
};

// Asks a gateway that keeps delivery reports (the JSON gateway) about the
// recent sends made through it whose recipients still wait for one, and
// records the answers. Returns how many recipients got a state. Throws the
// gateway's Error when it cannot be asked.
qsizetype pollDeliveries(Database &db, GatewayControl &gateway, const QDateTime &now);

} // namespace brio
