#include "gateway/HttpGateway.h"

#include "context/Context.h"
#include "core/Error.h"
#include "core/Texts.h"
#include "gateway/GsmTextOnly.h"
#include "net/HttpClient.h"
#include "net/NetworkWait.h"
#include "sms/GsmText.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

#include <algorithm>

namespace brio {

namespace {

const QByteArray kJsonType = QByteArrayLiteral("application/json; charset=utf-8");

void appendJsonString(QByteArray &out, const QString &s)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const QByteArray u = s.toUtf8();
    out += '"';
    qsizetype run = 0;
    for (qsizetype i = 0; i < u.size(); ++i) {
        const auto c = static_cast<uchar>(u.at(i));
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(u.constData() + run, i - run);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        }
        run = i + 1;
    }
    out.append(u.constData() + run, u.size() - run);
    out += '"';
}

// A send repeats one text and one time for every recipient: encode them once.
const QByteArray &encodedOnce(const QString &value, QString &last, QByteArray &json)
{
    if (json.isEmpty() || value != last) {
        last = value;
        json.clear();
        appendJsonString(json, value);
    }
    return json;
}

// The gateway's own failure codes; a commit refused with one of them was not applied.
const QHash<QString, int> &knownCodes()
{
    static const QHash<QString, int> byCode{
        {QStringLiteral("app_code"), ErrorNo::GatewayAppCode},
        {QStringLiteral("credentials"), ErrorNo::GatewayBadCredentials},
        {QStringLiteral("bad_request"), ErrorNo::GatewayBadParameters},
        {QStringLiteral("credit"), ErrorNo::GatewayCredit},
        {QStringLiteral("queue_full"), ErrorNo::GatewayMaxQueue},
        {QStringLiteral("wrong_numbers"), ErrorNo::GatewayWrongNumbers},
        {QStringLiteral("bad_sender"), ErrorNo::GatewaySender},
        {QStringLiteral("bad_date"), ErrorNo::GatewayDate},
        {QStringLiteral("job_unknown"), ErrorNo::GatewayServer},
        {QStringLiteral("incomplete_job"), ErrorNo::GatewayServer},
        {QStringLiteral("server"), ErrorNo::GatewayServer},
    };
    return byCode;
}

int numberForCode(const QString &code, int status)
{
    if (const auto it = knownCodes().constFind(code); it != knownCodes().cend())
        return *it;
    if (status == 401)
        return ErrorNo::GatewayBadCredentials;
    if (status == 402)
        return ErrorNo::GatewayCredit;
    if (status >= 500)
        return ErrorNo::GatewayServer;
    return ErrorNo::GatewayGeneric;
}

// A whole number, not negative.
bool isCount(const QJsonValue &v)
{
    return v.isDouble() && v.toInteger(-1) >= 0;
}

} // namespace

HttpGateway::HttpGateway(const QUrl &url, int timeoutSeconds, QObject *parent)
    : GatewayControl(parent)
    , m_url(url)
{
    m_http = std::make_unique<HttpClient>((timeoutSeconds > 0 ? timeoutSeconds : 20) * 1000);
    m_base = url.path(QUrl::FullyEncoded).toUtf8();
    while (m_base.endsWith('/'))
        m_base.chop(1);
}

HttpGateway::~HttpGateway() = default;

QUrl HttpGateway::checkUrl(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    auto refuse = [](const QString &why) { throw Error(ErrorNo::BadGatewayAddress, why); };
    if (!url.isValid() || url.host().isEmpty())
        refuse(Texts::tr("indirizzo malformato o porta non valida"));
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        refuse(Texts::tr("si usano sandbox:, https:// oppure http:// sul computer locale"));
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        refuse(Texts::tr("niente credenziali, parametri o frammenti nell'indirizzo"));
    if (scheme == QLatin1String("http") && !isLoopbackHost(url.host()))
        refuse(Texts::tr("%1 va raggiunto con https: in chiaro è ammesso solo il computer locale").arg(url.host()));
    QUrl normal = url;
    normal.setScheme(scheme);
    return normal;
}

void HttpGateway::setUserName(const QString &user)
{
    m_user = user;
}

QString HttpGateway::userName() const
{
    return m_user;
}

void HttpGateway::setPassword(const QString &password)
{
    m_password = password;
}

void HttpGateway::setAuthenticated(bool)
{
    // The server checks the credentials on every call.
}

void HttpGateway::setAppCode(const QString &code)
{
    // Sent as a header line: a line break would end it early.
    m_appCode = code.toUtf8().replace('\r', "").replace('\n', "");
}

QByteArray HttpGateway::accountFields() const
{
    QByteArray out = "\"user\":";
    appendJsonString(out, m_user);
    out += ",\"password\":";
    appendJsonString(out, m_password);
    return out;
}

QByteArray HttpGateway::jobPath(const QByteArray &key) const
{
    return m_base + "/v1/jobs/" + key;
}

HttpClient::Headers HttpGateway::headers() const
{
    return {{QByteArrayLiteral("Accept"), QByteArrayLiteral("application/json")},
            {QByteArrayLiteral("X-Brio-AppCode"), m_appCode}};
}

QUrl HttpGateway::target(const QByteArray &path) const
{
    QUrl url = m_url;
    url.setPath(QString::fromUtf8(path), QUrl::StrictMode);
    return url;
}

void HttpGateway::failed(const HttpFailure &f, bool lastTry) const
{
    switch (f.kind()) {
    case HttpFailure::Kind::Malformed:
    case HttpFailure::Kind::TooLarge:
        throw Error(ErrorNo::GatewayGeneric, Texts::tr("Risposta del gateway non valida: %1").arg(f.detail()));
    case HttpFailure::Kind::Certificate:
        throw Error(ErrorNo::UntrustedServer,
                    Texts::tr("Il certificato del gateway %1 non è valido, la connessione è stata rifiutata (%2)")
                        .arg(m_url.host(), f.detail()));
    case HttpFailure::Kind::Connect:
    case HttpFailure::Kind::Lost:
    case HttpFailure::Kind::Timeout:
        break;
    }
    if (lastTry)
        throw Error(ErrorNo::GatewayNoConnection,
                    Texts::tr("Gateway %1 non raggiungibile: %2").arg(m_url.host(), f.detail()));
}

HttpGateway::Answer HttpGateway::exchange(const QByteArray &path, const QByteArray &body, int tries, int triedBefore)
{
    HttpClient::Reply reply;
    for (int attempt = triedBefore + 1;; ++attempt) {
        try {
            reply = m_http->post(target(path), kJsonType, body, headers());
            break;
        } catch (const HttpFailure &f) {
            failed(f, attempt >= tries);
            NetworkWait::sleep(100 * attempt);
        }
    }
    return answerOf(reply);
}

HttpGateway::Answer HttpGateway::answerOf(const HttpClient::Reply &reply) const
{
    Answer answer;
    answer.status = reply.status;
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(reply.body, &parseError);
    const bool isObject = parseError.error == QJsonParseError::NoError && doc.isObject();
    answer.body = doc.object();
    if (reply.status == 200 && !isObject)
        throw Error(ErrorNo::GatewayGeneric, Texts::tr("Risposta del gateway non valida (JSON atteso)"));
    if (reply.status != 200 && isObject)
        answer.code = answer.body.value(QLatin1String("error")).toString();
    return answer;
}

void HttpGateway::raise(const Answer &answer) const
{
    const int number = numberForCode(answer.code, answer.status);
    QString text = Texts::tr("Il gateway ha risposto %1").arg(answer.status);
    if (!answer.code.isEmpty())
        text += QStringLiteral(" (%1)").arg(answer.code);
    const QString message = answer.body.value(QLatin1String("message")).toString();
    if (!message.isEmpty())
        text += QStringLiteral(": ") + message;
    throw Error(number, text);
}

QJsonObject HttpGateway::account()
{
    const Answer a = exchange(m_base + "/v1/credit", '{' + accountFields() + '}', 1);
    if (a.status != 200)
        raise(a);
    const QJsonValue demo = a.body.value(QLatin1String("demo"));
    if (!isCount(a.body.value(QLatin1String("credit"))) || !(demo.isBool() || demo.isUndefined()))
        throw Error(ErrorNo::GatewayGeneric, Texts::tr("Risposta del gateway senza credito valido"));
    // A server that says nothing takes what version 1 of the protocol took.
    const QJsonValue parts = a.body.value(QLatin1String("parts"));
    m_serverLimits = TextLimits{isCount(parts) ? int(std::min<qint64>(parts.toInteger(), kMaxParts)) : 1,
                                a.body.value(QLatin1String("unicode")).toBool()};
    return a.body;
}

bool HttpGateway::isDemo()
{
    return account().value(QLatin1String("demo")).toBool();
}

qint64 HttpGateway::getCredit()
{
    return account().value(QLatin1String("credit")).toInteger();
}

GatewayControl::TextLimits HttpGateway::textLimits() const
{
    const TextLimits server = m_serverLimits.value_or(TextLimits{});
    return {std::clamp(server.parts, 1, maxParts()), server.ucs2};
}

QString HttpGateway::getVersion()
{
    return QStringLiteral("%1 (gateway %2)").arg(programVersionText(), m_url.host());
}

void HttpGateway::addSMS(const QString &number, const QString &text, const SendTime &when)
{
    if (m_starts.size() >= kMaxQueue) {
        // The refused send is dropped whole, so the next one starts empty.
        m_queue.clear();
        m_starts.clear();
        m_numbers.clear();
        m_later.clear();
        throw Error(ErrorNo::GatewayMaxQueue, Texts::tr("Coda piena"));
    }
    if (text != m_sendableText) {
        // More than one GSM 03.38 message: ask the server what it takes, once.
        const SmsSize size = smsSize(text);
        if (!m_serverLimits && (size.parts > 1 || size.coding == SmsCoding::Ucs2))
            account();
        requireSendable(text, textLimits());
        m_sendableText = text;
    }
    m_numbers.append(number);
    m_later.append(!when.isNow());
    m_starts.append(m_queue.size());
    m_queue += "{\"to\":";
    appendJsonString(m_queue, number);
    m_queue += ",\"text\":";
    m_queue += encodedOnce(text, m_lastText, m_lastTextJson);
    m_queue += ",\"when\":";
    m_queue += encodedOnce(when.storedText(), m_lastWhen, m_lastWhenJson);
    m_queue += "},";
}

void HttpGateway::transmit()
{
    const QByteArray queue = std::exchange(m_queue, {});
    QList<qsizetype> starts = std::exchange(m_starts, {});
    QStringList numbers = std::exchange(m_numbers, {});
    QList<bool> later = std::exchange(m_later, {});
    m_job.reset();
    const qsizetype total = starts.size();
    if (total == 0)
        return;
    starts.append(queue.size());

    Job job;
    job.messages = total;
    job.numbers = std::move(numbers);
    job.later = std::move(later);
    job.fingerprint = qHashBits(queue.constData(), size_t(queue.size()), qHash(m_user));
    // The key the caller recorded; else the same messages again after a
    // commit whose outcome is unknown are the same job, so that the server
    // delivers them at most once.
    if (!m_givenKey.isEmpty())
        job.key = std::exchange(m_givenKey, {});
    else if (m_uncertain && m_uncertain->fingerprint == job.fingerprint && m_uncertain->messages == total
        && m_uncertainUser == m_user)
        job.key = m_uncertain->key;
    else
        job.key = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);

    const QByteArray prefix = '{' + accountFields() + ",\"messages\":[";
    QList<HttpClient::Post> batches;
    QList<QByteArray> paths;
    for (qsizetype first = 0; first < total; first += kBatchSize) {
        const qsizetype last = std::min(first + kBatchSize, total);
        QByteArray body;
        body.reserve(prefix.size() + starts[last] - starts[first] + 2);
        body += prefix;
        body.append(queue.constData() + starts[first], starts[last] - starts[first] - 1); // no trailing ','
        body += "]}";
        paths.append(jobPath(job.key) + "/batches/" + QByteArray::number(paths.size()));
        batches.append({target(paths.last()), body});
    }
    Q_EMIT progress(0, total);
    // The first batch alone, as it makes the job; the others travel
    // together. Uploads deliver nothing and an upload repeated replaces its
    // batch, so their order and a repeat are harmless.
    QList<HttpClient::Outcome> outcomes;
    for (qsizetype index = 0; index < batches.size(); ++index) {
        const QByteArray &path = paths.at(index);
        if (index == 1)
            outcomes = m_http->postAll(batches.mid(1), kJsonType, headers(), kUploadWindow);
        Answer a;
        if (index == 0) {
            a = exchange(path, batches.at(index).body, kUploadTries);
        } else if (const HttpClient::Outcome &o = outcomes.at(index - 1); o.failure) {
            failed(*o.failure, kUploadTries <= 1);
            NetworkWait::sleep(100);
            a = exchange(path, batches.at(index).body, kUploadTries, 1);
        } else {
            a = answerOf(o.reply);
        }
        if (a.status == 409 && a.code == QLatin1String("job_committed"))
            break; // the commit repeats the stored result
        if (a.status != 200)
            raise(a);
        Q_EMIT progress(std::min((index + 1) * kBatchSize, total), total);
    }
    m_job = job;
}

void HttpGateway::closeConnection()
{
    if (!m_job)
        return;
    const Job job = *std::exchange(m_job, std::nullopt);
    const qsizetype batches = (job.messages + kBatchSize - 1) / kBatchSize;
    const QByteArray body = '{' + accountFields() + ",\"batches\":" + QByteArray::number(batches)
        + ",\"messages\":" + QByteArray::number(job.messages) + '}';

    // Until the server says what it did, this job may have been applied: the
    // key is kept for a resend of the same messages. Only a refusal in the
    // gateway's own terms says that nothing happened.
    m_uncertain = job;
    m_uncertainUser = m_user;
    Answer a;
    try {
        a = exchange(jobPath(job.key) + "/commit", body, kCommitTries);
    } catch (const Error &) {
        tellUnknown(job);
        throw;
    }
    if (a.status != 200) {
        // Only a refusal in the gateway's own terms says that the commit was
        // not applied; a server failure may come after it was.
        if (a.status >= 400 && a.status <= 499 && knownCodes().contains(a.code)) {
            m_uncertain.reset();
            if (a.code == QLatin1String("wrong_numbers"))
                tellResults(job, a.body.value(QLatin1String("refused")).toArray(), false);
        } else {
            tellUnknown(job);
        }
        raise(a);
    }
    // Sent only when the reply says what was accepted, and it adds up.
    const QJsonValue accepted = a.body.value(QLatin1String("accepted"));
    const QJsonValue refused = a.body.value(QLatin1String("refused"));
    const QJsonArray refusedList = refused.toArray();
    const bool namesRefused = std::all_of(refusedList.cbegin(), refusedList.cend(),
                                          [](const QJsonValue &v) { return v.isString(); });
    if (a.body.value(QLatin1String("job")) != QJsonValue(QString::fromLatin1(job.key)) || !isCount(accepted)
        || !refused.isArray() || !namesRefused || accepted.toInteger() + refusedList.size() != job.messages) {
        tellUnknown(job);
        throw Error(ErrorNo::GatewayGeneric, Texts::tr("Risposta del gateway al commit non valida"));
    }
    m_uncertain.reset();
    Q_EMIT progress(job.messages, job.messages);
    for (qsizetype i = 0; i < refusedList.size(); ++i)
        Q_EMIT wrongNumber();
    tellResults(job, refusedList, true);
}

void HttpGateway::tellResults(const Job &job, const QJsonArray &refused, bool acceptedRest)
{
    // The refused numbers come in the order of the job.
    qsizetype next = 0;
    for (qsizetype i = 0; i < job.numbers.size(); ++i) {
        if (next < refused.size() && refused.at(next).toString() == job.numbers.at(i)) {
            ++next;
            Q_EMIT messageResult(i, Result::WrongNumber);
        } else if (acceptedRest && job.later.value(i)) {
            // Accepted goes untold: the caller counts every message not told
            // otherwise as accepted, and a large send is mostly those.
            Q_EMIT messageResult(i, Result::Queued);
        }
    }
}

void HttpGateway::tellUnknown(const Job &job)
{
    for (qsizetype i = 0; i < job.messages; ++i)
        Q_EMIT messageResult(i, Result::Unknown);
}

bool HttpGateway::keyed() const
{
    return true;
}

void HttpGateway::setJobKey(const QString &key)
{
    m_givenKey = key.toLatin1();
}

GatewayControl::JobState HttpGateway::askJob(const QString &key)
{
    const QByteArray k = key.toLatin1();
    const Answer a = exchange(jobPath(k) + "/state", '{' + accountFields() + '}', kCommitTries);
    if (a.status == 404 && a.code == QLatin1String("job_unknown"))
        return JobState::Absent; // never uploaded, or expired uncommitted
    if (a.status != 200)
        raise(a);
    const QString state = a.body.value(QLatin1String("state")).toString();
    if (a.body.value(QLatin1String("job")) != QJsonValue(key))
        return JobState::Unknown;
    if (state == QLatin1String("open"))
        return JobState::Absent; // uploaded, never committed: nothing delivered
    if (state != QLatin1String("committed"))
        return JobState::Unknown;
    const QJsonValue accepted = a.body.value(QLatin1String("accepted"));
    const QJsonArray refusedAt = a.body.value(QLatin1String("refused_at")).toArray();
    if (!isCount(accepted))
        return JobState::Unknown;
    const qsizetype messages = accepted.toInteger() + refusedAt.size();
    QList<Result> results(messages, Result::Accepted);
    for (const QJsonValue &v : refusedAt) {
        if (!isCount(v) || v.toInteger() >= messages)
            return JobState::Unknown;
        results[v.toInteger()] = Result::WrongNumber;
    }
    if (m_uncertain && m_uncertain->key == k)
        m_uncertain.reset();
    for (qsizetype i = 0; i < messages; ++i)
        Q_EMIT messageResult(i, results.at(i));
    return JobState::Applied;
}

bool HttpGateway::reportsKept() const
{
    return true;
}

QList<GatewayControl::DeliveryNote> HttpGateway::askDelivery(const QString &key)
{
    const QByteArray k = key.toLatin1();
    const Answer a = exchange(jobPath(k) + "/delivery", '{' + accountFields() + '}', kCommitTries);
    if (a.status == 404 && a.code == QLatin1String("job_unknown"))
        return {}; // nothing of that job went out
    if (a.status != 200)
        raise(a);
    if (a.body.value(QLatin1String("job")) != QJsonValue(key))
        return {};
    QList<DeliveryNote> notes;
    for (const auto &[name, state] : {std::pair{"delivered", Delivery::Delivered}, std::pair{"failed", Delivery::Failed},
                                      std::pair{"waiting", Delivery::Waiting}}) {
        const QJsonArray places = a.body.value(QLatin1String(name)).toArray();
        for (const QJsonValue &v : places) {
            if (isCount(v))
                notes.append({qsizetype(v.toInteger()), state});
        }
    }
    return notes;
}

} // namespace brio
