#include "refserver/JsonGateway.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QUuid>

namespace brio::test {

namespace {

constexpr qsizetype kMaxBatch = 1000;
constexpr qsizetype kMaxText = 160;

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

HttpResponse reply(int status, const QJsonObject &object)
{
    HttpResponse r;
    r.status = status;
    r.body = json(object);
    return r;
}

HttpResponse failure(int status, const QString &code, const QString &message,
                     const QJsonObject &extra = QJsonObject())
{
    QJsonObject o = extra;
    o.insert(QStringLiteral("error"), code);
    o.insert(QStringLiteral("message"), message);
    return reply(status, o);
}

bool isValidNumber(const QString &number)
{
    if (number.size() < 10 || number.size() > 15)
        return false;
    for (const QChar c : number) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool isValidWhen(const QString &when)
{
    if (when == QLatin1String("NOW"))
        return true;
    return when.size() == 16 && QDateTime::fromString(when, QStringLiteral("dd-MM-yyyy HH:mm")).isValid();
}

bool isJobKey(const QByteArray &key)
{
    return key.size() == 36 && key == key.toLower() && !QUuid::fromString(QLatin1String(key)).isNull();
}

bool parseIndex(const QByteArray &text, qint64 &index)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    index = text.toLongLong();
    return true;
}

} // namespace

JsonGateway::JsonGateway(QByteArray basePath)
    : m_base(std::move(basePath))
    , m_appCode(QByteArrayLiteral("QAZW318PLM"))
{
    m_clock.start();
}

JsonGateway::~JsonGateway() = default;

void JsonGateway::install(ReferenceServer &server)
{
    server.setHandler(m_base + '/', [this](const HttpRequest &request) { return handle(request); });
}

QString JsonGateway::url(const ReferenceServer &server) const
{
    return QStringLiteral("http://%1%2").arg(server.hostPort(), QString::fromLatin1(m_base));
}

void JsonGateway::addAccount(const QString &user, const QString &password, qint64 credit, bool demo)
{
    QMutexLocker lock(&m_mutex);
    m_accounts.insert(user, Account{password, credit, demo});
}

void JsonGateway::setAppCode(const QByteArray &code)
{
    QMutexLocker lock(&m_mutex);
    m_appCode = code;
}

void JsonGateway::setMaxJobMessages(qint64 count)
{
    QMutexLocker lock(&m_mutex);
    m_maxJobMessages = count;
}

void JsonGateway::setJobLifetime(qint64 milliseconds)
{
    QMutexLocker lock(&m_mutex);
    m_lifetimeMs = milliseconds;
}

void JsonGateway::expireOpenJobs()
{
    QMutexLocker lock(&m_mutex);
    m_open.clear();
}

void JsonGateway::faultAfter(Call call, Fault fault, int count)
{
    QMutexLocker lock(&m_mutex);
    m_faults.append(Pending{call, count, fault, 0, {}});
}

void JsonGateway::refuse(Call call, int status, const QByteArray &code, int count)
{
    QMutexLocker lock(&m_mutex);
    m_refusals.append(Pending{call, count, Fault::None, status, code});
}

void JsonGateway::clearFaults()
{
    QMutexLocker lock(&m_mutex);
    m_faults.clear();
    m_refusals.clear();
}

qint64 JsonGateway::credit(const QString &user) const
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_accounts.constFind(user);
    return it == m_accounts.cend() ? -1 : it->credit;
}

QList<JsonGateway::Delivered> JsonGateway::delivered() const
{
    QMutexLocker lock(&m_mutex);
    return m_delivered;
}

int JsonGateway::openJobs() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_open.size());
}

int JsonGateway::commitsApplied() const
{
    QMutexLocker lock(&m_mutex);
    return m_commitsApplied;
}

int JsonGateway::calls(Call call) const
{
    QMutexLocker lock(&m_mutex);
    return m_calls[int(call)];
}

void JsonGateway::sweep()
{
    const qint64 now = m_clock.elapsed();
    for (auto it = m_open.begin(); it != m_open.end();) {
        if (now - it->touched > m_lifetimeMs)
            it = m_open.erase(it);
        else
            ++it;
    }
}

HttpResponse JsonGateway::handle(const HttpRequest &request)
{
    QMutexLocker lock(&m_mutex);
    sweep();
    std::optional<Call> call;
    HttpResponse response = dispatch(request, call);
    for (auto it = m_faults.begin(); call && it != m_faults.end(); ++it) {
        if (it->call == *call && it->count > 0) {
            response.fault = it->fault;
            if (--it->count == 0)
                m_faults.erase(it);
            break;
        }
    }
    return response;
}

HttpResponse JsonGateway::dispatch(const HttpRequest &request, std::optional<Call> &call)
{
    // {base}/v1/credit, {base}/v1/jobs/{key}/batches/{index}, {base}/v1/jobs/{key}/commit
    const QList<QByteArray> parts = request.path.mid(m_base.size()).split('/');
    QByteArray key;
    QByteArray index;
    if (parts.size() == 3 && parts[1] == "v1" && parts[2] == "credit") {
        call = Call::Credit;
    } else if (parts.size() == 6 && parts[1] == "v1" && parts[2] == "jobs" && parts[4] == "batches") {
        call = Call::Batch;
        key = parts[3];
        index = parts[5];
    } else if (parts.size() == 5 && parts[1] == "v1" && parts[2] == "jobs" && parts[4] == "commit") {
        call = Call::Commit;
        key = parts[3];
    } else {
        return failure(404, QStringLiteral("not_found"), QStringLiteral("No such call"));
    }
    ++m_calls[int(*call)];

    for (auto it = m_refusals.begin(); it != m_refusals.end(); ++it) {
        if (it->call == *call && it->count > 0) {
            const Pending p = *it;
            if (--it->count == 0)
                m_refusals.erase(it);
            return failure(p.status, QString::fromLatin1(p.code), QStringLiteral("Refused on request"));
        }
    }

    if (request.method != "POST")
        return failure(405, QStringLiteral("bad_request"), QStringLiteral("POST expected"));
    if (request.headers.value("x-brio-appcode") != m_appCode)
        return failure(403, QStringLiteral("app_code"), QStringLiteral("Unknown application code"));
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(request.body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return failure(400, QStringLiteral("bad_request"), QStringLiteral("JSON object expected"));
    const QJsonObject body = doc.object();
    const QString user = body.value(QLatin1String("user")).toString();
    const auto account = m_accounts.constFind(user);
    if (account == m_accounts.cend() || !body.value(QLatin1String("password")).isString()
        || body.value(QLatin1String("password")).toString() != account->password)
        return failure(401, QStringLiteral("credentials"), QStringLiteral("Unknown user or wrong password"));

    switch (*call) {
    case Call::Credit:
        return creditReply(*account);
    case Call::Batch:
        return batch(user, key, index, body);
    case Call::Commit:
        return commit(user, key, body);
    }
    return failure(500, QStringLiteral("server"), QStringLiteral("Unreachable"));
}

HttpResponse JsonGateway::creditReply(const Account &account) const
{
    return reply(200, QJsonObject{{QStringLiteral("credit"), account.credit}, {QStringLiteral("demo"), account.demo}});
}

HttpResponse JsonGateway::batch(const QString &user, const QByteArray &key, const QByteArray &indexText,
                                const QJsonObject &body)
{
    qint64 index = 0;
    if (!isJobKey(key) || !parseIndex(indexText, index))
        return failure(400, QStringLiteral("bad_request"), QStringLiteral("Bad job key or batch index"));
    const QJsonArray messages = body.value(QLatin1String("messages")).toArray();
    if (messages.isEmpty() || messages.size() > kMaxBatch)
        return failure(400, QStringLiteral("bad_request"), QStringLiteral("1 to 1000 messages per batch"));

    if (const auto done = m_committed.constFind(key); done != m_committed.cend()) {
        if (done->owner != user)
            return failure(404, QStringLiteral("job_unknown"), QStringLiteral("No such job"));
        return failure(409, QStringLiteral("job_committed"), QStringLiteral("Job already committed"));
    }
    const auto open = m_open.constFind(key);
    if (open != m_open.cend() && open->owner != user)
        return failure(404, QStringLiteral("job_unknown"), QStringLiteral("No such job"));

    QList<Message> batch;
    batch.reserve(messages.size());
    for (const QJsonValue &v : messages) {
        const QJsonObject m = v.toObject();
        const QJsonValue to = m.value(QLatin1String("to"));
        const QJsonValue text = m.value(QLatin1String("text"));
        const QJsonValue when = m.value(QLatin1String("when"));
        if (!to.isString() || !text.isString() || !when.isString() || to.toString().isEmpty()
            || text.toString().isEmpty() || text.toString().size() > kMaxText)
            return failure(400, QStringLiteral("bad_request"), QStringLiteral("Malformed message"));
        if (!isValidWhen(when.toString()))
            return failure(422, QStringLiteral("bad_date"), QStringLiteral("Bad send time"));
        batch.append(Message{to.toString(), text.toString(), when.toString()});
    }

    qint64 held = 0;
    if (open != m_open.cend()) {
        for (auto it = open->batches.cbegin(); it != open->batches.cend(); ++it) {
            if (it.key() != index)
                held += it->size();
        }
    }
    if (held + batch.size() > m_maxJobMessages)
        return failure(413, QStringLiteral("queue_full"), QStringLiteral("Job too large"));

    Job &job = m_open[key];
    job.owner = user;
    job.touched = m_clock.elapsed();
    const qsizetype count = batch.size();
    job.batches.insert(index, std::move(batch));
    return reply(200, QJsonObject{{QStringLiteral("job"), QString::fromLatin1(key)},
                                  {QStringLiteral("batch"), index},
                                  {QStringLiteral("count"), qint64(count)}});
}

HttpResponse JsonGateway::commit(const QString &user, const QByteArray &key, const QJsonObject &body)
{
    if (!isJobKey(key))
        return failure(400, QStringLiteral("bad_request"), QStringLiteral("Bad job key"));
    if (const auto done = m_committed.constFind(key); done != m_committed.cend()) {
        if (done->owner != user)
            return failure(404, QStringLiteral("job_unknown"), QStringLiteral("No such job"));
        HttpResponse again;
        again.body = done->reply;
        return again;
    }
    const auto open = m_open.find(key);
    if (open == m_open.end() || open->owner != user)
        return failure(404, QStringLiteral("job_unknown"), QStringLiteral("No such job or expired"));

    const qint64 batches = body.value(QLatin1String("batches")).toInteger(-1);
    const qint64 messages = body.value(QLatin1String("messages")).toInteger(-1);
    qint64 held = 0;
    bool complete = open->batches.size() == batches;
    for (qint64 i = 0; complete && i < batches; ++i) {
        const auto it = open->batches.constFind(i);
        complete = it != open->batches.cend();
        if (complete)
            held += it->size();
    }
    if (!complete || held != messages)
        return failure(409, QStringLiteral("incomplete_job"), QStringLiteral("Batches missing"));

    QJsonArray refused;
    qint64 accepted = 0;
    for (const QList<Message> &batch : std::as_const(open->batches)) {
        for (const Message &m : batch) {
            if (isValidNumber(m.to))
                ++accepted;
            else
                refused.append(m.to);
        }
    }
    if (accepted == 0)
        return failure(422, QStringLiteral("wrong_numbers"), QStringLiteral("No valid number"),
                       QJsonObject{{QStringLiteral("refused"), refused}});
    Account &account = m_accounts[user];
    if (accepted > account.credit)
        return failure(402, QStringLiteral("credit"), QStringLiteral("Insufficient credit"));

    account.credit -= accepted;
    const QString job = QString::fromLatin1(key);
    for (const QList<Message> &batch : std::as_const(open->batches)) {
        for (const Message &m : batch) {
            if (isValidNumber(m.to))
                m_delivered.append(Delivered{user, job, m.to, m.text, m.when});
        }
    }
    const QByteArray answer = json(QJsonObject{{QStringLiteral("job"), job},
                                               {QStringLiteral("accepted"), accepted},
                                               {QStringLiteral("refused"), refused},
                                               {QStringLiteral("credit"), account.credit}});
    m_committed.insert(key, Committed{user, answer});
    m_open.erase(open);
    ++m_commitsApplied;
    HttpResponse r;
    r.body = answer;
    return r;
}

} // namespace brio::test
