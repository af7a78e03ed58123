#include "gateway/SandboxGateway.h"

#include "core/Error.h"
#include "core/FaultPoint.h"
#include "core/Texts.h"
#include "gateway/GsmTextOnly.h"
#include "sms/GsmText.h"
#include "store/Database.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace brio {

namespace {

constexpr qint64 kMaxQueue = 1000000;

// Each hand-over is a job with its key, applied once; the outbox says which
// message of which job each row is. A job's rows are written in one
// transaction, so they are one run of row ids, kept with the job: an index
// over the outbox would cost every row of every send. Files made before get
// the columns.
void ensureJobs(Database &db)
{
    if (!db.tableExists(QStringLiteral("job"))) {
        Transaction tx(db);
        db.exec(QStringLiteral(
            "CREATE TABLE job (id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, account TEXT NOT NULL, "
            "messages INTEGER NOT NULL, first_row INTEGER, last_row INTEGER);"
            "ALTER TABLE outbox ADD COLUMN job_id INTEGER;"
            "ALTER TABLE outbox ADD COLUMN job_index INTEGER;"));
        tx.commit();
        return;
    }
    bool ranges = false;
    {
        Statement st = db.prepare(QStringLiteral("PRAGMA table_info(job)"));
        while (st.next())
            ranges = ranges || st.text(QStringLiteral("name")) == QLatin1String("first_row");
    }
    if (ranges)
        return;
    Transaction tx(db);
    db.exec(QStringLiteral(
        "ALTER TABLE job ADD COLUMN first_row INTEGER;"
        "ALTER TABLE job ADD COLUMN last_row INTEGER;"
        "UPDATE job SET first_row = (SELECT MIN(id) FROM outbox WHERE job_id = job.id), "
        "last_row = (SELECT MAX(id) FROM outbox WHERE job_id = job.id);"
        "DROP INDEX IF EXISTS outbox_job;"));
    tx.commit();
}

void ensureSchema(Database &db)
{
    if (db.tableExists(QStringLiteral("account")))
        return ensureJobs(db);
    // Only a new, empty file is made into the sandbox's: another program's
    // database stays as it is.
    if (!db.tableNames().isEmpty())
        throw Error(ErrorNo::NotADatabase, Texts::tr("non è un file del gateway di prova"));
    Transaction tx(db);
    db.exec(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS account (user TEXT PRIMARY KEY, password TEXT NOT NULL, "
        "credit INTEGER NOT NULL, demo INTEGER NOT NULL DEFAULT 0);"
        "CREATE TABLE IF NOT EXISTS outbox (id INTEGER PRIMARY KEY AUTOINCREMENT, account TEXT NOT NULL, "
        "recipient TEXT NOT NULL, text TEXT NOT NULL, send_at TEXT NOT NULL, accepted_at TEXT NOT NULL);"
        "INSERT OR IGNORE INTO account (user, password, credit, demo) VALUES ('prova', 'prova', 100, 0);"));
    tx.commit();
    ensureJobs(db);
}

// The file is named, so that the user knows which one to look at; this is no
// network fault.
std::unique_ptr<Database> openSandbox(const QString &file)
{
    try {
        auto db = Database::open(file, QString(), Database::Mode::Shared, true);
        // A large job's rows stay in memory until its commit, instead of
        // going to the disk halfway through (and syncing the journal first).
        db->exec(QStringLiteral("PRAGMA cache_size=-65536"));
        ensureSchema(*db);
        return db;
    } catch (const Error &e) {
        throw Error(e.number(), Texts::tr("Il file del gateway di prova \"%1\" non può essere aperto (%2)")
                                    .arg(QDir::toNativeSeparators(file), e.description()));
    }
}

bool isWrongNumber(const QString &number)
{
    if (number.size() < 10 || number.size() > 15)
        return true;
    for (const QChar c : number) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return true;
    }
    return false;
}

bool isValidWhen(const QString &when)
{
    return when == QLatin1String("NOW") || QDateTime::fromString(when, QStringLiteral("dd-MM-yyyy HH:mm")).isValid();
}

} // namespace

SandboxGateway::SandboxGateway(QString databaseFile, QObject *parent)
    : GatewayControl(parent)
    , m_file(std::move(databaseFile))
{
}

SandboxGateway::~SandboxGateway() = default;

Database &SandboxGateway::db()
{
    if (!m_db)
        m_db = openSandbox(m_file);
    return *m_db;
}

void SandboxGateway::setUserName(const QString &user)
{
    m_user = user;
}

QString SandboxGateway::userName() const
{
    return m_user;
}

void SandboxGateway::setPassword(const QString &password)
{
    m_password = password;
}

void SandboxGateway::setAuthenticated(bool)
{
}

void SandboxGateway::setAppCode(const QString &code)
{
    m_appCode = code;
}

SandboxGateway::Account SandboxGateway::account()
{
    Statement st = db().prepare(QStringLiteral("SELECT password, credit, demo FROM account WHERE user = ?"));
    st.bind(1, m_user);
    if (!st.next() || st.text(0) != m_password)
        throw Error(ErrorNo::GatewayBadCredentials, Texts::tr("Credenziali rifiutate"));
    return {st.integer(1), st.integer(2) != 0};
}

bool SandboxGateway::isDemo()
{
    return account().demo;
}

qint64 SandboxGateway::getCredit()
{
    return account().credit;
}

QString SandboxGateway::getVersion()
{
    return QStringLiteral("2.0 (gateway di prova)");
}

GatewayControl::TextLimits SandboxGateway::textLimits() const
{
    return {maxParts(), true};
}

void SandboxGateway::addSMS(const QString &number, const QString &text, const SendTime &when)
{
    if (m_queue.size() >= kMaxQueue) {
        // The refused send is dropped whole, so the next one starts empty.
        m_queue.clear();
        throw Error(ErrorNo::GatewayMaxQueue, Texts::tr("Coda piena"));
    }
    // A send repeats one text: it is looked at once.
    if (text != m_sendableText) {
        requireSendable(text, textLimits());
        m_sendableText = text;
        m_sendableParts = std::max(smsSize(text).parts, 1);
    }
    m_queue.append({number, text, when.storedText(), m_queue.size(), m_sendableParts});
}

void SandboxGateway::transmit()
{
    const QList<Queued> queue = std::exchange(m_queue, {});
    m_accepted.clear();
    m_messages = queue.size();
    if (m_appCode != QLatin1String(kAppCode))
        throw Error(ErrorNo::GatewayAppCode, Texts::tr("Codice applicazione errato"));
    const qint64 credit = account().credit;

    QList<Queued> accepted;
    accepted.reserve(queue.size());
    qint64 charge = 0;
    for (const Queued &q : queue) {
        if (!isValidWhen(q.when))
            throw Error(ErrorNo::GatewayDate, Texts::tr("Data di invio errata"));
        if (!isWrongNumber(q.number)) {
            accepted.append(q);
            charge += q.parts;
        }
    }
    if (charge > credit)
        throw Error(ErrorNo::GatewayCredit, Texts::tr("Credito insufficiente"));
    for (const Queued &q : queue) {
        if (isWrongNumber(q.number)) {
            Q_EMIT messageResult(q.index, Result::WrongNumber);
            Q_EMIT wrongNumber();
        }
    }
    m_accepted = std::move(accepted);
}

bool SandboxGateway::keyed() const
{
    return true;
}

void SandboxGateway::setJobKey(const QString &key)
{
    m_jobKey = key;
}

GatewayControl::JobState SandboxGateway::askJob(const QString &key)
{
    Database &d = db();
    qint64 id = 0;
    qint64 messages = 0;
    {
        Statement st = d.prepare(QStringLiteral("SELECT id, messages FROM job WHERE key = ? AND account = ?"));
        st.bind(1, key).bind(2, m_user);
        if (!st.next())
            return JobState::Absent;
        id = st.integer(0);
        messages = st.integer(1);
    }
    QList<Result> results(messages, Result::WrongNumber); // what the outbox does not hold was refused
    Statement st = d.prepare(QStringLiteral(
        "SELECT job_index, send_at FROM outbox WHERE id BETWEEN (SELECT first_row FROM job WHERE id = ?1) AND "
        "(SELECT last_row FROM job WHERE id = ?1) AND job_id = ?1"));
    st.bind(1, id);
    while (st.next()) {
        const qint64 index = st.integer(0);
        if (index >= 0 && index < messages)
            results[index] = st.text(1) == QLatin1String("NOW") ? Result::Accepted : Result::Queued;
    }
    for (qsizetype i = 0; i < results.size(); ++i)
        Q_EMIT messageResult(i, results.at(i));
    return JobState::Applied;
}

void SandboxGateway::closeConnection()
{
    const QList<Queued> accepted = std::exchange(m_accepted, {});
    const QString key = std::exchange(m_jobKey, {});
    if (accepted.isEmpty())
        return;
    Database &d = db();
    Transaction tx(d);
    qint64 job = 0;
    if (!key.isEmpty()) {
        // A job applied before is not applied again: its outcome is told as it was.
        if (d.scalar(QStringLiteral("SELECT count(*) FROM job WHERE key = ?"), {key}) > 0) {
            tx.commit();
            askJob(key);
            return;
        }
        d.run(QStringLiteral("INSERT INTO job (key, account, messages) VALUES (?, ?, ?)"), {key, m_user, m_messages});
        job = d.lastInsertId();
    }
    const qint64 credit = d.scalar(QStringLiteral("SELECT credit FROM account WHERE user = ?"), {m_user});
    // Every part of a long message is an SMS of its own on the network.
    qint64 charge = 0;
    for (const Queued &q : accepted)
        charge += q.parts;
    if (charge > credit)
        throw Error(ErrorNo::GatewayCredit, Texts::tr("Credito insufficiente"));
    const QString now = QDateTime::currentDateTime().toString(Qt::ISODate);
    Statement insert = d.prepare(QStringLiteral(
        "INSERT INTO outbox (account, recipient, text, send_at, accepted_at, job_id, job_index) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    insert.bind(1, m_user).bind(5, now).bind(6, job == 0 ? QVariant() : QVariant(job));
    qint64 done = 0;
    qint64 firstRow = 0;
    const QString *boundText = nullptr;
    const QString *boundWhen = nullptr;
    for (const Queued &q : accepted) {
        // A send repeats one text and one time: bound again only when they change.
        if (!boundText || q.text != *boundText) {
            insert.bind(3, q.text);
            boundText = &q.text;
        }
        if (!boundWhen || q.when != *boundWhen) {
            insert.bind(4, q.when);
            boundWhen = &q.when;
        }
        insert.bindText(2, q.number).bindInteger(7, q.index).run();
        insert.reset();
        if (firstRow == 0)
            firstRow = d.lastInsertId();
        if (++done % 10000 == 0)
            Q_EMIT progress(done, accepted.size());
    }
    if (job != 0)
        d.run(QStringLiteral("UPDATE job SET first_row = ?, last_row = ? WHERE id = ?"),
              {firstRow, d.lastInsertId(), job});
    d.run(QStringLiteral("UPDATE account SET credit = credit - ? WHERE user = ?"),
          {charge, m_user});
    tx.commit();
    faultPoint("sandbox-committed");
    Q_EMIT progress(accepted.size(), accepted.size());
    // A message for a later time waits in the outbox until then. Accepted
    // goes untold: the caller counts every message not told otherwise as
    // accepted, and a large send is mostly those.
    for (const Queued &q : accepted) {
        if (q.when != QLatin1String("NOW"))
            Q_EMIT messageResult(q.index, Result::Queued);
    }
}

QList<SandboxGateway::Message> SandboxGateway::outbox(const QString &databaseFile)
{
    QList<Message> out;
    if (!QFileInfo(databaseFile).isFile())
        return out;
    auto db = openSandbox(databaseFile);
    Statement st = db->prepare(
        QStringLiteral("SELECT account, recipient, text, send_at, accepted_at FROM outbox ORDER BY id"));
    while (st.next())
        out.append({st.text(0), st.text(1), st.text(2), st.text(3), st.text(4)});
    return out;
}

void SandboxGateway::addAccount(const QString &databaseFile, const QString &user, const QString &password,
                                qint64 credit, bool demo)
{
    auto db = openSandbox(databaseFile);
    db->run(QStringLiteral("INSERT OR REPLACE INTO account (user, password, credit, demo) VALUES (?, ?, ?, ?)"),
            {user, password, credit, demo ? 1 : 0});
}

} // namespace brio
