#include "history/DeliveryReports.h"

#include "compose/SendLog.h"
#include "core/Error.h"
#include "core/Texts.h"
#include "store/Database.h"

#include <sqlite3.h>

#include <array>

namespace brio {

namespace {

QString reportCode(Delivery state)
{
    switch (state) {
    case Delivery::Delivered: return QStringLiteral("D");
    case Delivery::Failed: return QStringLiteral("F");
    case Delivery::Waiting: return QStringLiteral("W");
    case Delivery::None: break;
    }
    return QString();
}

// The count of tab_invii that a report letter belongs to.
int countOf(const QString &code)
{
    if (code == QLatin1String("D"))
        return 0;
    if (code == QLatin1String("F"))
        return 1;
    if (code == QLatin1String("W"))
        return 2;
    return -1;
}

QString bareNumber(const QString &number)
{
    return number.startsWith(QLatin1Char('+')) ? number.mid(1) : number;
}

// Sends kept in memory by number; past it they are read again.
constexpr qsizetype kMostPlacesHeld = 1000000;
constexpr qsizetype kMostTokensHeld = 10000;

} // namespace

Delivery kannelDelivery(int type)
{
    switch (type) {
    case 1: return Delivery::Delivered;
    case 2:
    case 16: return Delivery::Failed;
    case 4:
    case 8: return Delivery::Waiting;
    default: return Delivery::None;
    }
}

QString deliveryWord(const QString &outcome, const QString &report)
{
    if (report == QLatin1String("D"))
        return Texts::tr("consegnato");
    if (report == QLatin1String("F"))
        return Texts::tr("non consegnato");
    if (report == QLatin1String("W"))
        return Texts::tr("in attesa");
    if (outcome == QLatin1String("A") || outcome == QLatin1String("Q") || outcome == QLatin1String("U"))
        return Texts::tr("sconosciuto");
    return QString();
}

ReportBook::ReportBook(Database &db)
    : m_db([&db]() -> Database & { return db; })
{
}

ReportBook::ReportBook(std::function<Database &()> db)
    : m_db(std::move(db))
{
}

Database &ReportBook::db()
{
    Database &now = m_db();
    if (&now != m_seen) {
        m_sends.clear();
        m_places.clear();
        m_placesHeld = 0;
        m_seen = &now;
    }
    return now;
}

ReportBook::~ReportBook()
{
    try {
        flush();
    } catch (const Error &e) {
        qWarning("Rapporti di consegna non scritti: %s", qUtf8Printable(e.description()));
    }
}

qint64 ReportBook::sendOf(const QString &token)
{
    const auto found = m_sends.constFind(token);
    if (found != m_sends.cend())
        return *found;
    const qint64 id = db().scalar(QStringLiteral("SELECT ID FROM tab_invii WHERE Gettone = ?"), {token});
    // Unknown tokens are not kept: a flood of them must not fill memory.
    if (id != 0) {
        if (m_sends.size() >= kMostTokensHeld)
            m_sends.clear();
        m_sends.insert(token, id);
    }
    return id;
}

const QHash<QString, QList<qint64>> &ReportBook::placesOf(qint64 send)
{
    const auto found = m_places.constFind(send);
    if (found != m_places.cend())
        return *found;
    if (m_placesHeld >= kMostPlacesHeld) {
        m_places.clear();
        m_placesHeld = 0;
    }
    QHash<QString, QList<qint64>> places;
    Statement st = db().prepare(QStringLiteral("SELECT Numero, Posizione FROM tab_invii_dest WHERE ID_Invio = ?"));
    st.bind(1, send);
    while (st.next()) {
        places[bareNumber(st.text(0))].append(st.integer(1));
        ++m_placesHeld;
    }
    return *m_places.insert(send, places);
}

ReportBook::Verdict ReportBook::take(const QString &token, const QString &number, Delivery state, const QDateTime &at)
{
    if (m_queue.size() >= kMostQueued)
        return Verdict::Full;
    db();
    const qint64 send = sendOf(token);
    if (send == 0)
        return Verdict::UnknownSend;
    const QList<qint64> places = placesOf(send).value(bareNumber(number));
    if (places.isEmpty())
        return Verdict::UnknownRecipient;
    const QString time = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    for (const qint64 place : places)
        m_queue.append({send, place, state, time});
    return Verdict::Taken;
}

void ReportBook::takePlace(qint64 sendId, qint64 place, Delivery state, const QDateTime &at)
{
    m_queue.append({sendId, place, state, at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
}

qsizetype ReportBook::queued() const
{
    return m_queue.size();
}

void ReportBook::flush()
{
    if (m_queue.isEmpty())
        return;
    Database &store = db();
    if (sqlite3_get_autocommit(store.handle()) == 0)
        return;
    // Per send: delivered, failed, waiting, and unknown outcomes found taken.
    QHash<qint64, std::array<qint64, 4>> counts;
    Transaction tx(store);
    Statement read = store.prepare(
        QStringLiteral("SELECT Esito, Consegna FROM tab_invii_dest WHERE ID_Invio = ? AND Posizione = ?"));
    Statement write = store.prepare(QStringLiteral(
        "UPDATE tab_invii_dest SET Consegna = ?, ConsegnaOra = ?, Esito = CASE Esito WHEN 'U' THEN 'A' ELSE Esito END "
        "WHERE ID_Invio = ? AND Posizione = ?"));
    for (const Report &r : std::as_const(m_queue)) {
        read.bind(1, r.send).bind(2, r.place);
        if (!read.next()) {
            read.reset();
            continue; // the send was removed meanwhile
        }
        const QString outcome = read.text(0);
        const QString before = read.text(1);
        read.reset();
        const QString now = reportCode(r.state);
        if (now.isEmpty() || now == before
            || (r.state == Delivery::Waiting && (before == QLatin1String("D") || before == QLatin1String("F"))))
            continue;
        write.bind(1, now).bind(2, r.at).bind(3, r.send).bind(4, r.place).run();
        write.reset();
        std::array<qint64, 4> &c = counts[r.send];
        if (countOf(before) >= 0)
            --c[size_t(countOf(before))];
        ++c[size_t(countOf(now))];
        // A report says the gateway took the message after all.
        if (outcome == QLatin1String("U"))
            ++c[3];
    }
    Statement total = store.prepare(QStringLiteral(
        "UPDATE tab_invii SET Consegnati = Consegnati + ?, NonConsegnati = NonConsegnati + ?, InAttesa = InAttesa + ?, "
        "Accettati = Accettati + ?4, Sconosciuti = Sconosciuti - ?4 WHERE ID = ?"));
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        total.bind(1, it.value()[0]).bind(2, it.value()[1]).bind(3, it.value()[2]).bind(4, it.value()[3]).bind(5, it.key()).run();
        total.reset();
    }
    tx.commit();
    m_queue.clear();
}

qsizetype pollDeliveries(Database &db, GatewayControl &gateway, const QDateTime &now)
{
    if (!gateway.reportsKept())
        return 0;
    // Recent sends through this very gateway, whose handed-over recipients
    // still wait for a final state; a bounded number, newest first.
    struct Job
    {
        qint64 send;
        QString base;
        qint64 attempt;
    };
    QList<Job> jobs;
    {
        Statement st = db.prepare(QStringLiteral(
            "SELECT DISTINCT d.ID_Invio, i.Lavoro, d.Tentativo FROM tab_invii i JOIN tab_invii_dest d ON d.ID_Invio = i.ID "
            "WHERE i.ID IN (SELECT ID FROM tab_invii WHERE Gateway = ? AND Data >= ? AND Stato <> 'P' "
            "ORDER BY ID DESC LIMIT 50) AND d.Tentativo > 0 AND d.Esito IN ('A', 'Q', 'U') AND d.Consegna IN ('', 'W') "
            "ORDER BY d.ID_Invio DESC, d.Tentativo"));
        st.bind(1, gateway.getVersion()).bind(2, now.addDays(-7).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        while (st.next())
            jobs.append({st.integer(0), st.text(1), st.integer(2)});
    }
    ReportBook book(db);
    qsizetype told = 0;
    for (const Job &job : std::as_const(jobs)) {
        const QList<GatewayControl::DeliveryNote> notes = gateway.askDelivery(SendLog::jobKey(job.base, job.attempt));
        if (notes.isEmpty())
            continue;
        QHash<qint64, qint64> placeOf; // Indice -> Posizione
        Statement st = db.prepare(
            QStringLiteral("SELECT Indice, Posizione FROM tab_invii_dest WHERE ID_Invio = ? AND Tentativo = ?"));
        st.bind(1, job.send).bind(2, job.attempt);
        while (st.next())
            placeOf.insert(st.integer(0), st.integer(1));
        for (const GatewayControl::DeliveryNote &n : notes) {
            const auto place = placeOf.constFind(n.index);
            if (place == placeOf.cend() || n.state == Delivery::None)
                continue;
            book.takePlace(job.send, *place, n.state, now);
            ++told;
        }
        book.flush();
    }
    return told;
}

} // namespace brio
