#include "core/Error.h"
#include "mock/Errors.h"
#include "store/Database.h"
#include "store/DiskErrors.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace brio;
using namespace brio::test;

class TestDatabase final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_serial = 0;
    std::unique_ptr<Database> fresh(const QString &name)
    {
        const QString file = m_dir.filePath(QString::number(++m_serial) + name);
        auto db = Database::open(file, QString(), Database::Mode::Shared, true);
        db->exec(QStringLiteral(
            "CREATE TABLE t (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
            "Nome TEXT CONSTRAINT size_Nome CHECK (length(Nome) <= 5), Numero TEXT);"
            "CREATE UNIQUE INDEX t_Numero ON t (Numero);"));
        return db;
    }

private Q_SLOTS:
    // A full disk is said in Italian first, the engine's words after.
    void fullDiskIsToldAsSuch()
    {
        QTemporaryDir dir;
        auto db = Database::open(dir.filePath(QStringLiteral("pieno.db")), QString(), Database::Mode::Shared, true);
        db->exec(QStringLiteral("CREATE TABLE t (x TEXT)"));
        db->exec(QStringLiteral("PRAGMA max_page_count = 3")); // the disk as full as the file is now
        try {
            db->run(QStringLiteral("INSERT INTO t VALUES (?)"), {QString(20000, QLatin1Char('x'))});
            QFAIL("written past the end of the disk");
        } catch (const Error &e) {
            QCOMPARE(e.number(), ErrorNo::DiskFull);
            QVERIFY2(e.description().startsWith(QStringLiteral("Il disco è pieno: la rubrica non può essere scritta "
                                                               "(dettaglio: ")),
                     qPrintable(e.description()));
        }
    }

    void engineErrorsBecomeProgramNumbers_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("params");
        QTest::addColumn<int>("number");
        QTest::newRow("duplicate key") << "INSERT INTO t (Nome, Numero) VALUES (?, ?)"
                                       << QVariantList{QStringLiteral("b"), QStringLiteral("+39333")} << 3022;
        QTest::newRow("field too small") << "INSERT INTO t (Nome, Numero) VALUES (?, ?)"
                                         << QVariantList{QStringLiteral("troppo"), QStringLiteral("+39")} << 3163;
        QTest::newRow("no such table") << "SELECT * FROM nessuna" << QVariantList{} << ErrorNo::DatabaseGeneric;
    }

    void engineErrorsBecomeProgramNumbers()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, params);
        QFETCH(int, number);
        auto db = fresh(QStringLiteral("errors.db"));
        db->run(QStringLiteral("INSERT INTO t (Nome, Numero) VALUES (?, ?)"), {QStringLiteral("a"), QStringLiteral("+39333")});
        QCOMPARE(errorOf([&] { db->run(sql, params); }), number);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM t")), 1);
    }

    // Columns are found in any case, table names only exactly; deleted
    // counters are never given again.
    void namesAndCounters()
    {
        auto db = fresh(QStringLiteral("names.db"));
        db->run(QStringLiteral("INSERT INTO t (Nome, Numero) VALUES (?, ?)"), {QStringLiteral("Anna"), QStringLiteral("+39")});
        Statement st = db->prepare(QStringLiteral("SELECT * FROM t"));
        QVERIFY(st.next());
        QCOMPARE(st.text(QStringLiteral("numero")), QStringLiteral("+39"));
        QCOMPARE(st.text(QStringLiteral("NOME")), QStringLiteral("Anna"));
        QCOMPARE(st.integer(QStringLiteral("id")), 1);
        QVERIFY_THROWS_EXCEPTION(Error, st.value(QStringLiteral("Citta")));
        QVERIFY(db->tableExists(QStringLiteral("t")));
        QVERIFY(!db->tableExists(QStringLiteral("T")));

        db->run(QStringLiteral("INSERT INTO t (Nome, Numero) VALUES ('b', '2')"));
        db->run(QStringLiteral("DELETE FROM t WHERE ID = 2"));
        db->run(QStringLiteral("INSERT INTO t (Nome, Numero) VALUES ('c', '3')"));
        QCOMPARE(db->lastInsertId(), 3);
    }

    void failedTransactionLeavesNothing()
    {
        auto db = fresh(QStringLiteral("tx.db"));
        QCOMPARE(errorOf([&] {
                     Transaction tx(*db);
                     db->run(QStringLiteral("INSERT INTO t (Nome, Numero) VALUES ('a', '1')"));
                     db->run(QStringLiteral("INSERT INTO t (Nome, Numero) VALUES ('b', '1')")); // duplicate
                     tx.commit();
                 }),
                 ErrorNo::DuplicateKey);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM t")), 0);
        // A later transaction works: the failed one did not stay open.
        Transaction tx(*db);
        db->run(QStringLiteral("INSERT INTO t (Nome, Numero) VALUES ('c', '2')"));
        tx.commit();
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM t")), 1);
    }

    void likeTranslatesWildcardsAndFoldsAccents_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("matches");
        QTest::newRow("star inside") << "*cola*" << "Nicola Rossi" << true;
        QTest::newRow("accent case") << "*NICOLÒ*" << "nicolò bianchi" << true;
        QTest::newRow("question mark") << "R?ssi" << "Rossi" << true;
        QTest::newRow("question needs a char") << "Ross?" << "Ross" << false;
        QTest::newRow("percent is literal") << "*50%*" << "sconto 50% oggi" << true;
        QTest::newRow("percent not wildcard") << "50%" << "500" << false;
        QTest::newRow("underscore literal") << "a_b" << "axb" << false;
        QTest::newRow("plain") << "Anna" << "anna" << true;
        // Many stars: each answered at once, not after trying every split.
        const QString as = QString(300, QLatin1Char('a'));
        QTest::newRow("seven stars, no match") << "*a*a*a*a*a*a*a*x" << as << false;
        QTest::newRow("seven stars, match") << "*a*a*a*a*a*a*a*" << as << true;
        QTest::newRow("stars and marks") << "*a?*b*?c*" << "xxaybzzcc" << true;
        QTest::newRow("stars need the end") << "*a*b" << "ab ab a" << false;
    }

    void likeTranslatesWildcardsAndFoldsAccents()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, value);
        QFETCH(bool, matches);
        auto db = fresh(QStringLiteral("like.db"));
        const qint64 hit = db->scalar(QStringLiteral("SELECT ? LIKE ? ESCAPE '\\'"), {value, likePattern(pattern)});
        QCOMPARE(hit == 1, matches);
    }

    void missingOrForeignFilesFailToOpen()
    {
        QVERIFY_THROWS_EXCEPTION(Error, Database::open(m_dir.filePath(QStringLiteral("absent.db"))));
        QFile junk(m_dir.filePath(QStringLiteral("junk.db")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, '\x5a'));
        junk.close();
        QCOMPARE(errorOf([&] { Database::open(junk.fileName()); }), ErrorNo::NotADatabase);
    }

    void exclusiveOpenRefusedWhileAnotherHoldsTheFile()
    {
        auto first = fresh(QStringLiteral("lock.db"));
        auto holder = Database::open(first->path(), QString(), Database::Mode::Exclusive);
        QCOMPARE(errorOf([&] { Database::open(first->path(), QString(), Database::Mode::Exclusive); }),
                 ErrorNo::DatabaseLocked);
    }

    // Another program (the sqlite3 shell) holding the log's writer lock: a
    // write that waits too long fails, a write that outlasts the other's
    // transaction gets in, and neither leaves the lock held by this process.
    void writesWaitForAnotherProgramAndLeaveNoLockBehind()
    {
        auto db = fresh(QStringLiteral("wal.db"));
        db->useWriteAheadLog();
        db->setBusyTimeout(300);
        QProcess other;
        other.start(QStringLiteral("sqlite3"), {db->path()});
        QVERIFY(other.waitForStarted());
        const auto say = [&other](const QByteArray &commands, const QByteArray &reply) {
            other.write(commands + "\n.print " + reply + "\n");
            QElapsedTimer clock;
            clock.start();
            while (!other.readAllStandardOutput().contains(reply) && clock.elapsed() < 5000)
                other.waitForReadyRead(100);
            return clock.elapsed() < 5000;
        };
        QVERIFY(say("PRAGMA busy_timeout=10000; BEGIN IMMEDIATE; INSERT INTO t (Numero) VALUES ('1');", "held"));

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(errorOf([&] { db->run(QStringLiteral("INSERT INTO t (Numero) VALUES ('2')")); }),
                 ErrorNo::DatabaseLocked);
        QVERIFY2(clock.elapsed() < 2000, "the wait did not stop at its time-out");
        // The other program's next transaction starts at once: a wait left
        // behind would have taken the lock meanwhile and kept it waiting
        // past the test's patience.
        QVERIFY(say("COMMIT;", "free"));
        QTest::qWait(100);
        QVERIFY(say("BEGIN IMMEDIATE; INSERT INTO t (Numero) VALUES ('3');", "again"));

        // Held a little longer, then let go: this write waits for it.
        other.write(".shell sleep 0.1\nCOMMIT;\n");
        QVERIFY(other.waitForBytesWritten());
        db->setBusyTimeout(5000);
        db->run(QStringLiteral("INSERT INTO t (Numero) VALUES ('4')"));
        QVERIFY(say("BEGIN IMMEDIATE; INSERT INTO t (Numero) VALUES ('5'); COMMIT;", "done"));
        other.closeWriteChannel();
        QVERIFY(other.waitForFinished(5000));
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM t")), 4);
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
