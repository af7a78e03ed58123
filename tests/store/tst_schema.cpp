#include "addressbook/ListEntries.h"
#include "app/DataFolder.h"
#include "core/Error.h"
#include "groups/Groups.h"
#include "mock/Errors.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace brio;
using namespace brio::test;

class TestSchema final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_serial = 0;

    QString newFolder()
    {
        const QString folder = m_dir.filePath(QStringLiteral("data%1").arg(++m_serial));
        provisionDataFolder(folder);
        return folder;
    }

    static QStringList indexesOf(Database &db, const QString &table)
    {
        QStringList out;
        Statement st = db.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ? "
                                                 "AND name NOT LIKE 'sqlite_%'"));
        st.bind(1, table);
        while (st.next())
            out << st.text(0);
        return out;
    }

    // Every table's columns and every index, with whether it is unique.
    static QStringList shapeOf(Database &db)
    {
        QStringList out;
        Statement tables = db.prepare(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY name"));
        while (tables.next()) {
            const QString table = tables.text(0);
            Statement columns = db.prepare(QStringLiteral("PRAGMA table_info(%1)").arg(quotedName(table)));
            while (columns.next())
                out << table + QLatin1Char('.') + columns.text(QStringLiteral("name")) + QLatin1Char(' ')
                        + columns.text(QStringLiteral("type"));
            Statement indexes = db.prepare(QStringLiteral("PRAGMA index_list(%1)").arg(quotedName(table)));
            QStringList named;
            while (indexes.next())
                named << table + QStringLiteral(" index ") + indexes.text(QStringLiteral("name"))
                        + (indexes.integer(QStringLiteral("unique")) ? QStringLiteral(" unique") : QString());
            named.sort();
            out += named;
        }
        return out;
    }

private Q_SLOTS:
    void newFolderHoldsTheDeliveredDatabase()
    {
        const QString folder = newFolder();
        QVERIFY(QDir(folder).exists(QStringLiteral("Plugins")));
        auto db = Database::open(QDir(folder).filePath(QStringLiteral("BrioSMS.MDB")));
        QStringList tables = db->tableNames();
        tables.removeAll(QStringLiteral("sqlite_sequence"));
        tables.sort();
        QCOMPARE(tables, (QStringList{"tab_accesso", "tab_allowed_codes", "tab_carddav", "tab_carddav_copie", "tab_carddav_stato", "tab_dest_liste", "tab_dest_msg",
                                      "tab_dest_number", "tab_destinatari", "tab_invii", "tab_invii_dest", "tab_liste",
                                      "tab_membri", "tab_stringa_messaggio"}));
        QVERIFY(indexesOf(*db, QStringLiteral("tab_destinatari")).contains(QStringLiteral("IDDestinatario")));
        QVERIFY(indexesOf(*db, QStringLiteral("tab_destinatari")).contains(QStringLiteral("Numero")));
        QVERIFY(indexesOf(*db, QStringLiteral("tab_dest_liste")).contains(QStringLiteral("IDLista")));
        QVERIFY(indexesOf(*db, QStringLiteral("tab_allowed_codes")).contains(QStringLiteral("ID")));
        QVERIFY(indexesOf(*db, QStringLiteral("tab_allowed_codes")).contains(QStringLiteral("CountryCode")));

        Statement row = db->prepare(QStringLiteral("SELECT * FROM tab_accesso"));
        QVERIFY(row.next());
        QCOMPARE(row.integer(QStringLiteral("ID")), 1);
        QCOMPARE(row.text(QStringLiteral("user")), QStringLiteral(" "));
        QCOMPARE(row.text(QStringLiteral("password")), QStringLiteral(" "));
        QCOMPARE(row.text(QStringLiteral("salvato")), QStringLiteral("N"));
        QVERIFY(!row.next());
    }

    void existingFolderIsLeftAlone()
    {
        const QString folder = newFolder();
        {
            auto db = Database::open(QDir(folder).filePath(QStringLiteral("BrioSMS.MDB")));
            db->run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES ('Anna', '+393331234567')"));
        }
        QVERIFY(!provisionDataFolder(folder));
        auto db = Database::open(QDir(folder).filePath(QStringLiteral("BrioSMS.MDB")));
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari")), 1);
    }

    void deliveredPrefixListHoldsTheDesignItems()
    {
        const QString folder = newFolder();
        auto db = Database::open(QDir(folder).filePath(QStringLiteral("BrioSMS.MDB")));
        for (const char *p : {"320", "328", "329", "330", "333", "334", "335", "336", "337", "338", "339",
                              "340", "346", "347", "348", "349", "360", "366", "368", "380", "388", "389",
                              "324", "327", "331", "345", "350", "351", "370", "371", "377", "391", "392", "393"}) {
            QVERIFY2(db->scalar(QStringLiteral("SELECT count(*) FROM tab_allowed_codes WHERE Country = '39' AND Prefix = ?"),
                                {QString::fromLatin1(p)}) == 1,
                     p);
        }
    }

    // Books as each earlier version left them, made here from a new one:
    // each opens as the newest shape, its rows kept.
    void earlierVersionsOpen_data()
    {
        const QString looseMembers = QStringLiteral(
            "DROP INDEX tab_membri_ID_Lista; CREATE INDEX tab_membri_ID_Lista ON tab_membri (ID_Lista, ID_Membro); "
            "INSERT INTO tab_membri VALUES (1, 1);");
        const QString noSends = QStringLiteral("DROP TABLE tab_invii; DROP TABLE tab_invii_dest;");
        const QString oldSends = QStringLiteral(
            "CREATE TABLE tab_invii (ID INTEGER PRIMARY KEY AUTOINCREMENT, Data TEXT, Gateway TEXT, Testo TEXT, "
            "Quando TEXT, Chiave TEXT, Stato TEXT%1); "
            "CREATE INDEX tab_invii_Chiave ON tab_invii (Chiave); "
            "CREATE TABLE tab_invii_dest (ID_Invio INTEGER, Posizione INTEGER, Numero TEXT, Nominativo TEXT, Esito TEXT); "
            "CREATE UNIQUE INDEX tab_invii_dest_Invio ON tab_invii_dest (ID_Invio, Posizione); "
            "INSERT INTO tab_invii (ID, Testo, Stato) VALUES (7, 'ciao', 'C'); "
            "INSERT INTO tab_invii_dest (ID_Invio, Posizione, Numero, Nominativo, Esito) VALUES "
            "(7, 0, '+393331234567', '', 'A'), (7, 1, '+39333', '', 'E'), "
            "(7, 2, '+393471234567', 'Anna', 'Q'), (7, 3, '+393471234568', 'Bice', 'A');");
        QTest::addColumn<QString>("make");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("sends"); // the book holds the send of oldSends
        QTest::newRow("first release") << QStringLiteral("DROP TABLE tab_stringa_messaggio; DROP TABLE tab_allowed_codes; ")
                + noSends + looseMembers
                                       << 0 << false;
        QTest::newRow("message text and prefixes") << noSends + looseMembers << 0 << false;
        QTest::newRow("members once") << noSends << 0 << false;
        QTest::newRow("sends without counts") << noSends + oldSends.arg(QString()) << 0 << true;
        QTest::newRow("sends without attempts")
            << noSends
                + oldSends.arg(QStringLiteral(", Destinatari INTEGER DEFAULT 0, Accettati INTEGER DEFAULT 0, "
                                              "InCoda INTEGER DEFAULT 0, Rifiutati INTEGER DEFAULT 0"))
                + QStringLiteral("UPDATE tab_invii SET Destinatari = 4, Accettati = 2, InCoda = 1, Rifiutati = 1;")
            << 0 << true;
        QTest::newRow("numbered, members once") << noSends << 2 << false;
        // Sends as the numbered versions before the last steps left them.
        const QString numberedSends = noSends + QStringLiteral(
            "CREATE TABLE tab_invii (ID INTEGER PRIMARY KEY AUTOINCREMENT, Data TEXT, Gateway TEXT, Testo TEXT, "
            "Quando TEXT, Chiave TEXT, Stato TEXT, Destinatari INTEGER DEFAULT 0, Accettati INTEGER DEFAULT 0, "
            "InCoda INTEGER DEFAULT 0, Rifiutati INTEGER DEFAULT 0, Sconosciuti INTEGER DEFAULT 0, Lavoro TEXT, "
            "Tentativi INTEGER DEFAULT 0%1); "
            "CREATE INDEX tab_invii_Chiave ON tab_invii (Chiave); "
            "CREATE TABLE tab_invii_dest (ID_Invio INTEGER, Posizione INTEGER, Numero TEXT, Nominativo TEXT, "
            "Esito TEXT, Tentativo INTEGER DEFAULT 0, Indice INTEGER DEFAULT 0); "
            "CREATE UNIQUE INDEX tab_invii_dest_Invio ON tab_invii_dest (ID_Invio, Posizione);");
        const QString noSync = QStringLiteral("DROP TABLE tab_carddav; DROP TABLE tab_carddav_stato; DROP TABLE tab_carddav_copie;");
        QTest::newRow("numbered, attempts on each row") << numberedSends.arg(QString()) + noSync << 4 << false;
        QTest::newRow("numbered, no sync") << numberedSends.arg(QStringLiteral(", InVolo INTEGER DEFAULT 0")) + noSync << 5 << false;
        QTest::newRow("numbered, no delivery reports") << numberedSends.arg(QStringLiteral(", InVolo INTEGER DEFAULT 0")) << 6 << false;
        QTest::newRow("numbered, newest") << QString() << kSchemaVersion << false;
    }

    void earlierVersionsOpen()
    {
        QFETCH(QString, make);
        QFETCH(int, version);
        QFETCH(bool, sends);
        auto newest = Database::open(QDir(newFolder()).filePath(QStringLiteral("BrioSMS.MDB")));
        QCOMPARE(newest->scalar(QStringLiteral("PRAGMA user_version")), kSchemaVersion);
        auto db = Database::open(QDir(newFolder()).filePath(QStringLiteral("BrioSMS.MDB")));
        db->exec(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES ('Anna', '+393331234567');"
                                "INSERT INTO tab_liste (NomeLista) VALUES ('Amici'); INSERT INTO tab_membri VALUES (1, 1);")
                 + make + QStringLiteral("PRAGMA user_version = %1;").arg(version));

        UpgradeSchema(*db);
        QCOMPARE(db->scalar(QStringLiteral("PRAGMA user_version")), kSchemaVersion);
        QCOMPARE(shapeOf(*db), shapeOf(*newest));
        QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM tab_membri")), 1);
        QCOMPARE(memberEntries(*db, 1), (ListEntries{{QStringLiteral("Anna,+393331234567"), 1}}));
        if (sends) {
            Statement st = db->prepare(QStringLiteral(
                "SELECT Destinatari, Accettati, InCoda, Rifiutati, Sconosciuti, Tentativi FROM tab_invii"));
            QVERIFY(st.next());
            QCOMPARE((QList<qint64>{st.integer(0), st.integer(1), st.integer(2), st.integer(3), st.integer(4),
                                    st.integer(5)}),
                     (QList<qint64>{4, 2, 1, 1, 0, 0}));
        }
    }

    // A book a later version wrote is refused, says so, and is not touched.
    void newerBookRefused()
    {
        const QString file = QDir(newFolder()).filePath(QStringLiteral("BrioSMS.MDB"));
        Database::open(file)->exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion + 1));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        {
            auto db = Database::open(file);
            try {
                UpgradeSchema(*db);
                QFAIL("a newer book was taken");
            } catch (const Error &e) {
                QCOMPARE(e.number(), ErrorNo::NewerBook);
                QVERIFY2(e.description().contains(QStringLiteral("versione più recente")), qPrintable(e.description()));
            }
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    // Accented letters sort with their base letter, case ignored, in every
    // list; the order lives on the program's connection, not in the file.
    void namesSortAsAPersonExpects()
    {
        const QString folder = newFolder();
        const QString file = QDir(folder).filePath(QStringLiteral("BrioSMS.MDB"));
        auto db = Database::open(file);
        for (const char *name : {"bruno", "Zeno", "Òscar", "anna", "Èrica", "Carla", "erica", "Àlvaro", "Ugo"})
            db->run(QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES (?1, '+39333' || ?1)"),
                    {QString::fromUtf8(name)});
        QStringList order;
        for (const ListEntry &e : memberEntries(*db, kWholeAddressBook))
            order << e.text.section(QLatin1Char(','), 0, 0);
        QCOMPARE(order, (QStringList{"Àlvaro", "anna", "bruno", "Carla", "erica", "Èrica", "Òscar", "Ugo", "Zeno"}));
        db->run(QStringLiteral("INSERT INTO tab_liste (NomeLista) VALUES ('amici'), ('Lavoro'), ('Ètna'), ('calcetto')"));
        QStringList groups;
        for (const ListEntry &e : groupComboEntries(*db, true, GroupComboMode::GroupNames))
            groups << e.text;
        QCOMPARE(groups, (QStringList{"amici", "calcetto", "Ètna", "Lavoro"}));

        // Another program, the sqlite3 shell, reads and writes the same file.
        db.reset();
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"),
                    {file, QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES ('Ìvo', '+39334');"
                                          "SELECT count(*) FROM tab_destinatari;")});
        QVERIFY(shell.waitForFinished());
        QCOMPARE(shell.exitCode(), 0);
        QCOMPARE(shell.readAllStandardOutput().trimmed(), QByteArray("10"));
    }

    void fieldSizesAreKept()
    {
        const QString folder = newFolder();
        auto db = Database::open(QDir(folder).filePath(QStringLiteral("BrioSMS.MDB")));
        // A prefix too long for its field: tst_serverservices' "error half-way".
        db->run(QStringLiteral("INSERT INTO tab_stringa_messaggio (testo_SMS) VALUES (?)"), {QString(255, QChar(0xE8))});
        QVERIFY_THROWS_EXCEPTION(Error, db->run(QStringLiteral("INSERT INTO tab_stringa_messaggio (testo_SMS) VALUES (?)"),
                                                {QString(256, QLatin1Char('a'))}));
        // The engine measures text up to a NUL and would store a lone
        // surrogate as '?': both are refused, and nothing is stored.
        const QString insert = QStringLiteral("INSERT INTO tab_destinatari (Nominativo, Numero) VALUES (?, ?)");
        for (const QString &number : {QStringLiteral("a") + QChar(0) + QString(10000, QLatin1Char('9')),
                                      QStringLiteral("+39333") + QChar(0xD800) + QStringLiteral("1234")}) {
            QCOMPARE(errorOf([&] { db->run(insert, {QStringLiteral("Nome"), number}); }), ErrorNo::InvalidText);
        }
        // Text already in UTF-8 gets the same refusals, and so does a part
        // of it cut inside a character.
        QCOMPARE(errorOf([] { CheckedUtf8(QByteArray("a\0b", 3)); }), ErrorNo::InvalidText);
        QCOMPARE(errorOf([] { CheckedUtf8(QByteArray("\xed\xa0\x80")); }), ErrorNo::InvalidText);
        const CheckedUtf8 joy(QByteArray("Gioia \xf0\x9f\x98\x80"));
        Statement st = db->prepare(insert);
        QCOMPARE(errorOf([&] { st.bindUtf8(1, joy, 0, 8); }), ErrorNo::InvalidText);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari")), 0);
        db->run(insert, {QStringLiteral("Gioia ") + QString::fromUcs4(U"\U0001F600"), QStringLiteral("+39333")});

        db->run(QStringLiteral("INSERT INTO tab_dest_number (Numero) VALUES ('+393331234567')"));
        QCOMPARE(errorOf([&] { db->run(QStringLiteral("INSERT INTO tab_dest_number (Numero) VALUES ('+393331234567')")); }),
                 ErrorNo::DuplicateKey);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
