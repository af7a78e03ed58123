#include "carddav/CardDavClient.h"

#include "core/Error.h"
#include "core/Texts.h"
#include "net/HttpClient.h"

#include <QXmlStreamReader>

namespace brio {

namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

// One <response> of a multistatus, with the properties of its 2xx propstats.
struct DavResponse
{
    QString href;
    int status = 0; // of the response itself (404: removed), 0 when it has none
    QByteArray etag;
    QByteArray addressData;
    QString displayName;
    bool addressBook = false;
    QStringList hrefs; // inside current-user-principal or addressbook-home-set
};

struct MultiStatus
{
    QList<DavResponse> responses;
    QString syncToken;
};

int statusOf(const QString &line)
{
    // "HTTP/1.1 200 OK"
    return line.section(QLatin1Char(' '), 1, 1).toInt();
}

MultiStatus parseMultiStatus(const QByteArray &body)
{
    MultiStatus out;
    QXmlStreamReader xml(body);
    QStringList path; // local names of the open elements, DAV and CardDAV only
    DavResponse current;
    DavResponse props; // of the propstat being read
    int propStatus = 0;
    QString text;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const bool ours = xml.namespaceUri() == kDav || xml.namespaceUri() == kCardDav;
            path << (ours ? xml.name().toString() : QStringLiteral("?"));
            text.clear();
            if (path.endsWith(QStringLiteral("response")))
                current = DavResponse();
            else if (path.endsWith(QStringLiteral("propstat")))
                props = DavResponse(), propStatus = 0;
            else if (xml.namespaceUri() == kCardDav && xml.name() == QLatin1String("addressbook")
                     && path.size() >= 2 && path.at(path.size() - 2) == QLatin1String("resourcetype"))
                props.addressBook = true;
            break;
        }
        case QXmlStreamReader::Characters:
            text += xml.text();
            break;
        case QXmlStreamReader::EndElement: {
            const QString name = path.isEmpty() ? QString() : path.takeLast();
            const QString parent = path.isEmpty() ? QString() : path.last();
            if (name == QLatin1String("href") && parent == QLatin1String("response"))
                current.href = text.trimmed();
            else if (name == QLatin1String("href")
                     && (parent == QLatin1String("current-user-principal")
                         || parent == QLatin1String("addressbook-home-set")))
                props.hrefs << text.trimmed();
            else if (name == QLatin1String("status") && parent == QLatin1String("response"))
                current.status = statusOf(text.trimmed());
            else if (name == QLatin1String("status") && parent == QLatin1String("propstat"))
                propStatus = statusOf(text.trimmed());
            else if (name == QLatin1String("getetag"))
                props.etag = text.trimmed().toUtf8();
            else if (name == QLatin1String("address-data"))
                props.addressData = text.toUtf8();
            else if (name == QLatin1String("displayname"))
                props.displayName = text.trimmed();
            else if (name == QLatin1String("sync-token") && parent == QLatin1String("multistatus"))
                out.syncToken = text.trimmed();
            else if (name == QLatin1String("propstat") && propStatus >= 200 && propStatus < 300) {
                if (!props.etag.isEmpty())
                    current.etag = props.etag;
                if (!props.addressData.isEmpty())
                    current.addressData = props.addressData;
                if (!props.displayName.isEmpty())
                    current.displayName = props.displayName;
                current.addressBook = current.addressBook || props.addressBook;
                current.hrefs << props.hrefs;
            } else if (name == QLatin1String("response")) {
                if (current.href.isEmpty())
                    throw Error(ErrorNo::CardDavGarbage, Texts::tr("Risposta del server CardDAV senza indirizzo"));
                out.responses << current;
            }
            text.clear();
            break;
        }
        default:
            break;
        }
    }
    if (xml.hasError())
        throw Error(ErrorNo::CardDavGarbage,
                    Texts::tr("Risposta del server CardDAV non leggibile (XML): %1").arg(xml.errorString()));
    return out;
}

QByteArray xmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

struct CardDavClient::Reply
{
    int status = 0;
    QByteArray body;
    QByteArray etag;
    QByteArray location;
};

CardDavClient::CardDavClient(const QUrl &server, const QString &user, const QString &password, int timeoutMs)
    : m_http(std::make_unique<HttpClient>(timeoutMs, kMostReply))
    , m_server(server)
{
    m_server.setUserName(QString());
    m_server.setPassword(QString());
    if (!user.isEmpty())
        m_authorization = "Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64();
}

CardDavClient::~CardDavClient() = default;

QUrl CardDavClient::resolve(const QUrl &base, const QString &href) const
{
    return base.resolved(QUrl::fromEncoded(href.toUtf8()));
}

CardDavClient::Reply CardDavClient::call(const QByteArray &verb, const QUrl &url, const QByteArray &body,
                                         const QByteArray &depth, const QList<QPair<QByteArray, QByteArray>> &extra)
{
    return *send(verb, url, body, depth, extra, false);
}

std::optional<CardDavClient::Reply> CardDavClient::callIfFits(const QByteArray &verb, const QUrl &url,
                                                              const QByteArray &body, const QByteArray &depth)
{
    return send(verb, url, body, depth, {}, true);
}

std::optional<CardDavClient::Reply> CardDavClient::send(const QByteArray &verb, const QUrl &url, const QByteArray &body,
                                                        const QByteArray &depth,
                                                        const QList<QPair<QByteArray, QByteArray>> &extra,
                                                        bool tooLargeGivesNothing)
{
    HttpClient::Headers headers = extra;
    if (!m_authorization.isEmpty())
        headers.append({"Authorization", m_authorization});
    if (!depth.isEmpty())
        headers.append({"Depth", depth});
    const QByteArray type = verb == "PUT" ? QByteArray("text/vcard; charset=utf-8")
                            : body.isEmpty() ? QByteArray()
                                             : QByteArray("application/xml; charset=utf-8");
    try {
        const HttpClient::Reply r = m_http->request(verb, url, type, body, headers);
        return Reply{r.status, r.body, r.header("ETag"), r.header("Location")};
    } catch (const HttpFailure &e) {
        if (tooLargeGivesNothing && e.kind() == HttpFailure::Kind::TooLarge)
            return std::nullopt;
        throw Error(ErrorNo::CardDavNetwork, Texts::tr("Il server CardDAV %1 non risponde come dovrebbe: %2")
                                                 .arg(url.host(), e.detail()));
    }
}

// The body of a 2xx reply; every other status as the error it means.
QByteArray CardDavClient::check(const Reply &reply, const QByteArray &verb, const QUrl &url) const
{
    if (reply.status >= 200 && reply.status < 300)
        return reply.body;
    if (reply.status == 401 || reply.status == 403)
        throw Error(ErrorNo::CardDavAuth,
                    Texts::tr("Il server CardDAV %1 rifiuta l'accesso (%2): nome utente o password errati, o "
                              "rubrica non consentita a questo utente.")
                        .arg(url.host())
                        .arg(reply.status));
    if (reply.status == 412)
        throw Error(ErrorNo::CardDavChanged,
                    Texts::tr("La scheda è cambiata sul server nel frattempo (412): %1").arg(url.path()));
    throw Error(ErrorNo::CardDavGarbage, Texts::tr("Il server CardDAV ha risposto %1 a %2 %3")
                                             .arg(reply.status)
                                             .arg(QString::fromLatin1(verb), url.path()));
}

QList<AddressBookInfo> CardDavClient::addressBooks()
{
    const QByteArray kind = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                            "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop>"
                            "<d:resourcetype/><d:displayname/><d:current-user-principal/>"
                            "<c:addressbook-home-set/></d:prop></d:propfind>";
    auto propfind = [&](const QUrl &url, const QByteArray &depth) {
        return parseMultiStatus(check(call("PROPFIND", url, kind, depth), "PROPFIND", url));
    };
    auto books = [&](const QUrl &home) {
        QList<AddressBookInfo> out;
        for (const DavResponse &r : propfind(home, "1").responses) {
            if (r.addressBook) {
                const QUrl url = resolve(home, r.href);
                out.append({url, r.displayName.isEmpty() ? url.path().section(QLatin1Char('/'), -2, -2)
                                                         : r.displayName});
            }
        }
        return out;
    };

    // The address itself: an address book, or a home that holds them.
    MultiStatus here = propfind(m_server, "0");
    if (!here.responses.isEmpty() && here.responses.first().addressBook)
        return books(m_server);
    QStringList principal = here.responses.isEmpty() ? QStringList() : here.responses.first().hrefs;
    QUrl at = m_server;
    if (principal.isEmpty()) {
        // The well-known address sends to the server's root (RFC 6764).
        QUrl known = m_server.resolved(QUrl(QStringLiteral("/.well-known/carddav")));
        for (int hops = 0; hops < 5; ++hops) {
            const Reply r = call("PROPFIND", known, kind, "0");
            if (r.status >= 300 && r.status < 400 && !r.location.isEmpty()) {
                known = known.resolved(QUrl::fromEncoded(r.location));
                continue;
            }
            here = parseMultiStatus(check(r, "PROPFIND", known));
            at = known;
            break;
        }
        for (const DavResponse &r : here.responses)
            principal << r.hrefs;
    }
    if (principal.isEmpty())
        throw Error(ErrorNo::CardDavGarbage,
                    Texts::tr("Il server %1 non indica le rubriche dell'utente: scrivere l'indirizzo della rubrica.")
                        .arg(m_server.host()));
    // The principal's home set; some servers give it together with the principal.
    for (const QString &href : principal) {
        const QUrl url = resolve(at, href);
        const MultiStatus p = propfind(url, "0");
        for (const DavResponse &r : p.responses) {
            for (const QString &home : r.hrefs) {
                const QUrl homeUrl = resolve(url, home);
                if (homeUrl != url) {
                    QList<AddressBookInfo> out = books(homeUrl);
                    if (!out.isEmpty())
                        return out;
                }
            }
        }
        QList<AddressBookInfo> out = books(url);
        if (!out.isEmpty())
            return out;
    }
    return {};
}

CardListing CardDavClient::list(const QUrl &book, const QString &token)
{
    const auto body = [&token](const QByteArray &cards) {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
               "<d:sync-collection xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:sync-token>"
            + xmlEscaped(token) + "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/>" + cards
            + "</d:prop></d:sync-collection>";
    };
    // The cards come with the listing: a multiget of every changed card
    // afterwards costs a server about as much again. Too many for one
    // reply, they are listed again without; so they are where the server
    // refuses to give them with the listing.
    std::optional<Reply> fits = callIfFits("REPORT", book, body("<c:address-data/>"), "1");
    Reply r = fits && fits->status != 400 ? *fits : call("REPORT", book, body(QByteArray()), "1");
    CardListing out;
    if ((r.status == 403 || r.status == 409) && !token.isEmpty()) {
        // The token is too old for the server (valid-sync-token): start over.
        return list(book, QString());
    }
    if (r.status == 207) {
        const MultiStatus m = parseMultiStatus(r.body);
        out.complete = token.isEmpty();
        out.token = m.syncToken;
        if (out.token.isEmpty())
            throw Error(ErrorNo::CardDavGarbage, Texts::tr("Il server CardDAV non ha dato il segno di sincronizzazione"));
        for (const DavResponse &d : m.responses) {
            if (d.status == 404)
                out.removed << d.href;
            else if (!d.etag.isEmpty())
                out.items.append({d.href, d.etag, d.addressData});
        }
        return out;
    }
    if (r.status != 400 && r.status != 403 && r.status != 405 && r.status != 501)
        check(r, "REPORT", book);
    // No sync-collection here: every card with its ETag.
    const QByteArray etags = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/><d:resourcetype/></d:prop></d:propfind>";
    const QByteArray listing = check(call("PROPFIND", book, etags, "1"), "PROPFIND", book);
    for (const DavResponse &d : parseMultiStatus(listing).responses) {
        if (!d.etag.isEmpty() && resolve(book, d.href) != book)
            out.items.append({d.href, d.etag, QByteArray()});
    }
    return out;
}

QList<FetchedCard> CardDavClient::fetch(const QUrl &book, const QStringList &hrefs)
{
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                      "<c:addressbook-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                      "<d:prop><d:getetag/><c:address-data/></d:prop>";
    for (const QString &href : hrefs)
        body += "<d:href>" + xmlEscaped(href) + "</d:href>";
    body += "</c:addressbook-multiget>";
    const QByteArray reply = check(call("REPORT", book, body, "1"), "REPORT", book);
    QList<FetchedCard> out;
    for (const DavResponse &d : parseMultiStatus(reply).responses) {
        if (d.status == 404 || d.addressData.isEmpty())
            continue;
        out.append({d.href, d.etag, d.addressData});
    }
    return out;
}

QByteArray CardDavClient::put(const QUrl &book, const QString &href, const QByteArray &card, const QByteArray &etag)
{
    const QUrl url = resolve(book, href);
    const Reply r = call("PUT", url, card, QByteArray(),
                         {etag.isEmpty() ? qMakePair(QByteArray("If-None-Match"), QByteArray("*"))
                                         : qMakePair(QByteArray("If-Match"), etag)});
    check(r, "PUT", url);
    return r.etag;
}

void CardDavClient::remove(const QUrl &book, const QString &href, const QByteArray &etag)
{
    const QUrl url = resolve(book, href);
    const Reply r = call("DELETE", url, QByteArray(), QByteArray(), {{"If-Match", etag}});
    if (r.status == 404)
        return;
    check(r, "DELETE", url);
}

} // namespace brio
