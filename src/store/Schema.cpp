#include "store/Schema.h"

#include "core/Error.h"
#include "core/Log.h"
#include "core/Texts.h"
#include "store/Database.h"

#include <QFile>
#include <algorithm>

// The prefix list lives in the core library's resources; a static library
// has to register them itself.
static void initDataResources()
{
    Q_INIT_RESOURCE(data);
}

namespace brio {

namespace {

// Text(n) keeps its size: longer values are refused (error 3163), as the
// original engine did.
QString text(const char *name, int size, bool notNull = false)
{
    return QStringLiteral("%1 TEXT%2 CONSTRAINT size_%1 CHECK (length(%1) <= %3)")
        .arg(QLatin1String(name), notNull ? QStringLiteral(" NOT NULL") : QString())
        .arg(size);
}

QString counter(const char *name)
{
    return QStringLiteral("%1 INTEGER PRIMARY KEY AUTOINCREMENT").arg(QLatin1String(name));
}

bool hasColumn(Database &db, const char *table, const char *column)
{
    Statement st = db.prepare(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table)));
    while (st.next()) {
        if (st.text(QStringLiteral("name")) == QLatin1String(column))
            return true;
    }
    return false;
}

// Files made before memberships were unique may hold a contact twice in a
// group; the repeats mean nothing and go.
void uniqueMemberships(Database &db)
{
    {
        Statement st = db.prepare(QStringLiteral("PRAGMA index_list(tab_membri)"));
        while (st.next()) {
            if (st.text(QStringLiteral("name")) == QLatin1String("tab_membri_ID_Lista")
                && st.integer(QStringLiteral("unique")))
                return;
        }
    }
    db.exec(QStringLiteral("DELETE FROM tab_membri WHERE rowid NOT IN "
                           "(SELECT MIN(rowid) FROM tab_membri GROUP BY ID_Lista, ID_Membro)"));
    db.exec(QStringLiteral("DROP INDEX IF EXISTS tab_membri_ID_Lista"));
    db.exec(QStringLiteral("CREATE UNIQUE INDEX tab_membri_ID_Lista ON tab_membri (ID_Lista, ID_Membro)"));
}

// Each send carries the count of its recipients and of their outcomes, so
// that the list of sent messages reads one table. Sends recorded before
// the counts were kept get them now.
void addSendCounts(Database &db)
{
    {
        Statement st = db.prepare(QStringLiteral("PRAGMA table_info(tab_invii)"));
        while (st.next()) {
            if (st.text(QStringLiteral("name")) == QLatin1String("Destinatari"))
                return;
        }
    }
    for (const char *column : {"Destinatari", "Accettati", "InCoda", "Rifiutati"})
        db.exec(QStringLiteral("ALTER TABLE tab_invii ADD COLUMN %1 INTEGER DEFAULT 0").arg(QLatin1String(column)));
    db.exec(QStringLiteral(
        "UPDATE tab_invii SET Destinatari = (SELECT COUNT(*) FROM tab_invii_dest WHERE ID_Invio = tab_invii.ID), "
        "Accettati = (SELECT COUNT(*) FROM tab_invii_dest WHERE ID_Invio = tab_invii.ID AND Esito = 'A'), "
        "InCoda = (SELECT COUNT(*) FROM tab_invii_dest WHERE ID_Invio = tab_invii.ID AND Esito = 'Q'), "
        "Rifiutati = (SELECT COUNT(*) FROM tab_invii_dest WHERE ID_Invio = tab_invii.ID AND Esito = 'E')"));
}

// Each hand-over of a send is an attempt with a job key of its own, and each
// recipient names the attempt that carried it; an outcome may be unknown.
// Sends recorded before get the columns, empty.
void addSendAttempts(Database &db)
{
    const bool sends = hasColumn(db, "tab_invii", "Sconosciuti");
    const bool recipients = hasColumn(db, "tab_invii_dest", "Tentativo");
    if (sends && recipients)
        return;
    if (!sends)
        db.exec(QStringLiteral("ALTER TABLE tab_invii ADD COLUMN Sconosciuti INTEGER DEFAULT 0;"
                               "ALTER TABLE tab_invii ADD COLUMN Lavoro TEXT;"
                               "ALTER TABLE tab_invii ADD COLUMN Tentativi INTEGER DEFAULT 0;"));
    if (!recipients)
        db.exec(QStringLiteral("ALTER TABLE tab_invii_dest ADD COLUMN Tentativo INTEGER DEFAULT 0;"
                               "ALTER TABLE tab_invii_dest ADD COLUMN Indice INTEGER DEFAULT 0;"));
}

// Runs the statements when no table is called exactly `table`, inside the
// step's transaction.
void createIfMissing(Database &db, const QString &table, const QStringList &statements)
{
    if (db.tableExists(table))
        return;
    for (const QString &sql : statements)
        db.exec(sql);
}

// Step 1: the text a plug-in leaves for the message, and the prefix list.
void addMessageTextAndPrefixes(Database &db)
{
    createIfMissing(db, QStringLiteral("tab_stringa_messaggio"),
                    {QStringLiteral("CREATE TABLE tab_stringa_messaggio (%1)").arg(text("testo_SMS", 255))});
    createIfMissing(db, QStringLiteral("tab_allowed_codes"),
                    {QStringLiteral("CREATE TABLE tab_allowed_codes (%1, %2, %3)")
                         .arg(counter("ID"), text("Country", 5, true), text("Prefix", 5)),
                     QStringLiteral("CREATE INDEX CountryCode ON tab_allowed_codes (Country)"),
                     QStringLiteral("CREATE UNIQUE INDEX ID ON tab_allowed_codes (ID)")});
}

// Step 3: the sends and each recipient's outcome, so that a send cut short
// is taken up again for the recipients that did not get it; sends recorded
// before the counts were kept get them.
void addSends(Database &db)
{
    createIfMissing(db, QStringLiteral("tab_invii"),
                    {QStringLiteral("CREATE TABLE tab_invii (%1, Data TEXT, Gateway TEXT, Testo TEXT, "
                                    "Quando TEXT, Chiave TEXT, Stato TEXT, Destinatari INTEGER DEFAULT 0, "
                                    "Accettati INTEGER DEFAULT 0, InCoda INTEGER DEFAULT 0, "
                                    "Rifiutati INTEGER DEFAULT 0, Sconosciuti INTEGER DEFAULT 0, Lavoro TEXT, "
                                    "Tentativi INTEGER DEFAULT 0)")
                         .arg(counter("ID")),
                     QStringLiteral("CREATE INDEX tab_invii_Chiave ON tab_invii (Chiave)")});
    createIfMissing(db, QStringLiteral("tab_invii_dest"),
                    {QStringLiteral("CREATE TABLE tab_invii_dest (ID_Invio INTEGER, Posizione INTEGER, "
                                    "Numero TEXT, Nominativo TEXT, Esito TEXT, Tentativo INTEGER DEFAULT 0, "
                                    "Indice INTEGER DEFAULT 0)"),
                     QStringLiteral("CREATE UNIQUE INDEX tab_invii_dest_Invio ON tab_invii_dest (ID_Invio, Posizione)")});
    addSendCounts(db);
}

// Step 5: the attempt on its way is named by its send, so that a hand-over
// that went through needs no write to each of its recipients. Rows that an
// earlier version left without outcome name theirs.
void addAttemptOnItsWay(Database &db)
{
    if (hasColumn(db, "tab_invii", "InVolo"))
        return;
    db.exec(QStringLiteral(
        "ALTER TABLE tab_invii ADD COLUMN InVolo INTEGER DEFAULT 0;"
        "UPDATE tab_invii SET InVolo = (SELECT MAX(Tentativo) FROM tab_invii_dest WHERE ID_Invio = tab_invii.ID "
        "AND Esito = '' AND Tentativo > 0) WHERE EXISTS (SELECT 1 FROM tab_invii_dest WHERE ID_Invio = tab_invii.ID "
        "AND Esito = '' AND Tentativo > 0)"));
}

// Step 6: the address book's sync state with a CardDAV server.
void addSyncTables(Database &db)
{
    // Each server card the book knows: its ETag, the contact it is linked to
    // (none: kept on the server only), the card as last synced (written back
    // with only the book's fields changed) and the contact's fields as last
    // synced, which tell a change made here since.
    createIfMissing(db, QStringLiteral("tab_carddav"),
                    {QStringLiteral("CREATE TABLE tab_carddav (Href TEXT PRIMARY KEY, ETag TEXT, "
                                    "IDDestinatario INTEGER, Scheda BLOB, Impronta TEXT)"),
                     QStringLiteral("CREATE INDEX tab_carddav_IDDestinatario ON tab_carddav (IDDestinatario)")});
    // The address book synced with and the server's sync token for it.
    createIfMissing(db, QStringLiteral("tab_carddav_stato"),
                    {QStringLiteral("CREATE TABLE tab_carddav_stato (ID INTEGER PRIMARY KEY CHECK (ID = 1), "
                                    "Rubrica TEXT, SyncToken TEXT)")});
    // The local side of each conflict, kept when the server's version won.
    createIfMissing(db, QStringLiteral("tab_carddav_copie"),
                    {QStringLiteral("CREATE TABLE tab_carddav_copie (%1, Quando TEXT, Href TEXT, "
                                    "Nominativo TEXT, Numero TEXT, Scheda BLOB)")
                         .arg(counter("ID"))});
}

// Step 7: delivery reports. Each recipient gets the state the network
// reported ("" none yet, D delivered, F failed, W waiting) and the time it
// arrived; each send gets the counts of those states and the random token
// that the report address carries, so that only reports for this folder's
// own sends are taken.
void addDeliveryReports(Database &db)
{
    const bool sends = hasColumn(db, "tab_invii", "Gettone");
    const bool recipients = hasColumn(db, "tab_invii_dest", "Consegna");
    if (sends && recipients)
        return;
    if (!sends)
        db.exec(QStringLiteral("ALTER TABLE tab_invii ADD COLUMN Gettone TEXT;"
                               "ALTER TABLE tab_invii ADD COLUMN Consegnati INTEGER DEFAULT 0;"
                               "ALTER TABLE tab_invii ADD COLUMN NonConsegnati INTEGER DEFAULT 0;"
                               "ALTER TABLE tab_invii ADD COLUMN InAttesa INTEGER DEFAULT 0;"
                               "CREATE INDEX IF NOT EXISTS tab_invii_Gettone ON tab_invii (Gettone);"));
    if (!recipients)
        db.exec(QStringLiteral("ALTER TABLE tab_invii_dest ADD COLUMN Consegna TEXT DEFAULT '';"
                               "ALTER TABLE tab_invii_dest ADD COLUMN ConsegnaOra TEXT;"));
}

// In order: step n brings a book to version n.
constexpr void (*kSteps[kSchemaVersion])(Database &) = {
    addMessageTextAndPrefixes,
    uniqueMemberships, // step 2
    addSends,
    addSendAttempts, // step 4
    addAttemptOnItsWay,
    addSyncTables, // step 6
    addDeliveryReports,
};

} // namespace

void createDeliveredTables(Database &db)
{
    const QStringList statements{
        QStringLiteral("CREATE TABLE tab_destinatari (%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, %11)")
            .arg(counter("IDDestinatario"), text("Nominativo", 50), text("Numero", 20),
                 text("Indirizzo", 100), text("CAP", 10), text("Citta", 50), text("Prov", 20),
                 text("Regione", 50), text("e_mail", 100))
            .arg(text("DataNascita", 8), text("Sesso", 1)),
        QStringLiteral("CREATE UNIQUE INDEX IDDestinatario ON tab_destinatari (IDDestinatario)"),
        // One contact per number.
        QStringLiteral("CREATE UNIQUE INDEX Numero ON tab_destinatari (Numero)"),
        // Lists show names in alphabetical order whatever their case.
        QStringLiteral("CREATE INDEX tab_destinatari_Nominativo ON tab_destinatari (Nominativo COLLATE NOCASE)"),

        QStringLiteral("CREATE TABLE tab_liste (%1, %2)").arg(counter("ID_Lista"), text("NomeLista", 50)),
        QStringLiteral("CREATE INDEX tab_liste_NomeLista ON tab_liste (NomeLista COLLATE NOCASE)"),

        QStringLiteral("CREATE TABLE tab_membri (ID_Lista INTEGER, ID_Membro INTEGER)"),
        // A contact belongs to a group at most once.
        QStringLiteral("CREATE UNIQUE INDEX tab_membri_ID_Lista ON tab_membri (ID_Lista, ID_Membro)"),
        QStringLiteral("CREATE INDEX tab_membri_ID_Membro ON tab_membri (ID_Membro)"),

        QStringLiteral("CREATE TABLE tab_dest_msg (IDDestinatario INTEGER)"),
        QStringLiteral("CREATE INDEX tab_dest_msg_IDDestinatario ON tab_dest_msg (IDDestinatario)"),

        QStringLiteral("CREATE TABLE tab_dest_number (%1, %2)").arg(counter("ID"), text("Numero", 20)),
        QStringLiteral("CREATE UNIQUE INDEX tab_dest_number_Numero ON tab_dest_number (Numero)"),

        QStringLiteral("CREATE TABLE tab_dest_liste (%1, IDLista INTEGER)").arg(counter("ID")),
        QStringLiteral("CREATE INDEX IDLista ON tab_dest_liste (IDLista)"),

        QStringLiteral("CREATE TABLE tab_accesso (ID INTEGER, %1, %2, %3)")
            .arg(text("user", 50), text("password", 50), text("salvato", 1)),
        QStringLiteral("INSERT INTO tab_accesso (ID, user, password, salvato) VALUES (1, ' ', ' ', 'N')"),
    };
    Transaction tx(db);
    for (const QString &sql : statements)
        db.exec(sql);
    tx.commit();
}

int requireKnownSchema(Database &db)
{
    const int version = int(db.scalar(QStringLiteral("PRAGMA user_version")));
    if (version > kSchemaVersion) {
        throw Error(ErrorNo::NewerBook,
                    Texts::tr("La rubrica '%1' è stata scritta da una versione più recente di BrioSMS (formato %2; "
                              "questa versione conosce fino al formato %3). Non viene aperta né modificata: "
                              "aggiornare BrioSMS per usarla.")
                        .arg(db.path())
                        .arg(version)
                        .arg(kSchemaVersion));
    }
    return version;
}

void UpgradeSchema(Database &db)
{
    const int version = requireKnownSchema(db);
    for (int step = std::max(version, 0); step < kSchemaVersion; ++step) {
        qCInfo(lcStore, "book format %d: step %d", step, step + 1);
        Transaction tx(db);
        kSteps[step](db);
        db.exec(QStringLiteral("PRAGMA user_version = %1").arg(step + 1));
        tx.commit();
    }
}

bool addUniqueNumberIndex(Database &db)
{
    {
        Statement st = db.prepare(QStringLiteral("PRAGMA index_list(tab_destinatari)"));
        while (st.next()) {
            if (st.text(QStringLiteral("name")) == QLatin1String("Numero") && st.integer(QStringLiteral("unique")))
                return true;
        }
    }
    Transaction tx(db);
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM tab_destinatari WHERE Numero IS NOT NULL "
                                 "GROUP BY Numero HAVING COUNT(*) > 1 LIMIT 1)"))
        > 0)
        return false;
    db.exec(QStringLiteral("DROP INDEX IF EXISTS Numero"));
    db.exec(QStringLiteral("CREATE UNIQUE INDEX Numero ON tab_destinatari (Numero)"));
    tx.commit();
    return true;
}

void fillDefaultAllowedCodes(Database &db)
{
    initDataResources();
    QFile file(QStringLiteral(":/data/allowed_codes.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Error(ErrorNo::Internal, QStringLiteral("Elenco dei prefissi mancante"));
    Transaction tx(db);
    Statement insert = db.prepare(QStringLiteral("INSERT INTO tab_allowed_codes (Country, Prefix) VALUES (?, ?)"));
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.split(QLatin1Char(','));
        if (parts.size() != 2)
            continue;
        insert.bind(1, parts.at(0).trimmed()).bind(2, parts.at(1).trimmed()).run();
        insert.reset();
    }
    tx.commit();
}

} // namespace brio
