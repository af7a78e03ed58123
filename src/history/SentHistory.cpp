#include "history/SentHistory.h"

#include "addressbook/Contacts.h"
#include "context/Context.h"
#include "context/Notifier.h"
#include "core/Error.h"
#include "core/Texts.h"
#include "sms/GsmText.h"
#include "store/Database.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

namespace brio {

namespace {

// A LIKE pattern that finds the typed text anywhere, its own '%' and '_'
// taken literally.
QString containing(const QString &typed)
{
    QString out = QStringLiteral("%");
    for (const QChar c : typed) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out + QLatin1Char('%');
}

QString counted(qint64 n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

QList<SentEntry> readSends(Database &db, const SentFilter &filter, qint64 afterId, int limit)
{
    QStringList where;
    QVariantList params;
    if (afterId > 0) {
        where << QStringLiteral("ID < ?");
        params << afterId;
    }
    if (!filter.text.isEmpty()) {
        where << QStringLiteral("Testo LIKE ? ESCAPE '\\'");
        params << containing(filter.text);
    }
    const QString number = QString(filter.number).remove(QLatin1Char(' '));
    if (!number.isEmpty()) {
        where << QStringLiteral("ID IN (SELECT ID_Invio FROM tab_invii_dest WHERE Numero LIKE ? ESCAPE '\\')");
        params << containing(number);
    }
    params << limit;
    // Kept prepared: the window reads its first page again after every send.
    ReusedStatement kept(db, QStringLiteral("SELECT ID, Data, Gateway, Testo, CASE Stato WHEN 'P' THEN Quando END, "
                                             "Destinatari, Accettati, InCoda, Rifiutati, Sconosciuti, Consegnati, NonConsegnati, InAttesa "
                                             "FROM tab_invii %1 "
                                             "ORDER BY ID DESC LIMIT ?")
                                  .arg(where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where.join(QLatin1String(" AND "))));
    Statement &st = *kept;
    st.bindAll(params);
    QList<SentEntry> out;
    out.reserve(limit);
    while (st.next()) {
        SentEntry e;
        e.id = st.integer(0);
        e.date = st.text(1);
        e.gateway = st.text(2);
        e.text = st.text(3);
        // The count is the network's, and follows from the text alone.
        e.parts = std::max(smsSize(e.text).parts, 1);
        e.heldUntil = st.text(4);
        e.recipients = st.integer(5);
        e.accepted = st.integer(6);
        e.queued = st.integer(7);
        e.refused = st.integer(8);
        e.unknown = st.integer(9);
        e.delivered = st.integer(10);
        e.failed = st.integer(11);
        e.waiting = st.integer(12);
        out.append(e);
    }
    return out;
}

QList<SentRecipient> readSentRecipients(Database &db, qint64 sendId)
{
    QList<SentRecipient> out;
    // The rows of an attempt still on its way have no outcome yet.
    ReusedStatement kept(db, QStringLiteral(
        "SELECT d.Numero, d.Nominativo, CASE WHEN d.Tentativo > 0 AND d.Tentativo = i.InVolo THEN '' ELSE d.Esito END, "
        "d.Consegna, d.ConsegnaOra "
        "FROM tab_invii_dest d JOIN tab_invii i ON i.ID = d.ID_Invio WHERE d.ID_Invio = ? ORDER BY d.Posizione"));
    Statement &st = *kept;
    st.bind(1, sendId);
    while (st.next())
        out.append({st.text(0), st.text(1), st.text(2), st.text(3), st.text(4)});
    return out;
}

QString outcomeWord(const QString &outcome)
{
    if (outcome == QLatin1String("A"))
        return QStringLiteral("accettato");
    if (outcome == QLatin1String("Q"))
        return Texts::tr("in coda");
    if (outcome == QLatin1String("E"))
        return Texts::tr("rifiutato (numero errato)");
    if (outcome == QLatin1String("N"))
        return Texts::tr("non inviato");
    if (outcome == QLatin1String("U"))
        return Texts::tr("esito sconosciuto");
    return Texts::tr("non inoltrato");
}

QString outcomeSummary(const SentEntry &e)
{
    if (!e.heldUntil.isEmpty())
        return Texts::tr("in attesa: partirà il %1").arg(e.heldUntil);
    QStringList parts;
    if (e.accepted > 0)
        parts << counted(e.accepted, "accettato", "accettati");
    if (e.queued > 0)
        parts << Texts::tr("%1 in coda").arg(e.queued);
    if (e.refused > 0)
        parts << counted(e.refused, "rifiutato", "rifiutati");
    if (e.unknown > 0)
        parts << Texts::tr("%1 con esito sconosciuto").arg(e.unknown);
    const qint64 rest = e.recipients - e.accepted - e.queued - e.refused - e.unknown;
    if (rest > 0)
        parts << counted(rest, "non inviato", "non inviati");
    QString summary = parts.join(QStringLiteral(", "));
    if (e.parts > 1)
        summary += Texts::tr(" (%1 SMS ciascuno)").arg(e.parts);
    return summary;
}

QString deliverySummary(const SentEntry &e)
{
    const qint64 handed = e.accepted + e.queued + e.unknown;
    if (handed == 0 && e.delivered + e.failed + e.waiting == 0)
        return QString();
    QStringList parts;
    if (e.delivered > 0)
        parts << (e.delivered == 1 ? Texts::tr("1 consegnato") : Texts::tr("%1 consegnati").arg(e.delivered));
    if (e.failed > 0)
        parts << (e.failed == 1 ? Texts::tr("1 non consegnato") : Texts::tr("%1 non consegnati").arg(e.failed));
    if (e.waiting > 0)
        parts << Texts::tr("%1 in attesa").arg(e.waiting);
    const qint64 silent = handed - e.delivered - e.failed - e.waiting;
    if (silent > 0)
        parts << (silent == 1 ? Texts::tr("1 sconosciuto") : Texts::tr("%1 sconosciuti").arg(silent));
    return parts.join(QStringLiteral(", "));
}

QString shownDate(const QString &stored)
{
    // "yyyy-MM-dd HH:mm:ss" rearranged; anything else as it is.
    if (stored.size() != 19 || stored.at(4) != QLatin1Char('-') || stored.at(10) != QLatin1Char(' '))
        return stored;
    QString out;
    out.reserve(16);
    out.append(QStringView(stored).mid(8, 2)).append(QLatin1Char('-')).append(QStringView(stored).mid(5, 2));
    out.append(QLatin1Char('-')).append(QStringView(stored).left(4)).append(QStringView(stored).mid(10, 6));
    return out;
}

int removeSendsBefore(Database &db, const QDate &day)
{
    const QString first = day.toString(QStringLiteral("yyyy-MM-dd"));
    Transaction tx(db);
    db.run(QStringLiteral("DELETE FROM tab_invii_dest WHERE ID_Invio IN "
                          "(SELECT ID FROM tab_invii WHERE Data < ? AND Stato <> 'P')"),
           {first});
    db.run(QStringLiteral("DELETE FROM tab_invii WHERE Data < ? AND Stato <> 'P'"), {first});
    const int removed = db.changes();
    tx.commit();
    return removed;
}

int removeSends(Database &db, const QList<qint64> &ids)
{
    Transaction tx(db);
    Statement recipients = db.prepare(QStringLiteral("DELETE FROM tab_invii_dest WHERE ID_Invio = ?"));
    Statement sends = db.prepare(QStringLiteral("DELETE FROM tab_invii WHERE ID = ?"));
    int removed = 0;
    for (const qint64 id : ids) {
        recipients.bind(1, id).run();
        recipients.reset();
        sends.bind(1, id).run();
        sends.reset();
        removed += db.changes();
    }
    tx.commit();
    return removed;
}

void resendToMessage(Context &ctx, qint64 sendId)
{
    Database &db = ctx.db();
    Transaction tx(db);
    QString text;
    {
        Statement st = db.prepare(QStringLiteral("SELECT Testo FROM tab_invii WHERE ID = ?"));
        st.bind(1, sendId);
        if (!st.next())
            throw Error(ErrorNo::NoCurrentRecord, Texts::tr("L'invio non è più fra i messaggi inviati"));
        text = st.text(0);
    }
    for (const char *table : {"tab_dest_msg", "tab_dest_number", "tab_dest_liste", "tab_stringa_messaggio"})
        db.run(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
    db.run(QStringLiteral("INSERT INTO tab_stringa_messaggio (testo_SMS) VALUES (?)"), {text});

    Statement chosen = db.prepare(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"));
    Statement typed = db.prepare(QStringLiteral("INSERT OR IGNORE INTO tab_dest_number (Numero) VALUES (?)"));
    QSet<qint64> seen;
    for (const SentRecipient &r : readSentRecipients(db, sendId)) {
        // Who was a contact goes back as that contact, if the book still has
        // the number; anyone else as a typed number.
        qint64 id = 0;
        if (!r.name.isEmpty())
            id = contactWithNumber(db, r.number).value_or(0);
        if (id != 0) {
            if (!seen.contains(id)) {
                seen.insert(id);
                chosen.bind(1, id).run();
                chosen.reset();
            }
        } else {
            typed.bind(1, r.number).run();
            typed.reset();
        }
    }
    tx.commit();
    emit ctx.notifier().messageStateReloaded();
}

} // namespace brio
