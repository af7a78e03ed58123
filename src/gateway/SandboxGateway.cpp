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
#include <exception>
#include <optional>
#include <thread>

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

bool isWrongNumber(QByteArrayView number)
{
    if (number.size() < 10 || number.size() > 15)
        return true;
    return !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The caller hands the same string again and again: no need to compare it.
bool same(const QString &a, const QString &b)
{
    return a.size() == b.size() && (a.constData() == b.constData() || a == b);
}

} // namespace

struct SandboxGateway::Prepared
{
    ~Prepared()
    {
        // Joined before the transaction goes, which rolls back what was not committed.
        if (worker.joinable())
            worker.join();
    }

    QString key;
    QString user;
    qint64 charge = 0;
    qint64 accepted = 0;
    Queue queue;         // the wrong numbers too, which are not written
    CheckedUtf8 numbers; // the queue's, checked once
    std::optional<Transaction> tx;
    bool appliedBefore = false;
    std::exception_ptr error;
    std::thread worker; // last: started once the rest is in place
};

SandboxGateway::SandboxGateway(QString databaseFile, QObject *parent)
    : GatewayControl(parent)
    , m_file(std::move(databaseFile))
{
}

SandboxGateway::~SandboxGateway() = default;

Database &SandboxGateway::db()
{
    // Whoever reads the file now must not see a job that was never closed.
    dropPrepared();
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
    if (m_queue.ends.size() >= kMaxQueue) {
        // The refused send is dropped whole, so the next one starts empty.
        m_queue = {};
        throw Error(ErrorNo::GatewayMaxQueue, Texts::tr("Coda piena"));
    }
    // A send repeats one text: it is looked at once.
    if (m_queue.kinds.isEmpty() || !same(text, m_queue.kinds.constLast().text)
        || !same(when.storedText(), m_queue.kinds.constLast().when)) {
        requireSendable(text, textLimits());
        m_queue.kinds.append({text, when.storedText(), std::max(smsSize(text).parts, 1)});
    }
    const bool ascii = std::all_of(number.begin(), number.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii) {
        for (const QChar c : number)
            m_queue.numbers.append(char(c.unicode()));
    } else {
        m_queue.numbers.append(number.toUtf8());
    }
    m_queue.ends.append(m_queue.numbers.size());
    m_queue.kindOf.append(int(m_queue.kinds.size() - 1));
}

void SandboxGateway::transmit()
{
    m_prepared.reset();
    m_dropped = false;
    Queue queue = std::exchange(m_queue, {});
    if (m_appCode != QLatin1String(kAppCode))
        throw Error(ErrorNo::GatewayAppCode, Texts::tr("Codice applicazione errato"));
    const qint64 credit = account().credit;
    // Every part of a long message is an SMS of its own on the network.
    QList<qsizetype> wrong;
    qint64 charge = 0;
    for (qsizetype i = 0, begin = 0; i < queue.ends.size(); begin = queue.ends.at(i++)) {
        if (isWrongNumber(QByteArrayView(queue.numbers).sliced(begin, queue.ends.at(i) - begin)))
            wrong.append(i);
        else
            charge += queue.kinds.at(queue.kindOf.at(i)).parts;
    }
    if (charge > credit)
        throw Error(ErrorNo::GatewayCredit, Texts::tr("Credito insufficiente"));
    for (const qsizetype i : std::as_const(wrong)) {
        Q_EMIT messageResult(i, Result::WrongNumber);
        Q_EMIT wrongNumber();
    }
    if (wrong.size() == queue.ends.size())
        return;
    m_prepared = std::make_unique<Prepared>();
    Prepared &job = *m_prepared;
    job.key = std::exchange(m_jobKey, {});
    job.user = m_user;
    job.charge = charge;
    job.accepted = queue.ends.size() - wrong.size();
    job.numbers = CheckedUtf8(std::exchange(queue.numbers, {}));
    job.queue = std::move(queue);
    job.worker = std::thread([this, &job] { writeJob(job); });
}

bool SandboxGateway::preparesUntilClosed() const
{
    return true;
}

void SandboxGateway::dropPrepared()
{
    if (m_prepared)
        m_dropped = true;
    m_prepared.reset();
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

// On the worker thread, while the caller records the hand-over: the main
// thread does not touch the connection until it has joined this.
void SandboxGateway::writeJob(Prepared &job)
{
    try {
        Database &d = *m_db;
        job.tx.emplace(d);
        qint64 id = 0;
        if (!job.key.isEmpty()) {
            // A job applied before is not applied again: its outcome is told as it was.
            if (d.scalar(QStringLiteral("SELECT count(*) FROM job WHERE key = ?"), {job.key}) > 0) {
                job.appliedBefore = true;
                return;
            }
            d.run(QStringLiteral("INSERT INTO job (key, account, messages) VALUES (?, ?, ?)"),
                  {job.key, job.user, qint64(job.queue.ends.size())});
            id = d.lastInsertId();
        }
        const qint64 credit = d.scalar(QStringLiteral("SELECT credit FROM account WHERE user = ?"), {job.user});
        if (job.charge > credit)
            throw Error(ErrorNo::GatewayCredit, Texts::tr("Credito insufficiente"));
        const QString now = QDateTime::currentDateTime().toString(Qt::ISODate);
        Statement insert = d.prepare(QStringLiteral("INSERT INTO outbox (account, recipient, text, send_at, "
                                                    "accepted_at, job_id, job_index) VALUES (?, ?, ?, ?, ?, ?, ?)"));
        insert.bind(1, job.user).bind(5, now).bind(6, id == 0 ? QVariant() : QVariant(id));
        const QByteArrayView numbers = job.numbers.bytes();
        qint64 firstRow = 0;
        int bound = -1; // the kind whose text and time are bound
        for (qsizetype i = 0, begin = 0; i < job.queue.ends.size(); begin = job.queue.ends.at(i++)) {
            const qsizetype end = job.queue.ends.at(i);
            if (isWrongNumber(numbers.sliced(begin, end - begin)))
                continue;
            if (const int kind = job.queue.kindOf.at(i); kind != bound) {
                insert.bind(3, job.queue.kinds.at(kind).text).bind(4, job.queue.kinds.at(kind).when);
                bound = kind;
            }
            insert.bindUtf8(2, job.numbers, begin, end).bindInteger(7, i).run();
            insert.reset();
            if (firstRow == 0)
                firstRow = d.lastInsertId();
        }
        if (id != 0)
            d.run(QStringLiteral("UPDATE job SET first_row = ?, last_row = ? WHERE id = ?"),
                  {firstRow, d.lastInsertId(), id});
        d.run(QStringLiteral("UPDATE account SET credit = credit - ? WHERE user = ?"), {job.charge, job.user});
    } catch (...) {
        job.error = std::current_exception();
    }
}

void SandboxGateway::closeConnection()
{
    const std::unique_ptr<Prepared> job = std::exchange(m_prepared, {});
    if (!job) {
        // Told, so that nobody counts the dropped job as accepted.
        if (std::exchange(m_dropped, false))
            throw Error(ErrorNo::GatewayGeneric, Texts::tr("Invio annullato prima della consegna: nessun messaggio è "
                                                           "stato inoltrato"));
        return;
    }
    job->worker.join();
    if (job->error)
        std::rethrow_exception(job->error); // the transaction is rolled back with the job
    faultPoint("sandbox-ready");
    job->tx->commit();
    if (job->appliedBefore) {
        askJob(job->key);
        return;
    }
    faultPoint("sandbox-committed");
    Q_EMIT progress(job->accepted, job->accepted);
    // A message for a later time waits in the outbox until then. Accepted
    // goes untold: the caller counts every message not told otherwise as
    // accepted, and a large send is mostly those.
    const QByteArrayView numbers = job->numbers.bytes();
    for (qsizetype i = 0, begin = 0; i < job->queue.ends.size(); begin = job->queue.ends.at(i++)) {
        if (job->queue.kinds.at(job->queue.kindOf.at(i)).when != QLatin1String("NOW")
            && !isWrongNumber(numbers.sliced(begin, job->queue.ends.at(i) - begin)))
            Q_EMIT messageResult(i, Result::Queued);
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
