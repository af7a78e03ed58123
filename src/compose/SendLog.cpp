#include "compose/SendLog.h"

#include "core/Error.h"
#include "store/Database.h"

#include <QCryptographicHash>
#include <QObject>
#include <array>
#include <optional>

namespace brio {

namespace {

// Esito: "" not yet handed over, then one letter per outcome.
QString outcomeCode(GatewayControl::Result result)
{
    switch (result) {
    case GatewayControl::Result::Accepted: return QStringLiteral("A");
    case GatewayControl::Result::Queued: return QStringLiteral("Q");
    case GatewayControl::Result::WrongNumber: return QStringLiteral("E");
    case GatewayControl::Result::NotSent: break;
    }
    return QStringLiteral("N");
}

QString stateCode(SendLog::State state)
{
    switch (state) {
    case SendLog::State::Open: return QStringLiteral("I");
    case SendLog::State::Done: return QStringLiteral("C");
    case SendLog::State::Held: return QStringLiteral("P");
    }
    return QString();
}

} // namespace

QString SendLog::keyOf(const QString &text, const QString &when, const QList<Recipient> &recipients)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(text.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(when.toUtf8());
    for (const Recipient &r : recipients) {
        hash.addData(QByteArrayView("\0", 1));
        hash.addData(r.number.toUtf8());
    }
    return QString::fromLatin1(hash.result().toHex());
}

SendLog SendLog::open(Database &db, const QString &gateway, const QString &text, const QString &when,
                      const QList<Recipient> &recipients, const QDateTime &now, State state)
{
    const QString key = keyOf(text, when, recipients);
    SendLog log;
    Transaction tx(db);
    log.m_id = db.scalar(QStringLiteral("SELECT ID FROM tab_invii WHERE Chiave = ? AND Stato = 'I' ORDER BY ID DESC LIMIT 1"),
                         {key});
    if (log.m_id != 0) {
        Statement st = db.prepare(QStringLiteral("SELECT Posizione, Esito FROM tab_invii_dest WHERE ID_Invio = ? ORDER BY Posizione"));
        st.bind(1, log.m_id);
        while (st.next()) {
            const QString outcome = st.text(1);
            if (outcome == QLatin1String("A") || outcome == QLatin1String("Q"))
                ++log.m_deliveredBefore;
            else
                log.m_pending.append(st.integer(0));
        }
        tx.commit();
        return log;
    }
    db.run(QStringLiteral("INSERT INTO tab_invii (Data, Gateway, Testo, Quando, Chiave, Stato, Destinatari) "
                          "VALUES (?, ?, ?, ?, ?, ?, ?)"),
           {now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), gateway, text, when, key, stateCode(state),
            qint64(recipients.size())});
    log.m_id = db.lastInsertId();
    Statement insert = db.prepare(QStringLiteral(
        "INSERT INTO tab_invii_dest (ID_Invio, Posizione, Numero, Nominativo, Esito) VALUES (?, ?, ?, ?, '')"));
    insert.bind(1, log.m_id);
    log.m_pending.reserve(recipients.size());
    for (qsizetype i = 0; i < recipients.size(); ++i) {
        insert.bind(2, i).bind(3, recipients.at(i).number).bind(4, recipients.at(i).name).run();
        insert.reset();
        log.m_pending.append(i);
    }
    tx.commit();
    return log;
}

SendLog SendLog::load(Database &db, qint64 id, QList<Recipient> &recipients)
{
    SendLog log;
    log.m_id = id;
    log.m_held = true;
    Statement st = db.prepare(
        QStringLiteral("SELECT Posizione, Numero, Nominativo, Esito FROM tab_invii_dest WHERE ID_Invio = ? ORDER BY Posizione"));
    st.bind(1, id);
    while (st.next()) {
        const qsizetype place = recipients.size();
        recipients.append({st.text(1), st.text(2)});
        const QString outcome = st.text(3);
        if (outcome == QLatin1String("A") || outcome == QLatin1String("Q"))
            ++log.m_deliveredBefore;
        else
            log.m_pending.append(place);
    }
    return log;
}

int SendLog::deliverDue(Database &db, GatewayControl &gateway, const QDateTime &now)
{
    struct Held
    {
        qint64 id;
        QString text;
    };
    QList<Held> due;
    Statement st = db.prepare(QStringLiteral("SELECT ID, Testo, Quando FROM tab_invii WHERE Stato = 'P' ORDER BY ID"));
    while (st.next()) {
        const QDateTime when = QDateTime::fromString(st.text(2), QStringLiteral("dd-MM-yyyy HH:mm"));
        if (when.isValid() && when <= now)
            due.append({st.integer(0), st.text(1)});
    }
    int whole = 0;
    std::optional<Error> first;
    for (const Held &h : std::as_const(due)) {
        QList<Recipient> recipients;
        SendLog log = load(db, h.id, recipients);
        try {
            log.deliver(db, gateway, recipients, h.text, QStringLiteral("NOW"));
            ++whole;
        } catch (const Error &e) {
            if (!first)
                first = e;
        }
    }
    if (first)
        throw *first;
    return whole;
}

qint64 SendLog::id() const
{
    return m_id;
}

const QList<qsizetype> &SendLog::pending() const
{
    return m_pending;
}

qsizetype SendLog::deliveredBefore() const
{
    return m_deliveredBefore;
}

qsizetype SendLog::deliveredNow() const
{
    return m_deliveredNow;
}

qsizetype SendLog::deliver(Database &db, GatewayControl &gateway, const QList<Recipient> &recipients,
                           const QString &text, const QString &when)
{
    QHash<qsizetype, GatewayControl::Result> results;
    m_deliveredNow = 0;
    const QMetaObject::Connection told = QObject::connect(
        &gateway, &GatewayControl::messageResult, [&](qsizetype index, GatewayControl::Result result) {
            results.insert(index, result);
            if (result == GatewayControl::Result::Accepted || result == GatewayControl::Result::Queued)
                ++m_deliveredNow;
        });
    try {
        for (const qsizetype place : std::as_const(m_pending)) {
            const QString &number = recipients.at(place).number;
            gateway.addSMS(number.startsWith(QLatin1Char('+')) ? number.mid(1) : number, text, when);
        }
        gateway.transmit();
        gateway.closeConnection();
    } catch (...) {
        QObject::disconnect(told);
        finish(db, results, GatewayControl::Result::NotSent);
        throw;
    }
    QObject::disconnect(told);
    // What a driver did not tell one by one, it accepted.
    m_deliveredNow = 0;
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        const auto r = results.value(i, GatewayControl::Result::Accepted);
        if (r == GatewayControl::Result::Accepted || r == GatewayControl::Result::Queued)
            ++m_deliveredNow;
    }
    finish(db, results, GatewayControl::Result::Accepted);
    return m_deliveredNow;
}

void SendLog::finish(Database &db, const QHash<qsizetype, GatewayControl::Result> &results, GatewayControl::Result rest)
{
    Transaction tx(db);
    // Everybody handed over in one statement first: a large send is mostly
    // "rest"; the outcomes the gateway told one by one follow.
    db.run(QStringLiteral("UPDATE tab_invii_dest SET Esito = ? WHERE ID_Invio = ? AND Esito NOT IN ('A', 'Q')"),
           {outcomeCode(rest), m_id});
    Statement update = db.prepare(QStringLiteral("UPDATE tab_invii_dest SET Esito = ? WHERE ID_Invio = ? AND Posizione = ?"));
    update.bind(2, m_id);
    bool unanswered = false;
    qsizetype told = 0;
    std::array<qint64, 4> byResult{}; // of the pending recipients, by Result
    for (auto it = results.cbegin(); it != results.cend(); ++it) {
        if (it.key() < 0 || it.key() >= m_pending.size())
            continue;
        // The statement above already wrote "rest": drivers that tell every
        // message cost one row update only where the outcome differs.
        if (it.value() != rest) {
            update.bind(1, outcomeCode(it.value())).bind(3, m_pending.at(it.key())).run();
            update.reset();
        }
        ++told;
        ++byResult[size_t(it.value())];
        unanswered = unanswered || it.value() == GatewayControl::Result::NotSent;
    }
    byResult[size_t(rest)] += m_pending.size() - told;
    unanswered = unanswered || (rest == GatewayControl::Result::NotSent && told < m_pending.size());
    const QString state = stateCode(!unanswered ? State::Done : m_held ? State::Held : State::Open);
    // The counts the list of sent messages shows: known here on a first try;
    // after an earlier one, counted over the send's recipients.
    if (m_deliveredBefore == 0) {
        db.run(QStringLiteral("UPDATE tab_invii SET Stato = ?, Accettati = ?, InCoda = ?, Rifiutati = ? WHERE ID = ?"),
               {state, byResult[size_t(GatewayControl::Result::Accepted)],
                byResult[size_t(GatewayControl::Result::Queued)], byResult[size_t(GatewayControl::Result::WrongNumber)],
                m_id});
    } else {
        db.run(QStringLiteral("UPDATE tab_invii SET Stato = ?1, (Accettati, InCoda, Rifiutati) = "
                              "(SELECT TOTAL(Esito = 'A'), TOTAL(Esito = 'Q'), TOTAL(Esito = 'E') FROM tab_invii_dest "
                              "WHERE ID_Invio = ?2) WHERE ID = ?2"),
               {state, m_id});
    }
    tx.commit();
}

} // namespace brio
