#include "refserver/JsonGateway.h"

#include "sms/GsmText.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QUuid>

#include <algorithm>
#include <iterator>

namespace brio::test {

namespace {

constexpr qsizetype kMaxBatch = 1000;
constexpr qint64 kMaxJobMessages = 1000000;
constexpr qint64 kJobLifetimeMs = 3600 * 1000; // since the job's last upload
const QByteArray kAppCode = QByteArrayLiteral("QAZW318PLM");

HttpResponse reply(const QJsonObject &object, int status = 200)
{
    return {status, QJsonDocument(object).toJson(QJsonDocument::Compact)};
}

HttpResponse failure(int status, const QString &code, const QString &message, QJsonObject extra = {})
{
    extra.insert(QStringLiteral("error"), code);
    extra.insert(QStringLiteral("message"), message);
    return reply(extra, status);
}

bool isValidNumber(const QString &number)
{
    return number.size() >= 10 && number.size() <= 15
           && std::all_of(number.cbegin(), number.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool isValidWhen(const QString &when)
{
    return when == QLatin1String("NOW")
           || (when.size() == 16 && QDateTime::fromString(when, QStringLiteral("dd-MM-yyyy HH:mm")).isValid());
}

bool isJobKey(const QByteArray &key)
{
    return key.size() == 36 && key == key.toLower() && !QUuid::fromString(QLatin1String(key)).isNull();
}

} // namespace

JsonGateway::JsonGateway(QByteArray basePath)
    : m_base(std::move(basePath))
{
    m_clock.start();
}

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

void JsonGateway::setTextLimits(int parts, bool unicode)
{
    QMutexLocker lock(&m_mutex);
    m_parts = parts;
    m_unicode = unicode;
}

void JsonGateway::faultAfter(Call call, Fault fault, int count, int skip)
{
    QMutexLocker lock(&m_mutex);
    m_pending.append(Pending{call, count, fault, 0, {}, std::nullopt, false, skip});
}

void JsonGateway::refuse(Call call, int status, const QByteArray &code, int count)
{
    QMutexLocker lock(&m_mutex);
    m_pending.append(Pending{call, count, Fault::None, status, code, std::nullopt, false});
}

void JsonGateway::replyInstead(Call call, const HttpResponse &instead, bool applied, int count)
{
    QMutexLocker lock(&m_mutex);
    m_pending.append(Pending{call, count, Fault::None, 0, {}, instead, applied});
}

void JsonGateway::clearFaults()
{
    QMutexLocker lock(&m_mutex);
    m_pending.clear();
}

void JsonGateway::failDelivery(const QString &number)
{
    QMutexLocker lock(&m_mutex);
    m_undeliverable.insert(number);
}

qint64 JsonGateway::credit(const QString &user) const
{
    QMutexLocker lock(&m_mutex);
    return m_accounts.contains(user) ? m_accounts.value(user).credit : -1;
}

QList<JsonGateway::Delivered> JsonGateway::delivered() const
{
    QMutexLocker lock(&m_mutex);
    return m_delivered;
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

std::optional<JsonGateway::Pending> JsonGateway::take(Call call, bool beforeCall)
{
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (it->call == call && it->beforeCall() == beforeCall) {
            if (it->skip > 0) {
                --it->skip;
                return std::nullopt;
            }
            const Pending p = *it;
            if (--it->count <= 0)
                m_pending.erase(it);
            return p;
        }
    }
    return std::nullopt;
}

HttpResponse JsonGateway::handle(const HttpRequest &request)
{
    QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock.elapsed();
    m_open.removeIf([now](QHash<QByteArray, Job>::iterator it) { return now - it->touched > kJobLifetimeMs; });
    std::optional<Call> call;
    HttpResponse response = dispatch(request, call);
    if (const auto p = call ? take(*call, false) : std::nullopt) {
        if (p->instead)
            response = *p->instead;
        else
            response.fault = p->fault;
    }
    return response;
}

HttpResponse JsonGateway::dispatch(const HttpRequest &request, std::optional<Call> &call)
{
    // {base}/v1/credit, {base}/v1/jobs/{key}/batches/{index}, {base}/v1/jobs/{key}/commit
    const QList<QByteArray> parts = request.path.mid(m_base.size()).split('/');
    const qsizetype n = parts.size();
    if (n == 3 && parts[1] == "v1" && parts[2] == "credit")
        call = Call::Credit;
    else if (n == 6 && parts[1] == "v1" && parts[2] == "jobs" && parts[4] == "batches")
        call = Call::Batch;
    else if (n == 5 && parts[1] == "v1" && parts[2] == "jobs" && parts[4] == "commit")
        call = Call::Commit;
    else if (n == 5 && parts[1] == "v1" && parts[2] == "jobs" && parts[4] == "state")
        call = Call::State;
    else if (n == 5 && parts[1] == "v1" && parts[2] == "jobs" && parts[4] == "delivery")
        call = Call::Delivery;
    else
        return failure(404, QStringLiteral("not_found"), QStringLiteral("No such call"));
    ++m_calls[int(*call)];

    if (const auto p = take(*call, true))
        return p->instead ? *p->instead : failure(p->status, QString::fromLatin1(p->code), QStringLiteral("Refused on request"));
    if (request.method != "POST")
        return failure(405, QStringLiteral("bad_request"), QStringLiteral("POST expected"));
    if (request.headers.value("x-brio-appcode") != kAppCode)
        return failure(403, QStringLiteral("app_code"), QStringLiteral("Unknown application code"));
    const QJsonDocument doc = QJsonDocument::fromJson(request.body);
    if (!doc.isObject())
        return failure(400, QStringLiteral("bad_request"), QStringLiteral("JSON object expected"));
    const QJsonObject body = doc.object();
    const QString user = body.value(QLatin1String("user")).toString();
    const auto account = m_accounts.constFind(user);
    if (account == m_accounts.cend() || body.value(QLatin1String("password")) != QJsonValue(account->password))
        return failure(401, QStringLiteral("credentials"), QStringLiteral("Unknown user or wrong password"));

    if (*call == Call::Credit) {
        QJsonObject answer{{QStringLiteral("credit"), account->credit}, {QStringLiteral("demo"), account->demo}};
        if (m_parts > 1 || m_unicode) {
            answer.insert(QStringLiteral("parts"), m_parts);
            answer.insert(QStringLiteral("unicode"), m_unicode);
        }
        return reply(answer);
    }
    if (*call == Call::Batch)
        return batch(user, parts[3], parts[5], body);
    if (*call == Call::State)
        return state(parts[3]);
    if (*call == Call::Delivery)
        return delivery(parts[3]);
    return commit(user, parts[3], body);
}

HttpResponse JsonGateway::batch(const QString &user, const QByteArray &key, const QByteArray &indexText,
                                const QJsonObject &body)
{
    bool ok = false;
    const qint64 index = indexText.toLongLong(&ok);
    const QJsonArray messages = body.value(QLatin1String("messages")).toArray();
    if (!isJobKey(key) || !ok || index < 0 || messages.isEmpty() || messages.size() > kMaxBatch)
        return failure(400, QStringLiteral("bad_request"), QStringLiteral("Bad job key, batch index or size"));
    if (m_committed.contains(key))
        return failure(409, QStringLiteral("job_committed"), QStringLiteral("Job already committed"));

    QList<Delivered> batch;
    batch.reserve(messages.size());
    // A send repeats one text and one time: each is looked at once, and
    // shares its storage with the messages that repeat it.
    QString lastText;
    QString lastWhen;
    for (const QJsonValue &v : messages) {
        const QJsonObject m = v.toObject();
        Delivered message{user, m.value(QLatin1String("to")).toString(), m.value(QLatin1String("text")).toString(),
                          m.value(QLatin1String("when")).toString()};
        if (message.text.isEmpty() || message.text != lastText) {
            const SmsSize size = smsSize(message.text);
            if (message.text.isEmpty() || size.parts > m_parts || (size.coding == SmsCoding::Ucs2 && !m_unicode))
                return failure(400, QStringLiteral("bad_request"), QStringLiteral("Malformed message"));
            lastText = message.text;
        }
        message.text = lastText;
        if (message.to.isEmpty())
            return failure(400, QStringLiteral("bad_request"), QStringLiteral("Malformed message"));
        if (message.when != lastWhen) {
            if (!isValidWhen(message.when))
                return failure(422, QStringLiteral("bad_date"), QStringLiteral("Bad send time"));
            lastWhen = message.when;
        }
        message.when = lastWhen;
        batch.append(std::move(message));
    }

    qint64 held = batch.size();
    if (const auto open = m_open.constFind(key); open != m_open.cend()) {
        for (auto it = open->batches.cbegin(); it != open->batches.cend(); ++it)
            held += it.key() == index ? 0 : it->size();
    }
    if (held > kMaxJobMessages)
        return failure(413, QStringLiteral("queue_full"), QStringLiteral("Job too large"));

    Job &job = m_open[key];
    job.touched = m_clock.elapsed();
    job.batches.insert(index, batch);
    return reply({{QStringLiteral("job"), QString::fromLatin1(key)},
                  {QStringLiteral("batch"), index},
                  {QStringLiteral("count"), batch.size()}});
}

HttpResponse JsonGateway::commit(const QString &user, const QByteArray &key, const QJsonObject &body)
{
    if (m_committed.contains(key))
        return {200, m_committed.value(key)}; // the applied commit's reply, once more
    const auto open = m_open.find(key);
    if (open == m_open.end())
        return failure(404, QStringLiteral("job_unknown"), QStringLiteral("No such job or expired"));

    // Batch indexes are unique and not negative: 0 .. batches-1 all present.
    // The messages are looked at in place: a refused commit leaves the job as it was.
    const qint64 batches = body.value(QLatin1String("batches")).toInteger(-1);
    QJsonArray refused;
    QJsonArray refusedAt;
    qint64 held = 0;
    qint64 charge = 0; // one credit for every part of every accepted message
    QString lastText;
    qint64 lastParts = 0;
    for (const QList<Delivered> &batch : std::as_const(open->batches)) {
        for (const Delivered &m : batch) {
            if (isValidNumber(m.to)) {
                if (m.text != lastText || lastParts == 0) {
                    lastText = m.text;
                    lastParts = smsSize(m.text).parts;
                }
                charge += lastParts;
            } else {
                refused.append(m.to);
                refusedAt.append(held);
            }
            ++held;
        }
    }
    if (open->batches.size() != batches || open->batches.lastKey() != batches - 1
        || held != body.value(QLatin1String("messages")).toInteger(-1))
        return failure(409, QStringLiteral("incomplete_job"), QStringLiteral("Batches missing"));
    const qsizetype acceptedCount = held - refused.size();
    if (acceptedCount == 0)
        return failure(422, QStringLiteral("wrong_numbers"), QStringLiteral("No valid number"),
                       {{QStringLiteral("refused"), refused}});
    Account &account = m_accounts[user];
    if (charge > account.credit)
        return failure(402, QStringLiteral("credit"), QStringLiteral("Insufficient credit"));

    account.credit -= charge;
    // Applied: the job's messages move out of its batches, and the accepted
    // ones share them when none was refused.
    QList<Delivered> all;
    all.reserve(held);
    for (QList<Delivered> &batch : open->batches) {
        for (Delivered &m : batch)
            all.append(std::move(m));
    }
    QList<Delivered> accepted;
    if (refused.isEmpty()) {
        accepted = all;
    } else {
        accepted.reserve(acceptedCount);
        std::copy_if(all.cbegin(), all.cend(), std::back_inserter(accepted),
                     [](const Delivered &m) { return isValidNumber(m.to); });
    }
    if (m_delivered.isEmpty())
        m_delivered = std::move(accepted);
    else
        m_delivered += accepted;
    const HttpResponse answer = reply({{QStringLiteral("job"), QString::fromLatin1(key)},
                                       {QStringLiteral("accepted"), acceptedCount},
                                       {QStringLiteral("refused"), refused},
                                       {QStringLiteral("refused_at"), refusedAt},
                                       {QStringLiteral("credit"), account.credit}});
    m_committed.insert(key, answer.body);
    m_jobMessages.insert(key, all);
    m_open.erase(open);
    ++m_commitsApplied;
    return answer;
}

HttpResponse JsonGateway::state(const QByteArray &key) const
{
    if (const auto it = m_committed.constFind(key); it != m_committed.cend()) {
        QJsonObject answer = QJsonDocument::fromJson(*it).object();
        answer.insert(QStringLiteral("state"), QStringLiteral("committed"));
        answer.remove(QStringLiteral("credit"));
        return reply(answer);
    }
    if (m_open.contains(key))
        return reply({{QStringLiteral("job"), QString::fromLatin1(key)}, {QStringLiteral("state"), QStringLiteral("open")}});
    return failure(404, QStringLiteral("job_unknown"), QStringLiteral("No such job or expired"));
}

HttpResponse JsonGateway::delivery(const QByteArray &key) const
{
    const auto it = m_jobMessages.constFind(key);
    if (it == m_jobMessages.cend())
        return failure(404, QStringLiteral("job_unknown"), QStringLiteral("No committed job"));
    QJsonArray delivered;
    QJsonArray failed;
    QJsonArray waiting;
    for (qsizetype i = 0; i < it->size(); ++i) {
        const Delivered &m = it->at(i);
        if (!isValidNumber(m.to))
            continue; // refused at the commit: nothing to report
        if (m_undeliverable.contains(m.to))
            failed.append(i);
        else if (m.when != QLatin1String("NOW"))
            waiting.append(i);
        else
            delivered.append(i);
    }
    return reply({{QStringLiteral("job"), QString::fromLatin1(key)},
                  {QStringLiteral("delivered"), delivered},
                  {QStringLiteral("failed"), failed},
                  {QStringLiteral("waiting"), waiting}});
}

} // namespace brio::test
