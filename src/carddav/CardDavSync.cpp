#include "carddav/CardDavSync.h"

#include "addressbook/Contacts.h"
#include "carddav/CardDavClient.h"
#include "carddav/VCard.h"
#include "compose/NumberRules.h"
#include "core/Error.h"
#include "core/Texts.h"
#include "gateway/GatewayPassword.h"
#include "groups/Groups.h"
#include "settings/Settings.h"
#include "store/Database.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QUuid>

namespace brio {

namespace {

// Cards whose state is written in one transaction on the way up.
constexpr int kUploadBatch = 50;

// Text cut to a field's size in characters, as the book counts them, never
// inside a surrogate pair; the server keeps the whole value.
QString fit(const QString &text, int size)
{
    qsizetype used = 0;
    int characters = 0;
    while (used < text.size() && characters < size) {
        used += (text.at(used).isHighSurrogate() && used + 1 < text.size()) ? 2 : 1;
        ++characters;
    }
    return text.left(used);
}

QString storedDate(const QString &written)
{
    QString digits = written.left(10);
    digits.remove(QLatin1Char('-'));
    if (digits.size() != 8)
        return QString();
    const QDate date = QDate::fromString(digits, QStringLiteral("yyyyMMdd"));
    return date.isValid() ? digits : QString();
}

QString storedSex(const QString &written)
{
    const QString s = written.trimmed().left(1).toUpper();
    return s == QLatin1String("M") || s == QLatin1String("F") ? s : QString();
}

BookFields bookFieldsOf(const CardFields &card, const QSet<QString> &prefixes)
{
    BookFields b;
    for (const QString &n : card.numbers) {
        b.number = storedMobile(n, prefixes);
        if (!b.number.isEmpty())
            break;
    }
    b.name = fit(card.name.isEmpty() ? b.number : card.name, 50);
    b.address = fit(card.address, 100);
    b.postCode = fit(card.postCode, 10);
    b.city = fit(card.city, 50);
    b.province = fit(card.province, 20);
    b.region = fit(card.region, 50);
    b.email = fit(card.email, 100);
    b.birthDate = storedDate(card.birthDate);
    b.sex = storedSex(card.sex);
    for (const QString &g : card.categories) {
        const QString name = fit(g.trimmed(), 50);
        if (!name.isEmpty() && !b.groups.contains(name, Qt::CaseInsensitive))
            b.groups << name;
    }
    b.groups.sort();
    return b;
}

std::optional<BookFields> localFields(Database &db, qint64 id)
{
    const std::optional<Contact> c = loadContact(db, id);
    if (!c)
        return std::nullopt;
    return BookFields{c->name,     c->number, c->address,   c->postCode, c->city,          c->province,
                      c->region,   c->email,  c->birthDate, c->sex,      groupNamesOf(db, id)};
}

Contact contactOf(const BookFields &b)
{
    return {b.name, b.number, b.address, b.postCode, b.city, b.province, b.region, b.email, b.birthDate, b.sex};
}

// The server's fields, and the book's where the server has none: what a
// contact found in both books becomes at the first sync.
BookFields merged(const BookFields &server, const BookFields &local)
{
    BookFields m = server;
    auto fill = [](QString &mine, const QString &other) {
        if (mine.isEmpty())
            mine = other;
    };
    fill(m.address, local.address);
    fill(m.postCode, local.postCode);
    fill(m.city, local.city);
    fill(m.province, local.province);
    fill(m.region, local.region);
    fill(m.email, local.email);
    fill(m.birthDate, local.birthDate);
    fill(m.sex, local.sex);
    for (const QString &g : local.groups) {
        if (!m.groups.contains(g, Qt::CaseInsensitive))
            m.groups << g;
    }
    m.groups.sort();
    return m;
}

} // namespace

struct CardDavSync::Known
{
    QByteArray etag;
    std::optional<qint64> id;
    QByteArray card;
    QString fingerprint;
};

QString storedMobile(const QString &written, const QSet<QString> &allowedPrefixes)
{
    QString t;
    for (const QChar c : written) {
        if (c.isDigit() || c == QLatin1Char('+'))
            t += c;
        else if (!QStringLiteral(" -./()").contains(c))
            return QString();
    }
    if (t.startsWith(QLatin1String("00")))
        t = QLatin1Char('+') + t.mid(2);
    else if (!t.startsWith(QLatin1Char('+')))
        t = QStringLiteral("+39") + t; // the book's country
    if (t.lastIndexOf(QLatin1Char('+')) != 0 || t.size() < 9)
        return QString();
    const QString prefix = t.mid(3, 3);
    const QString subscriber = t.mid(6);
    if (!allowedPrefixes.contains(prefix) || !isValidSubscriberNumber(subscriber))
        return QString();
    return fullNumber(t.left(3), prefix, subscriber);
}

CardDavAccount CardDavAccount::fromSettings(Settings &settings)
{
    PasswordPlace place = PasswordPlace::None;
    const QUrl withPassword(cardDavUrlWithPassword(settings, place));
    if (settings.text(Key::CardDavURL).trimmed().isEmpty())
        throw Error(ErrorNo::CardDavSetup,
                    Texts::tr("Nessun server CardDAV impostato: indicarne l'indirizzo in CardDAV/URL."));
    // The value itself is not repeated: it may hold the password.
    const QString scheme = withPassword.scheme().toLower();
    if (!withPassword.isValid() || withPassword.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        throw Error(ErrorNo::CardDavSetup,
                    Texts::tr("L'indirizzo del server CardDAV in CardDAV/URL non è valido: serve un indirizzo "
                              "che inizi con https:// o http://."));
    CardDavAccount a;
    a.url = withPassword;
    a.url.setUserName(QString());
    a.url.setPassword(QString());
    a.user = withPassword.userName().isEmpty() ? settings.text(Key::CardDavUser) : withPassword.userName();
    a.password = withPassword.password();
    a.addressBook = settings.text(Key::CardDavAddressBook).trimmed();
    const int seconds = settings.integer(Key::CardDavTimeout);
    a.timeoutMs = (seconds > 0 ? seconds : 60) * 1000;
    return a;
}

QUrl chooseAddressBook(CardDavClient &client, const CardDavAccount &account)
{
    const QList<AddressBookInfo> books = client.addressBooks();
    QStringList names;
    for (const AddressBookInfo &b : books) {
        if (account.addressBook.isEmpty() ? books.size() == 1
                                          : (b.name == account.addressBook || b.url.path() == account.addressBook
                                             || b.url.toString() == account.addressBook))
            return b.url;
        names << b.name;
    }
    if (books.isEmpty())
        throw Error(ErrorNo::CardDavSetup, Texts::tr("L'utente non ha rubriche sul server CardDAV %1.")
                                               .arg(account.url.host()));
    throw Error(ErrorNo::CardDavSetup,
                Texts::tr("Scegliere la rubrica in CardDAV/AddressBook tra: %1").arg(names.join(QStringLiteral(", "))));
}

QString SyncSummary::text() const
{
    QStringList lines;
    lines << Texts::tr("Rubrica: %1 aggiunti, %2 modificati, %3 eliminati.").arg(addedHere).arg(changedHere).arg(deletedHere);
    lines << Texts::tr("Server: %1 aggiunti, %2 modificati, %3 eliminati.")
                 .arg(addedThere)
                 .arg(changedThere)
                 .arg(deletedThere);
    if (linked > 0)
        lines << Texts::tr("%1 contatti già in rubrica collegati alle schede del server con lo stesso numero.").arg(linked);
    if (serverOnly > 0)
        lines << Texts::tr("%1 schede senza un numero di cellulare valido restano solo sul server.").arg(serverOnly);
    for (const QString &c : conflicts)
        lines << c;
    lines << notes;
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

CardDavSync::CardDavSync(Database &db, CardDavClient &client, const QUrl &book)
    : m_db(db)
    , m_client(client)
    , m_book(book)
{
}

void CardDavSync::setProgress(Progress progress)
{
    m_progress = std::move(progress);
}

void CardDavSync::step(int done, int total)
{
    if (m_progress && !m_progress(done, total))
        throw Error(ErrorNo::CardDavSetup,
                    Texts::tr("Sincronizzazione interrotta: quanto già fatto resta, il resto alla prossima."));
}

SyncSummary CardDavSync::run()
{
    SyncSummary sum;
    const QSet<QString> prefixes = allowedPrefixSet(m_db);
    const QString bookKey = m_book.toString();

    // Another address book than last time: a first sync again.
    QString token;
    {
        Statement st = m_db.prepare(QStringLiteral("SELECT Rubrica, SyncToken FROM tab_carddav_stato WHERE ID = 1"));
        if (st.next() && st.text(0) == bookKey) {
            token = st.text(1);
        } else {
            Transaction tx(m_db);
            m_db.run(QStringLiteral("DELETE FROM tab_carddav"));
            m_db.run(QStringLiteral("INSERT OR REPLACE INTO tab_carddav_stato (ID, Rubrica, SyncToken) VALUES (1, ?, '')"),
                     {bookKey});
            tx.commit();
        }
    }
    QHash<QString, Known> known;
    {
        Statement st = m_db.prepare(QStringLiteral("SELECT Href, ETag, IDDestinatario, Scheda, Impronta FROM tab_carddav"));
        while (st.next()) {
            Known k{st.text(1).toUtf8(), std::nullopt, st.value(QStringLiteral("Scheda")).toByteArray(), st.text(4)};
            if (!st.isNull(2))
                k.id = st.integer(2);
            known.insert(st.text(0), k);
        }
    }

    step(0, 0);
    const CardListing listing = m_client.list(m_book, token);
    QStringList changed;
    QStringList removed;
    QSet<QString> listed;
    QHash<QString, FetchedCard> brought; // changed cards that came with the listing
    for (const CardListing::Item &item : listing.items) {
        listed.insert(item.href);
        const auto k = known.constFind(item.href);
        if (k == known.constEnd() || k->etag != item.etag) {
            changed << item.href;
            if (!item.card.isEmpty())
                brought.insert(item.href, {item.href, item.etag, item.card});
        }
    }
    if (listing.complete) {
        for (auto k = known.cbegin(); k != known.cend(); ++k) {
            if (!listed.contains(k.key()))
                removed << k.key();
        }
    } else {
        for (const QString &href : listing.removed) {
            if (known.contains(href))
                removed << href;
        }
    }
    const int total = int(changed.size() + removed.size());
    int done = 0;
    step(done, total);

    // The book's numbers, read once: a card whose number is not among them
    // (nor among those this sync wrote) needs no look-up in the book.
    QSet<QString> numbersSeen;
    for (const Contact &c : contactNumbers(m_db))
        numbersSeen.insert(c.number);

    // Where a linked contact went: the ids linked to some card.
    QHash<qint64, QString> linkOf;
    // Cards whose contact this sync has just written and read back: their
    // state already matches the book, nothing of them goes up.
    QSet<QString> settled;
    for (auto k = known.cbegin(); k != known.cend(); ++k) {
        if (k->id)
            linkOf.insert(*k->id, k.key());
    }
    auto keepCopy = [&](const QString &href, const BookFields &local, const QString &why) {
        m_db.run(QStringLiteral("INSERT INTO tab_carddav_copie (Quando, Href, Nominativo, Numero, Scheda) "
                                "VALUES (?, ?, ?, ?, ?)"),
                 {QDateTime::currentDateTime().toString(Qt::ISODate), href, local.name, local.number,
                  patchCard(QByteArray(), BookFields(), local, QUuid::createUuid().toString(QUuid::WithoutBraces))});
        sum.conflicts << Texts::tr("Conflitto su \"%1\" (%2): %3; tenuta la versione del server, la copia locale è "
                                   "salvata tra le copie di conflitto.")
                             .arg(local.name, local.number, why);
    };
    auto store = [&](const QString &href, const Known &k) {
        m_db.run(QStringLiteral("INSERT OR REPLACE INTO tab_carddav (Href, ETag, IDDestinatario, Scheda, Impronta) "
                                "VALUES (?, ?, ?, ?, ?)"),
                 {href, QString::fromUtf8(k.etag), k.id ? QVariant(*k.id) : QVariant(), k.card, k.fingerprint});
        known.insert(href, k);
        if (k.id)
            linkOf.insert(*k.id, href);
    };

    // Cards gone from the server leave the book.
    if (!removed.isEmpty()) {
        Transaction tx(m_db);
        for (const QString &href : removed) {
            const Known k = known.value(href);
            if (k.id) {
                if (const auto local = localFields(m_db, *k.id)) {
                    if (local->fingerprint() != k.fingerprint)
                        keepCopy(href, *local, Texts::tr("eliminato sul server, modificato qui"));
                    deleteContactRows(m_db, *k.id);
                    ++sum.deletedHere;
                }
                linkOf.remove(*k.id);
            }
            m_db.run(QStringLiteral("DELETE FROM tab_carddav WHERE Href = ?"), {href});
            known.remove(href);
        }
        tx.commit();
        done += int(removed.size());
        step(done, total);
    }

    // Cards new or changed on the server, a batch at a time.
    for (qsizetype at = 0; at < changed.size(); at += CardDavClient::kBatch) {
        QList<FetchedCard> cards;
        QStringList missing;
        for (const QString &href : changed.mid(at, CardDavClient::kBatch)) {
            const auto card = brought.constFind(href);
            if (card != brought.constEnd())
                cards << *card;
            else
                missing << href;
        }
        if (!missing.isEmpty())
            cards << m_client.fetch(m_book, missing);
        Transaction tx(m_db);
        for (const FetchedCard &fetched : cards) {
            Known k = known.value(fetched.href);
            k.etag = fetched.etag;
            k.card = fetched.card;
            BookFields server;
            try {
                server = bookFieldsOf(readCard(fetched.card), prefixes);
            } catch (const Error &e) {
                // The link stays: the book keeps its contact as last synced.
                sum.notes << Texts::tr("Scheda %1 lasciata sul server: %2").arg(fetched.href, e.description());
                store(fetched.href, k);
                continue;
            }
            std::optional<BookFields> local = k.id ? localFields(m_db, *k.id) : std::nullopt;
            if (local && local->fingerprint() != k.fingerprint && *local != server)
                keepCopy(fetched.href, *local, Texts::tr("modificato sia qui sia sul server"));
            if (server.number.isEmpty()) {
                // No mobile number: the card stays on the server only.
                if (local) {
                    deleteContactRows(m_db, *k.id);
                    ++sum.deletedHere;
                }
                if (k.id)
                    linkOf.remove(*k.id);
                k.id.reset();
                k.fingerprint.clear();
                ++sum.serverOnly;
                store(fetched.href, k);
                continue;
            }
            std::optional<qint64> target = local ? k.id : std::nullopt;
            BookFields wanted = server;
            bool upload = false;
            if (!target) {
                // A contact of the book with the number: linked, not doubled.
                const auto same =
                    numbersSeen.contains(server.number) ? contactWithNumber(m_db, server.number) : std::nullopt;
                if (same) {
                    const QString other = linkOf.value(*same);
                    if (!other.isEmpty() && other != fetched.href) {
                        sum.notes << Texts::tr("Scheda %1 lasciata sul server: il numero %2 è già di un'altra scheda.")
                                         .arg(fetched.href, server.number);
                        k.id.reset();
                        k.fingerprint.clear();
                        store(fetched.href, k);
                        continue;
                    }
                    target = *same;
                    if (const auto mine = localFields(m_db, *same)) {
                        wanted = merged(server, *mine);
                        upload = wanted != server;
                    }
                    ++sum.linked;
                }
            }
            try {
                if (target) {
                    updateContactRow(m_db, *target, contactOf(wanted));
                    if (local)
                        ++sum.changedHere;
                } else {
                    target = insertContactRow(m_db, contactOf(wanted));
                    ++sum.addedHere;
                }
            } catch (const Error &e) {
                if (e.number() != ErrorNo::DuplicateKey)
                    throw;
                sum.notes << Texts::tr("Scheda %1 lasciata sul server: il numero %2 è già di un altro contatto.")
                                 .arg(fetched.href, server.number);
                k.id.reset();
                k.fingerprint.clear();
                store(fetched.href, k);
                continue;
            }
            numbersSeen.insert(wanted.number);
            setGroupsOf(m_db, *target, wanted.groups);
            if (k.id && *k.id != *target)
                linkOf.remove(*k.id);
            k.id = target;
            // What the book now holds as synced; a merge still has to go up.
            k.fingerprint = upload ? QString() : localFields(m_db, *target)->fingerprint();
            store(fetched.href, k);
            if (!upload)
                settled.insert(fetched.href);
        }
        tx.commit();
        done += int(qMin<qsizetype>(CardDavClient::kBatch, changed.size() - at));
        step(done, total);
    }

    // The book's changes go up: deletes, changes, new contacts.
    struct Pending
    {
        QString href;
        Known state;
        bool drop = false;
    };
    QList<Pending> pending;
    auto flush = [&] {
        if (pending.isEmpty())
            return;
        Transaction tx(m_db);
        for (const Pending &p : pending) {
            if (p.drop) {
                m_db.run(QStringLiteral("DELETE FROM tab_carddav WHERE Href = ?"), {p.href});
                known.remove(p.href);
            } else {
                store(p.href, p.state);
            }
        }
        tx.commit();
        pending.clear();
    };
    const QList<qint64> ids = allContactIds(m_db);
    QList<QString> hrefs = known.keys();
    hrefs.sort();
    for (const QString &href : hrefs) {
        if (settled.contains(href))
            continue;
        Known k = known.value(href);
        if (!k.id)
            continue;
        const std::optional<BookFields> local = localFields(m_db, *k.id);
        try {
            if (!local) {
                m_client.remove(m_book, href, k.etag);
                pending.append({href, k, true});
                ++sum.deletedThere;
            } else if (local->fingerprint() != k.fingerprint) {
                BookFields before;
                QString uid;
                try {
                    const CardFields read = readCard(k.card);
                    before = bookFieldsOf(read, prefixes);
                    uid = read.uid;
                } catch (const Error &) {
                }
                if (before != *local) {
                    k.card = patchCard(k.card, before, *local, uid);
                    k.etag = m_client.put(m_book, href, k.card, k.etag);
                    ++sum.changedThere;
                }
                k.fingerprint = local->fingerprint();
                pending.append({href, k});
            }
        } catch (const Error &e) {
            if (e.number() != ErrorNo::CardDavChanged)
                throw;
            // Changed on the server since the listing: the next sync brings
            // it here, and a change of this side becomes a conflict then.
            sum.notes << Texts::tr("\"%1\" è cambiato sul server durante la sincronizzazione: sarà aggiornato alla "
                                   "prossima.")
                             .arg(local ? local->name : href);
            k.etag.clear();
            pending.append({href, k});
        }
        if (pending.size() >= kUploadBatch)
            flush();
    }
    flush();
    done = 0;
    int fresh = 0;
    for (qint64 id : ids)
        fresh += linkOf.contains(id) ? 0 : 1;
    for (qint64 id : ids) {
        if (linkOf.contains(id))
            continue;
        const std::optional<BookFields> local = localFields(m_db, id);
        if (!local)
            continue;
        const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        const QString href = m_book.path() + uid + QStringLiteral(".vcf");
        Known k;
        k.id = id;
        k.card = patchCard(QByteArray(), BookFields(), *local, uid);
        k.fingerprint = local->fingerprint();
        k.etag = m_client.put(m_book, href, k.card, QByteArray());
        pending.append({href, k});
        linkOf.insert(id, href);
        ++sum.addedThere;
        if (pending.size() >= kUploadBatch) {
            flush();
            step(done += kUploadBatch, fresh);
        }
    }
    flush();

    Transaction tx(m_db);
    m_db.run(QStringLiteral("UPDATE tab_carddav_stato SET SyncToken = ? WHERE ID = 1"), {listing.token});
    tx.commit();
    return sum;
}

} // namespace brio
