#include "app/Startup.h"
#include "mock/TestEnv.h"
#include "store/Schema.h"
#include "app/BookDialogues.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace brio;
using namespace brio::test;

Q_DECLARE_METATYPE(brio::PasswordChangeStep)

namespace {

const QStringList kSecrets{
    QStringLiteral("Zanardelli Ottavio"), QStringLiteral("Bërtoli Nicolò"), QStringLiteral("+393471234567"),
    QStringLiteral("+393289876543"),      QStringLiteral("Calcetto del giovedì"), QStringLiteral("utente.salvato"),
};
const QString kRemoveQuestion = QStringLiteral(
    "Non avendo inserito dati, la password verrà disabilitata e chiunque potrà accedere alla rubrica. Proseguire?");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void fill(TestEnv &env)
{
    Transaction tx(env.db());
    const qint64 a = env.addContact(kSecrets.at(0), kSecrets.at(2));
    const qint64 b = env.addContact(kSecrets.at(1), kSecrets.at(3));
    for (int i = 0; i < 200; ++i)
        env.addContact(QStringLiteral("Contatto %1").arg(i), QStringLiteral("+39333%1").arg(1000000 + i));
    env.addGroup(kSecrets.at(4), {a, b});
    env.db().run(QStringLiteral("UPDATE tab_accesso SET user = ?, password = ?, salvato = 'S' WHERE ID = 1"),
                 {kSecrets.at(5), QStringLiteral("pa'ss")});
    tx.commit();
}

// Every row the user cares about, and the counters that number new ones.
QStringList rows(Database &db)
{
    QStringList out;
    for (const char *table :
         {"tab_destinatari", "tab_liste", "tab_membri", "tab_accesso", "tab_allowed_codes", "sqlite_sequence"}) {
        Statement st = db.prepare(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(QLatin1String(table)));
        while (st.next()) {
            QStringList cells;
            for (int i = 0; i < st.columnCount(); ++i)
                cells << st.text(i);
            out << cells.join(QLatin1Char('|'));
        }
    }
    return out;
}

QStringList leftovers(const TestEnv &env)
{
    return QDir(env.dataFolder()).entryList({QStringLiteral("*.new*"), QStringLiteral("*-journal")}, QDir::Files);
}

// Puts the environment's file under the password through the command itself.
void protect(TestEnv &env, const QString &password)
{
    QCOMPARE(ChangeDatabasePassword(*env.ctx, password, password), PasswordChangeResult::Enabled);
    QCOMPARE(env.db().scalar(QStringLiteral("PRAGMA user_version")), kSchemaVersion); // the copy keeps the format
    env.prompter.clear();
}

// A new run of the program on the same folder, with this setting (empty: none)
// and this password typed into the password window.
int startAgain(TestEnv &env, const QString &setting, const QString &typed)
{
    env.settings->set(Key::Branded, 1);
    if (setting.isEmpty())
        env.settings->remove(Key::AskDBPassword);
    else
        env.settings->set(Key::AskDBPassword, setting);
    const QString folder = env.dataFolder();
    env.state = AppState{};
    env.state.setDataFolder(folder);
    env.windows.password = typed;
    return Main(*env.ctx);
}

} // namespace

class TestDatabasePassword final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setChangeAndRemove()
    {
        TestEnv env;
        fill(env);
        const QStringList before = rows(env.db());
        const QString file = env.state.book.path();

        // Set: the confirmation may differ in case; the typed entry is the key.
        QCOMPARE(ChangeDatabasePassword(*env.ctx, QStringLiteral("Segreto'1"), QStringLiteral("SEGRETO'1")),
                 PasswordChangeResult::Enabled);
        QCOMPARE(env.prompter.texts(), QStringList{"Password abilitata."});
        QCOMPARE(env.prompter.last().icon, Icon::Information);
        QCOMPARE(env.state.book.password(), QStringLiteral("Segreto'1"));
        QCOMPARE(env.settings->text(Key::AskDBPassword), QStringLiteral("1"));
        QVERIFY(isEncryptedDatabaseFile(file));
        const QByteArray bytes = readAll(file);
        for (const QString &secret : kSecrets)
            QVERIFY2(!bytes.contains(secret.toUtf8()) && !bytes.contains(secret.toLatin1()), qPrintable(secret));
        QVERIFY_THROWS_EXCEPTION(Error, openWithPassword(file, QStringLiteral("SEGRETO'1")));
        QVERIFY_THROWS_EXCEPTION(Error, openWithPassword(file, QString()));
        QCOMPARE(rows(*openWithPassword(file, QStringLiteral("Segreto'1"))), before);
        QCOMPARE(rows(env.db()), before); // the run goes on with the file reopened

        env.prompter.clear();
        QCOMPARE(ChangeDatabasePassword(*env.ctx, QStringLiteral("nuova password"), QStringLiteral("nuova password")),
                 PasswordChangeResult::Enabled);
        QVERIFY_THROWS_EXCEPTION(Error, openWithPassword(file, QStringLiteral("Segreto'1")));
        QCOMPARE(rows(*openWithPassword(file, QStringLiteral("nuova password"))), before);
        QCOMPARE(env.state.book.password(), QStringLiteral("nuova password"));

        // Spaces only, answered Yes: a plain file the next start does not ask for.
        env.prompter.clear();
        env.prompter.answer(Answer::Yes);
        QCOMPARE(ChangeDatabasePassword(*env.ctx, QStringLiteral("   "), QStringLiteral("   ")),
                 PasswordChangeResult::Disabled);
        QCOMPARE(env.prompter.texts(), (QStringList{kRemoveQuestion, "Password disabilitata."}));
        QCOMPARE(env.prompter.shown.first().icon, Icon::Question);
        QCOMPARE(env.prompter.shown.first().buttons, Buttons::YesNo);
        QCOMPARE(env.state.book.password(), QString());
        QCOMPARE(env.settings->text(Key::AskDBPassword), QStringLiteral("0"));
        QVERIFY(isPlainDatabaseFile(file));
        QVERIFY(readAll(file).contains(kSecrets.at(0).toUtf8()));
        QVERIFY(!databasePasswordNeeded(*env.ctx));
        QCOMPARE(rows(env.db()), before);
        QCOMPARE(leftovers(env), QStringList());
    }

    void refusedChangeNothing_data()
    {
        QTest::addColumn<bool>("protectedFirst");
        QTest::addColumn<int>("holder"); // 0: none, 1: another program's transaction, 2: a program with it open
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("text");
        const QString mismatch = QStringLiteral("Le password inserite non corrispondono.");
        const QString busy = QStringLiteral(
            "La rubrica è aperta da un altro programma (per esempio un plug-in), quindi la password non può essere "
            "modificata ora.\nChiudere l'altro programma e riprovare: la password non è stata modificata.");
        const int m = int(PasswordChangeResult::Mismatch);
        const int c = int(PasswordChangeResult::Cancelled);
        const int b = int(PasswordChangeResult::Busy);
        QTest::newRow("mismatch, plain") << false << 0 << "alfa" << "alfb" << m << mismatch;
        QTest::newRow("mismatch, protected") << true << 0 << "alfa" << "" << m << mismatch;
        QTest::newRow("spaces answered No, protected") << true << 0 << "  " << "  " << c << kRemoveQuestion;
        QTest::newRow("empty answered No, plain") << false << 0 << "" << "" << c << kRemoveQuestion;
        // The change neither waits for the other program nor takes the file from it.
        QTest::newRow("in a transaction of another program") << true << 1 << "nuova" << "nuova" << b << busy;
        // A program with the file open would go on writing into the replaced file.
        QTest::newRow("open in another program") << false << 2 << "nuova" << "nuova" << b << busy;
    }

    void refusedChangeNothing()
    {
        QFETCH(bool, protectedFirst);
        QFETCH(int, holder);
        QFETCH(QString, typed);
        QFETCH(QString, confirmation);
        QFETCH(int, result);
        QFETCH(QString, text);
        TestEnv env;
        fill(env);
        const QString old = protectedFirst ? QStringLiteral("vecchia") : QString();
        if (protectedFirst)
            protect(env, old);
        const QString file = env.state.book.path();
        const QByteArray bytes = readAll(file);
        const QString setting = env.settings->text(Key::AskDBPassword);
        Database *db = env.state.book.ifOpen();
        std::unique_ptr<Database> other;
        QProcess sleeper;
        if (holder == 1) {
            other = openWithPassword(file, old);
            other->exec(QStringLiteral("BEGIN; SELECT count(*) FROM tab_destinatari;"));
        } else if (holder == 2) {
            sleeper.setStandardInputFile(file);
            sleeper.start(QStringLiteral("sleep"), {QStringLiteral("60")});
            QVERIFY(sleeper.waitForStarted());
        }
        const auto expected = PasswordChangeResult(result);
        if (expected == PasswordChangeResult::Cancelled)
            env.prompter.answer(Answer::No);

        QCOMPARE(ChangeDatabasePassword(*env.ctx, typed, confirmation), expected);
        QCOMPARE(env.prompter.texts(), QStringList{text});
        QCOMPARE(env.prompter.last().icon, expected == PasswordChangeResult::Mismatch    ? Icon::Critical
                                           : expected == PasswordChangeResult::Cancelled ? Icon::Question
                                                                                         : Icon::Exclamation);
        QCOMPARE(readAll(file), bytes);
        QCOMPARE(env.settings->text(Key::AskDBPassword), setting);
        QCOMPARE(env.state.book.password(), old);
        QCOMPARE(env.state.book.ifOpen(), db);
        QVERIFY(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari")) > 0);
        QCOMPARE(leftovers(env), QStringList());
        if (holder == 0)
            return;

        // Once the other program is gone, the same change goes through.
        other.reset();
        sleeper.kill();
        sleeper.waitForFinished();
        env.prompter.clear();
        QCOMPARE(ChangeDatabasePassword(*env.ctx, typed, confirmation), PasswordChangeResult::Enabled);
        QCOMPARE(rows(*openWithPassword(file, typed)), rows(env.db()));
    }

    void interruptedChange_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<PasswordChangeStep>("step");
        const QList<std::pair<const char *, PasswordChangeStep>> steps{
            {"exclusive", PasswordChangeStep::Exclusive}, {"exported", PasswordChangeStep::Exported},
            {"synced", PasswordChangeStep::Synced},       {"verified", PasswordChangeStep::Verified},
            {"replaced", PasswordChangeStep::Replaced},   {"dir synced", PasswordChangeStep::DirectorySynced},
            {"setting", PasswordChangeStep::SettingSaved},
        };
        for (const auto &[name, step] : steps) {
            QTest::addRow("set, %s", name) << QString() << "prima" << step;
            QTest::addRow("change, %s", name) << "prima" << "seconda" << step;
            QTest::addRow("remove, %s", name) << "prima" << QString() << step;
        }
    }

    // A failure at any step: the run goes on with the file open under the old
    // or the new password, the setting agrees, every row is there. Killed at
    // that step instead, a new start finds such a file.
    void interruptedChange()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(PasswordChangeStep, step);
        TestEnv env;
        fill(env);
        if (!from.isEmpty())
            protect(env, from);
        const QStringList before = rows(env.db());
        QByteArray killedFile;
        QByteArray killedLog; // the write-ahead log beside it, as a kill leaves it
        QString killedSetting;

        try {
            changeDatabaseKey(*env.ctx, to, [&](PasswordChangeStep s) {
                if (s != step)
                    return;
                killedFile = readAll(env.state.book.path());
                killedLog = readAll(env.state.book.path() + QStringLiteral("-wal"));
                killedSetting = env.settings->text(Key::AskDBPassword);
                throw Error(3043, QStringLiteral("guasto simulato"));
            });
            QFAIL("the failure was not passed on");
        } catch (const Error &e) {
            QCOMPARE(e.description(), QStringLiteral("guasto simulato"));
        }
        const QString current = step >= PasswordChangeStep::Replaced ? to : from;
        QCOMPARE(env.state.book.password(), current);
        QVERIFY(env.state.book.isOpen());
        QCOMPARE(rows(env.db()), before);
        QCOMPARE(rows(*openWithPassword(env.state.book.path(), current)), before);
        QCOMPARE(isEncryptedDatabaseFile(env.state.book.path()), !current.isEmpty());
        QCOMPARE(env.settings->integer(Key::AskDBPassword) == 1, !current.isEmpty());
        QCOMPARE(leftovers(env), QStringList());

        TestEnv killed;
        killed.state.book.close();
        QFile f(killed.state.book.path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(killedFile);
        f.close();
        QFile log(killed.state.book.path() + QStringLiteral("-wal"));
        QVERIFY(log.open(QIODevice::WriteOnly | QIODevice::Truncate));
        log.write(killedLog);
        log.close();
        QCOMPARE(startAgain(killed, killedSetting, current), 0);
        QCOMPARE(rows(killed.db()), before);
        // An encrypted file is always asked for, whatever the setting.
        QCOMPARE(killed.windows.passwordShown, current.isEmpty() ? killedSetting.toInt() : 1);
        QCOMPARE(killed.settings->integer(Key::AskDBPassword) == 1, !current.isEmpty());
    }

    void startUp_data()
    {
        QTest::addColumn<bool>("encrypted");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("opens");
        QTest::newRow("asked, right") << true << "1" << "chiave" << true;
        QTest::newRow("asked, wrong") << true << "1" << "Chiave" << false;
        QTest::newRow("asked, window closed") << true << "1" << "" << false;
        QTest::newRow("setting lost, right") << true << "0" << "chiave" << true;
        QTest::newRow("setting lost, wrong") << true << "" << "sbagliata" << false;
        // A file never protected opens whatever is typed; the setting is put right.
        QTest::newRow("plain file, any password") << false << "1" << "qualsiasi" << true;
    }

    void startUp()
    {
        QFETCH(bool, encrypted);
        QFETCH(QString, setting);
        QFETCH(QString, typed);
        QFETCH(bool, opens);
        TestEnv env;
        fill(env);
        if (encrypted)
            protect(env, QStringLiteral("chiave"));
        const QStringList before = rows(env.db());

        QCOMPARE(startAgain(env, setting, typed), opens ? 0 : 1);
        QCOMPARE(env.windows.passwordShown, 1);
        if (opens) {
            QVERIFY(env.prompter.shown.isEmpty());
            QCOMPARE(rows(env.db()), before);
            QCOMPARE(env.state.book.password(), encrypted ? typed : QString());
            QCOMPARE(env.settings->text(Key::AskDBPassword), encrypted ? QStringLiteral("1") : QStringLiteral("0"));
            QCOMPARE(isEncryptedDatabaseFile(env.state.book.path()), encrypted);
        } else {
            QCOMPARE(env.prompter.texts(), QStringList{"La password inserita non è valida."});
            QCOMPARE(env.prompter.last().icon, Icon::Exclamation);
            QCOMPARE(env.windows.mainShown, 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestDatabasePassword)
#include "tst_databasepassword.moc"
