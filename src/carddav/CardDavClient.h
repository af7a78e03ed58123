#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>

namespace brio {

class HttpClient;

struct AddressBookInfo
{
    QUrl url;
    QString name; // the server's display name, else the last part of the path
};

// What the server lists of an address book: every card (complete), or the
// changes since the sync token given.
struct CardListing
{
    struct Item
    {
        QString href;
        QByteArray etag;
        QByteArray card; // when the listing brought the card itself
    };
    bool complete = true;
    QList<Item> items;
    QStringList removed; // hrefs, only when not complete
    QString token;       // empty when the server has no sync-collection
};

struct FetchedCard
{
    QString href;
    QByteArray etag;
    QByteArray card;
};

// A CardDAV client on HttpClient: every call has the deadline given and a
// bounded reply. Failures throw Error: CardDavNetwork (no answer),
// CardDavAuth (401, 403), CardDavChanged (412), CardDavGarbage (a reply
// that is no usable answer). The password goes only into the
// Authorization header.
class CardDavClient final
{
public:
    // What one reply may hold: a listing of many thousand cards fits.
    static constexpr qsizetype kMostReply = 32 << 20;
    // Cards asked for in one addressbook-multiget: every request costs the
    // server its own round of log-in and look-ups, and the reply of this
    // many still fits kMostReply with a photo of some 80 KB on every card.
    static constexpr int kBatch = 250;

    CardDavClient(const QUrl &server, const QString &user, const QString &password, int timeoutMs);
    ~CardDavClient();
    CardDavClient(const CardDavClient &) = delete;
    CardDavClient &operator=(const CardDavClient &) = delete;

    // The user's address books: the address itself when it is one, else
    // through /.well-known/carddav, the principal and its home set.
    QList<AddressBookInfo> addressBooks();
    // sync-collection from the token (a token the server no longer knows, or
    // none, gives the complete list), with the cards themselves where the
    // server gives them and they fit one reply; a server without it is
    // listed with PROPFIND and getetag.
    CardListing list(const QUrl &book, const QString &token);
    // addressbook-multiget of at most kBatch cards; cards gone meanwhile are
    // left out.
    QList<FetchedCard> fetch(const QUrl &book, const QStringList &hrefs);
    // PUT with If-Match (etag) or If-None-Match: * (no etag); the new ETag,
    // empty when the server gave none.
    QByteArray put(const QUrl &book, const QString &href, const QByteArray &card, const QByteArray &etag);
    // DELETE with If-Match; a card already gone counts as deleted.
    void remove(const QUrl &book, const QString &href, const QByteArray &etag);

    QUrl resolve(const QUrl &base, const QString &href) const;

private:
    struct Reply;
    Reply call(const QByteArray &verb, const QUrl &url, const QByteArray &body, const QByteArray &depth,
               const QList<QPair<QByteArray, QByteArray>> &extra = {});
    // The same, but a reply past kMostReply gives nothing instead of an Error.
    std::optional<Reply> callIfFits(const QByteArray &verb, const QUrl &url, const QByteArray &body,
                                    const QByteArray &depth);
    std::optional<Reply> send(const QByteArray &verb, const QUrl &url, const QByteArray &body, const QByteArray &depth,
                              const QList<QPair<QByteArray, QByteArray>> &extra, bool tooLargeGivesNothing);
    QByteArray check(const Reply &reply, const QByteArray &verb, const QUrl &url) const;

    std::unique_ptr<HttpClient> m_http;
    QUrl m_server;
    QByteArray m_authorization;
};

} // namespace brio
