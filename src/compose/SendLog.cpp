#include "compose/SendLog.h"

#include "compose/SendLock.h"
#include "core/Error.h"
#include "core/FaultPoint.h"
#include "core/Log.h"
#include "store/Database.h"

#include <QCryptographicHash>
#include <QObject>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QUuid>
#include <array>
#include <numeric>
#include <optional>

namespace brio {

namespace {

// Esito: "" not yet answered, then one letter per outcome.
QString outcomeCode(GatewayControl::Result result)
{
    switch (result) {
    case GatewayControl::Result::Accepted: return QStringLiteral("A");
    case GatewayControl::Result::Queued: return QStringLiteral("Q");
    case GatewayControl::Result::WrongNumber: return QStringLiteral("E");
    case GatewayControl::Result::Unknown: return QStringLiteral("U");
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

bool delivered(GatewayControl::Result r)
{
    return r == GatewayControl::Result::Accepted || r == GatewayControl::Result::Queued;
}

// Collects the outcomes a gateway tells while it is connected.
class Results final
{
public:
    explicit Results(GatewayControl &gateway)
    {
        m_connection = QObject::connect(&gateway, &GatewayControl::messageResult,
                                        [this](qsizetype index, GatewayControl::Result r) { told.insert(index, r); });
    }
    ~Results() { QObject::disconnect(m_connection); }
    Results(const Results &) = delete;
    Results &operator=(const Results &) = delete;

    QHash<qsizetype, GatewayControl::Result> told;

private:
    QMetaObject::Connection m_connection;
};

// Asks a keyed gateway about one job; a failure to ask is an unknown answer.
GatewayControl::JobState ask(GatewayControl &gateway, const QString &key, QHash<qsizetype, GatewayControl::Result> &out)
{
    Results results(gateway);
    GatewayControl::JobState state = GatewayControl::JobState::Unknown;
    try {
        state = gateway.askJob(key);
    } catch (const Error &) {
        state = GatewayControl::JobState::Unknown;
    }
    out = results.told;
    return state;
}

// 128 random bits: the report address of a send carries it, and a report
// naming no send's token is refused.
QString newReportToken()
{
    std::array<quint32, 4> bits{};
    QRandomGenerator::system()->fillRange(bits.data(), bits.size());
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bits.data()), sizeof bits).toHex());
}

} // namespace

QString SendLog::keyOf(const QString &text, const SendTime &when, const QList<Recipient> &recipients)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(text.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(when.storedText().toUtf8());
    // The same bytes as toUtf8(), into one buffer instead of one allocation per number.
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QByteArray buffer;
    for (const Recipient &r : recipients) {
        hash.addData(QByteArrayView("\0", 1));
        if (buffer.size() < utf8.requiredSpace(r.number.size()))
            buffer.resize(utf8.requiredSpace(r.number.size()));
        hash.addData(QByteArrayView(buffer.data(), utf8.appendToBuffer(buffer.data(), r.number)));
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString SendLog::jobKey(const QString &base, qint64 attempt)
{
    return QUuid::createUuidV5(QUuid(base), QByteArray::number(attempt)).toString(QUuid::WithoutBraces);
}

SendLog SendLog::open(Database &db, GatewayControl &gateway, const QString &text, const SendTime &when,
                      const QList<Recipient> &recipients, const QDateTime &now, State state)
{
    const QString key = keyOf(text, when, recipients);
    const qint64 existing = db.scalar(
        QStringLiteral("SELECT ID FROM tab_invii WHERE Chiave = ? AND Stato = 'I' ORDER BY ID DESC LIMIT 1"), {key});
    if (existing != 0) {
        settle(db, gateway, existing, true);
        SendLog log = load(db, existing, nullptr);
        if (log.m_pending.isEmpty() && log.m_unknown.isEmpty())
            writeState(db, existing, false, false); // nothing left to do
        return log;
    }
    SendLog log;
    log.m_fresh = true;
    log.m_base = QUuid::createUuid().toString(QUuid::WithoutBraces);
    log.m_token = newReportToken();
    // A held send is handed over later, as an attempt of its own.
    log.m_attempt = state == State::Held ? 0 : 1;
    log.m_pending.resize(recipients.size());
    std::iota(log.m_pending.begin(), log.m_pending.end(), qsizetype(0));
    // A gateway that only sends at closeConnection() gets the attempt ready
    // while its rows are written; nothing leaves before they are committed.
    log.m_prepared = log.m_attempt > 0 && gateway.preparesUntilClosed();
    if (log.m_prepared) {
        Results results(gateway);
        try {
            log.queue(gateway, recipients, text, when);
        } catch (...) {
            log.m_prepareError = std::current_exception();
        }
        log.m_preparedTold = results.told;
    }
    try {
        Transaction tx(db);
        db.run(QStringLiteral("INSERT INTO tab_invii (Data, Gateway, Testo, Quando, Chiave, Stato, Destinatari, "
                              "Lavoro, Tentativi, InVolo, Gettone) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?9, ?9, ?10)"),
               {now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), gateway.getVersion(), text, when.storedText(), key,
                stateCode(state), qint64(recipients.size()), log.m_base, log.m_attempt, log.m_token});
        log.m_id = db.lastInsertId();
        // The rows of the attempt on its way as a hand-over that goes through
        // leaves them: then nothing is written to each of them afterwards.
        Statement insert = db.prepare(QStringLiteral("INSERT INTO tab_invii_dest (ID_Invio, Posizione, Numero, "
                                                     "Nominativo, Esito, Tentativo, Indice) VALUES (?1, ?2, ?3, ?4, "
                                                     "?5, ?6, ?2)"));
        insert.bind(1, log.m_id)
            .bind(5, log.m_attempt > 0 ? outcomeCode(GatewayControl::Result::Accepted) : QString(QLatin1String("")))
            .bind(6, log.m_attempt);
        for (qsizetype i = 0; i < recipients.size(); ++i) {
            insert.bindInteger(2, i).bindText(3, recipients.at(i).number).bindText(4, recipients.at(i).name).run();
            insert.reset();
        }
        faultPoint("send-recording");
        tx.commit();
    } catch (...) {
        // Not recorded: what the gateway got ready must not leave.
        if (log.m_prepared)
            gateway.dropPrepared();
        throw;
    }
    return log;
}

SendLog SendLog::load(Database &db, qint64 id, QList<Recipient> *recipients)
{
    SendLog log;
    log.m_id = id;
    {
        Statement st = db.prepare(QStringLiteral("SELECT Lavoro, Stato, Gettone FROM tab_invii WHERE ID = ?"));
        st.bind(1, id);
        if (st.next()) {
            log.m_base = st.text(0);
            log.m_held = st.text(1) == QLatin1String("P");
            log.m_token = st.text(2);
        }
    }
    if (log.m_token.isEmpty()) {
        log.m_token = newReportToken();
        db.run(QStringLiteral("UPDATE tab_invii SET Gettone = ? WHERE ID = ?"), {log.m_token, id});
    }
    // Records written before attempts were kept get a base now.
    if (QUuid(log.m_base).isNull()) {
        log.m_base = QUuid::createUuid().toString(QUuid::WithoutBraces);
        db.run(QStringLiteral("UPDATE tab_invii SET Lavoro = ? WHERE ID = ?"), {log.m_base, id});
    }
    Statement st = db.prepare(
        QStringLiteral("SELECT Posizione, Numero, Nominativo, Esito FROM tab_invii_dest WHERE ID_Invio = ? ORDER BY Posizione"));
    st.bind(1, id);
    while (st.next()) {
        const qsizetype place = st.integer(0);
        if (recipients)
            recipients->append({st.text(1), st.text(2)});
        const QString outcome = st.text(3);
        if (outcome == QLatin1String("A") || outcome == QLatin1String("Q"))
            ++log.m_deliveredBefore;
        else if (outcome == QLatin1String("U"))
            log.m_unknown.append(place);
        else
            log.m_pending.append(place);
    }
    return log;
}

void SendLog::settle(Database &db, GatewayControl &gateway, qint64 id, bool unknownToo)
{
    QString gatewayName;
    QString base;
    bool later = false;
    qint64 onItsWay = 0;
    {
        Statement st = db.prepare(QStringLiteral("SELECT Gateway, Lavoro, Quando, InVolo FROM tab_invii WHERE ID = ?"));
        st.bind(1, id);
        if (!st.next())
            return;
        gatewayName = st.text(0);
        base = st.text(1);
        const std::optional<SendTime> when = SendTime::fromStoredText(st.text(2));
        later = !when || !when->isNow();
        onItsWay = st.integer(3);
    }
    QList<qint64> attempts;
    {
        Statement st = db.prepare(QStringLiteral(
            "SELECT DISTINCT Tentativo FROM tab_invii_dest WHERE ID_Invio = ?1 AND Tentativo > 0 AND (Tentativo = ?3 "
            "OR Esito = '' OR (?2 AND Esito = 'U')) ORDER BY Tentativo"));
        st.bind(1, id).bind(2, unknownToo ? 1 : 0).bind(3, onItsWay);
        while (st.next())
            attempts.append(st.integer(0));
    }
    if (attempts.isEmpty()) {
        if (onItsWay > 0) // an attempt that carried nobody
            db.run(QStringLiteral("UPDATE tab_invii SET InVolo = 0 WHERE ID = ?"), {id});
        return;
    }
    // Another gateway than the one that had the job knows nothing of its key.
    const bool askable = gateway.keyed() && !QUuid(base).isNull() && gatewayName == gateway.getVersion();
    for (const qint64 attempt : std::as_const(attempts)) {
        QHash<qsizetype, GatewayControl::Result> told;
        const GatewayControl::JobState state =
            askable ? ask(gateway, jobKey(base, attempt), told) : GatewayControl::JobState::Unknown;
        Transaction tx(db);
        // Its rows were written as if it went through: until the gateway
        // says so, they have no outcome.
        if (attempt == onItsWay)
            db.run(QStringLiteral("UPDATE tab_invii_dest SET Esito = '' WHERE ID_Invio = ? AND Tentativo = ?"),
                   {id, attempt});
        if (state == GatewayControl::JobState::Applied) {
            QHash<qint64, qint64> placeOf; // Indice -> Posizione, of the rows still waiting
            Statement rows = db.prepare(QStringLiteral(
                "SELECT Indice, Posizione FROM tab_invii_dest WHERE ID_Invio = ? AND Tentativo = ? AND Esito IN ('', 'U')"));
            rows.bind(1, id).bind(2, attempt);
            while (rows.next())
                placeOf.insert(rows.integer(0), rows.integer(1));
            Statement update = db.prepare(QStringLiteral("UPDATE tab_invii_dest SET Esito = ? WHERE ID_Invio = ? AND Posizione = ?"));
            update.bind(2, id);
            for (auto it = told.cbegin(); it != told.cend(); ++it) {
                const auto place = placeOf.constFind(it.key());
                if (place == placeOf.cend())
                    continue;
                const GatewayControl::Result r = later && it.value() == GatewayControl::Result::Accepted
                    ? GatewayControl::Result::Queued
                    : it.value();
                update.bind(1, outcomeCode(r)).bind(3, *place).run();
                update.reset();
            }
        } else if (state == GatewayControl::JobState::Absent) {
            db.run(QStringLiteral("UPDATE tab_invii_dest SET Esito = 'N' WHERE ID_Invio = ? AND Tentativo = ? AND Esito IN ('', 'U')"),
                   {id, attempt});
        }
        // Whatever is still without an answer stays unknown.
        db.run(QStringLiteral("UPDATE tab_invii_dest SET Esito = 'U' WHERE ID_Invio = ? AND Tentativo = ? AND Esito = ''"),
               {id, attempt});
        // An interrupted send stays open, so that the same message sent
        // again finds it and goes to nobody who has it.
        writeState(db, id, false, !unknownToo);
        if (attempt == onItsWay)
            db.run(QStringLiteral("UPDATE tab_invii SET InVolo = 0 WHERE ID = ?"), {id});
        tx.commit();
    }
}

void SendLog::settleInterrupted(Database &db, GatewayControl &gateway)
{
    QList<qint64> ids;
    Statement st = db.prepare(QStringLiteral("SELECT ID FROM tab_invii WHERE InVolo > 0 ORDER BY ID"));
    while (st.next())
        ids.append(st.integer(0));
    for (const qint64 id : std::as_const(ids))
        settle(db, gateway, id, false);
}

void SendLog::writeState(Database &db, qint64 id, bool held, bool keepOpen)
{
    db.run(QStringLiteral(
               "UPDATE tab_invii SET (Accettati, InCoda, Rifiutati, Sconosciuti, Stato) = "
               "(SELECT TOTAL(Esito = 'A'), TOTAL(Esito = 'Q'), TOTAL(Esito = 'E'), TOTAL(Esito = 'U'), "
               "CASE WHEN TOTAL(Esito IN ('', 'N')) > 0 THEN (CASE WHEN ?1 THEN 'P' ELSE 'I' END) "
               "WHEN TOTAL(Esito = 'U') > 0 OR ?3 THEN 'I' ELSE 'C' END "
               "FROM tab_invii_dest WHERE ID_Invio = ?2) WHERE ID = ?2"),
           {held ? 1 : 0, id, keepOpen ? 1 : 0});
}

int SendLog::deliverDue(Database &db, GatewayControl &gateway, const QDateTime &now,
                        const std::function<void(const QString &)> &waiting, int waitMs)
{
    const SendLock lock(db.path(), waiting, waitMs);
    settleInterrupted(db, gateway);
    QList<qint64> due;
    {
        Statement st = db.prepare(QStringLiteral("SELECT ID, Quando FROM tab_invii WHERE Stato = 'P' ORDER BY ID"));
        while (st.next()) {
            const std::optional<SendTime> when = SendTime::fromStoredText(st.text(1));
            if (when && !when->isNow() && when->moment() <= now)
                due.append(st.integer(0));
        }
    }
    int whole = 0;
    std::optional<Error> first;
    for (const qint64 id : std::as_const(due)) {
        QString text;
        {
            // The claim: only the run that turns the send from held to open
            // hands it over.
            Transaction tx(db);
            db.run(QStringLiteral("UPDATE tab_invii SET Stato = 'I' WHERE ID = ? AND Stato = 'P'"), {id});
            if (db.changes() != 1)
                continue;
            Statement st = db.prepare(QStringLiteral("SELECT Testo FROM tab_invii WHERE ID = ?"));
            st.bind(1, id);
            st.next();
            text = st.text(0);
            tx.commit();
        }
        QList<Recipient> recipients;
        SendLog log = load(db, id, &recipients);
        log.m_held = true;
        try {
            log.deliver(db, gateway, recipients, text, SendTime::now());
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

qsizetype SendLog::unknownBefore() const
{
    return m_unknown.size();
}

void SendLog::includeUnknown()
{
    m_pending += std::exchange(m_unknown, {});
    std::sort(m_pending.begin(), m_pending.end());
}

qsizetype SendLog::deliveredNow() const
{
    return m_deliveredNow;
}

void SendLog::begin(Database &db)
{
    // The rows of this attempt, with their places in its job, are written
    // before anything is handed over.
    Transaction tx(db);
    db.run(QStringLiteral("UPDATE tab_invii SET Tentativi = Tentativi + 1, InVolo = Tentativi + 1 WHERE ID = ?"), {m_id});
    m_attempt = db.scalar(QStringLiteral("SELECT Tentativi FROM tab_invii WHERE ID = ?"), {m_id});
    Statement mark = db.prepare(QStringLiteral(
        "UPDATE tab_invii_dest SET Esito = ?, Tentativo = ?, Indice = ? WHERE ID_Invio = ? AND Posizione = ?"));
    mark.bind(1, outcomeCode(GatewayControl::Result::Accepted)).bind(2, m_attempt).bind(4, m_id);
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        mark.bind(3, qint64(i)).bind(5, m_pending.at(i)).run();
        mark.reset();
    }
    tx.commit();
}

void SendLog::queue(GatewayControl &gateway, const QList<Recipient> &recipients, const QString &text,
                    const SendTime &when)
{
    gateway.setJobKey(jobKey(m_base, m_attempt));
    gateway.setReportToken(m_token);
    for (const qsizetype place : std::as_const(m_pending)) {
        const QString &number = recipients.at(place).number;
        gateway.addSMS(number.startsWith(QLatin1Char('+')) ? number.mid(1) : number, text, when);
    }
    gateway.transmit();
}

qsizetype SendLog::deliver(Database &db, GatewayControl &gateway, const QList<Recipient> &recipients,
                           const QString &text, const SendTime &when)
{
    if (m_attempt == 0)
        begin(db);
    const QString key = jobKey(m_base, m_attempt);
    m_deliveredNow = 0;
    std::optional<Results> results;
    results.emplace(gateway);
    try {
        if (std::exchange(m_prepared, false)) {
            results->told = std::exchange(m_preparedTold, {});
            if (m_prepareError)
                std::rethrow_exception(std::exchange(m_prepareError, {}));
        } else {
            queue(gateway, recipients, text, when);
        }
        gateway.closeConnection();
    } catch (...) {
        qCWarning(lcGateway, "send %lld attempt %lld: the hand-over of %lld SMS failed; %s", m_id, m_attempt,
                  qlonglong(m_pending.size()), gateway.keyed() ? "asking the gateway" : "the gateway cannot be asked");
        QHash<qsizetype, GatewayControl::Result> told = results->told;
        results.reset();
        const bool inDoubt = std::any_of(told.cbegin(), told.cend(), [](GatewayControl::Result r) {
            return r == GatewayControl::Result::Unknown;
        });
        // Asked at once: the gateway may well know what it did.
        QHash<qsizetype, GatewayControl::Result> answer;
        const GatewayControl::JobState state =
            inDoubt && gateway.keyed() ? ask(gateway, key, answer) : GatewayControl::JobState::Unknown;
        if (state != GatewayControl::JobState::Applied) {
            if (state == GatewayControl::JobState::Absent) {
                for (auto it = told.begin(); it != told.end(); ++it) {
                    if (it.value() == GatewayControl::Result::Unknown)
                        it.value() = GatewayControl::Result::NotSent;
                }
            }
            for (const GatewayControl::Result r : std::as_const(told))
                m_deliveredNow += delivered(r) ? 1 : 0;
            qCWarning(lcGateway, "send %lld attempt %lld: job %s, %lld delivered", m_id, m_attempt,
                      state == GatewayControl::JobState::Absent ? "absent" : "unknown", qlonglong(m_deliveredNow));
            finish(db, told, GatewayControl::Result::NotSent);
            throw;
        }
        // A job for a later time is held by the gateway, not yet delivered.
        if (!when.isNow()) {
            for (auto it = answer.begin(); it != answer.end(); ++it) {
                if (it.value() == GatewayControl::Result::Accepted)
                    it.value() = GatewayControl::Result::Queued;
            }
        }
        results.emplace(gateway);
        results->told = answer;
    }
    const QHash<qsizetype, GatewayControl::Result> told = results->told;
    results.reset();
    // What a driver did not tell one by one, it accepted.
    for (qsizetype i = 0; i < m_pending.size(); ++i)
        m_deliveredNow += delivered(told.value(i, GatewayControl::Result::Accepted)) ? 1 : 0;
    finish(db, told, GatewayControl::Result::Accepted);
    qCInfo(lcGateway, "send %lld attempt %lld: %lld SMS handed over, %lld delivered", m_id, m_attempt,
           qlonglong(m_pending.size()), qlonglong(m_deliveredNow));
    return m_deliveredNow;
}

void SendLog::finish(Database &db, const QHash<qsizetype, GatewayControl::Result> &results, GatewayControl::Result rest)
{
    Transaction tx(db);
    // The rows of this attempt say "accepted" since before the hand-over; a
    // whole send that went through only ends the attempt. Otherwise everybody
    // of it in one statement first; the outcomes told one by one follow.
    if (rest != GatewayControl::Result::Accepted)
        db.run(QStringLiteral("UPDATE tab_invii_dest SET Esito = ? WHERE ID_Invio = ? AND Tentativo = ?"),
               {outcomeCode(rest), m_id, m_attempt});
    Statement update = db.prepare(QStringLiteral("UPDATE tab_invii_dest SET Esito = ? WHERE ID_Invio = ? AND Posizione = ?"));
    update.bind(2, m_id);
    qsizetype told = 0;
    std::array<qint64, 5> byResult{}; // of the pending recipients, by Result
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
    }
    byResult[size_t(rest)] += m_pending.size() - told;
    if (m_fresh) {
        // A new record's counts are known here; an older one's are counted
        // over all its recipients.
        const auto count = [&](GatewayControl::Result r) { return byResult[size_t(r)]; };
        const bool unanswered = count(GatewayControl::Result::NotSent) > 0;
        const State state = unanswered ? (m_held ? State::Held : State::Open)
                                       : count(GatewayControl::Result::Unknown) > 0 ? State::Open : State::Done;
        db.run(QStringLiteral("UPDATE tab_invii SET Stato = ?, Accettati = ?, InCoda = ?, Rifiutati = ?, Sconosciuti = ? "
                              "WHERE ID = ?"),
               {stateCode(state), count(GatewayControl::Result::Accepted), count(GatewayControl::Result::Queued),
                count(GatewayControl::Result::WrongNumber), count(GatewayControl::Result::Unknown), m_id});
    } else {
        writeState(db, m_id, m_held);
    }
    db.run(QStringLiteral("UPDATE tab_invii SET InVolo = 0 WHERE ID = ?"), {m_id});
    tx.commit();
}

} // namespace brio
