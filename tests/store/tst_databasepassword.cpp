#include "app/Startup.h"
#include "mock/TestEnv.h"
#include "store/DatabasePassword.h"

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

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile::remove(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
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

// Every row the user cares about, in a comparable form.
QStringList rows(Database &db)
{
    QStringList out;
    for (const char *sql : {"SELECT IDDestinatario, Nominativo, Numero FROM tab_destinatari ORDER BY 1",
                            "SELECT ID_Lista, NomeLista FROM tab_liste ORDER BY 1",
                            "SELECT ID_Lista, ID_Membro FROM tab_membri ORDER BY 1, 2",
                            "SELECT ID, user, password, salvato FROM tab_accesso",
                            "SELECT count(*) FROM tab_allowed_codes"}) {
        Statement st = db.prepare(QString::fromLatin1(sql));
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

bool opensWith(const QString &file, const QString &password)
{
    try {
        openWithPassword(file, password);
        return true;
    } catch (const Error &) {
        return false;
    }
}

// Puts the environment's file under the password through the command itself.
void protect(TestEnv &env, const QString &password)
{
    QCOMPARE(ChangeDatabasePassword(*env.ctx, password, password), PasswordChangeResult::Enabled);
    env.prompter.clear();
}

struct Snapshot
{
    PasswordChangeStep step;
    QByteArray file;
    QString setting;
};

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
        const QString file = env.state.databasePath();

        // Set: the confirmation may differ in case; the typed entry is the key.
        QCOMPARE(ChangeDatabasePassword(*env.ctx, QStringLiteral("Segreto'1"), QStringLiteral("SEGRETO'1")),
                 PasswordChangeResult::Enabled);
        QCOMPARE(env.prompter.texts(), QStringList{"Password abilitata."});
        QCOMPARE(env.prompter.last().icon, Icon::Information);
        QCOMPARE(env.state.DBPassword, QStringLiteral("Segreto'1"));
        QCOMPARE(env.settings->text(Key::AskDBPassword), QStringLiteral("1"));
        QVERIFY(isEncryptedDatabaseFile(file));
        const QByteArray bytes = readAll(file);
        for (const QString &secret : kSecrets) {
            QVERIFY2(!bytes.contains(secret.toUtf8()), qPrintable(secret));
            QVERIFY2(!bytes.contains(secret.toLatin1()), qPrintable(secret));
        }
        QVERIFY(!opensWith(file, QStringLiteral("SEGRETO'1")));
        QVERIFY(!opensWith(file, QString()));
        QCOMPARE(rows(*openWithPassword(file, QStringLiteral("Segreto'1"))), before);

        // The run goes on with the file reopened; numbering continues.
        QCOMPARE(rows(env.db()), before);
        const qint64 maxId = env.db().scalar(QStringLiteral("SELECT max(IDDestinatario) FROM tab_destinatari"));
        env.db().run(QStringLiteral("DELETE FROM tab_destinatari WHERE IDDestinatario = ?"), {maxId});
        QVERIFY(env.addContact(QStringLiteral("Nuovo"), QStringLiteral("+393330000001")) > maxId);
        env.db().run(QStringLiteral("DELETE FROM tab_destinatari WHERE Nominativo = 'Nuovo'"));
        env.db().run(QStringLiteral("INSERT INTO tab_destinatari (IDDestinatario, Nominativo, Numero) VALUES (?, ?, ?)"),
                     {maxId, QStringLiteral("Contatto 199"), QStringLiteral("+393331000199")});
        QCOMPARE(rows(env.db()), before);

        // Change.
        env.prompter.clear();
        QCOMPARE(ChangeDatabasePassword(*env.ctx, QStringLiteral("nuova password"), QStringLiteral("nuova password")),
                 PasswordChangeResult::Enabled);
        QVERIFY(!opensWith(file, QStringLiteral("Segreto'1")));
        QCOMPARE(rows(*openWithPassword(file, QStringLiteral("nuova password"))), before);
        QCOMPARE(env.state.DBPassword, QStringLiteral("nuova password"));

        // Remove with spaces only, answered Yes: a plain file the next start
        // does not ask for.
        env.prompter.clear();
        env.prompter.answer(Answer::Yes);
        QCOMPARE(ChangeDatabasePassword(*env.ctx, QStringLiteral("   "), QStringLiteral("   ")),
                 PasswordChangeResult::Disabled);
        QCOMPARE(env.prompter.texts(),
                 (QStringList{"Non avendo inserito dati, la password verrà disabilitata e chiunque potrà accedere alla "
                              "rubrica. Proseguire?",
                              "Password disabilitata."}));
        QCOMPARE(env.prompter.shown.first().icon, Icon::Question);
        QCOMPARE(env.prompter.shown.first().buttons, Buttons::YesNo);
        QCOMPARE(env.state.DBPassword, QString());
        QCOMPARE(env.settings->text(Key::AskDBPassword), QStringLiteral("0"));
        QVERIFY(isPlainDatabaseFile(file));
        QVERIFY(readAll(file).contains(kSecrets.at(0).toUtf8()));
        QVERIFY(!databasePasswordNeeded(*env.ctx));
        QCOMPARE(rows(env.db()), before);
        QCOMPARE(leftovers(env), QStringList());
    }

    void refusedEntriesChangeNothing_data()
    {
        QTest::addColumn<bool>("protectedFirst");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<int>("answer"); // -1: no question expected
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("result");
        const QString mismatch = QStringLiteral("Le password inserite non corrispondono.");
        const QString question = QStringLiteral("Non avendo inserito dati, la password verrà disabilitata e chiunque "
                                                "potrà accedere alla rubrica. Proseguire?");
        const int m = int(PasswordChangeResult::Mismatch);
        const int c = int(PasswordChangeResult::Cancelled);
        QTest::newRow("mismatch, plain") << false << "alfa" << "alfb" << -1 << mismatch << m;
        QTest::newRow("mismatch, protected") << true << "alfa" << "" << -1 << mismatch << m;
        QTest::newRow("spaces answered No, protected") << true << "  " << "  " << int(Answer::No) << question << c;
        QTest::newRow("empty answered No, plain") << false << "" << "" << int(Answer::No) << question << c;
    }

    void refusedEntriesChangeNothing()
    {
        QFETCH(bool, protectedFirst);
        QFETCH(QString, typed);
        QFETCH(QString, confirmation);
        QFETCH(int, answer);
        QFETCH(QString, text);
        QFETCH(int, result);
        TestEnv env;
        fill(env);
        if (protectedFirst)
            protect(env, QStringLiteral("vecchia"));
        const QByteArray bytes = readAll(env.state.databasePath());
        const QString setting = env.settings->text(Key::AskDBPassword);
        const QString password = env.state.DBPassword;
        Database *db = env.state.DB.get();
        if (answer >= 0)
            env.prompter.answer(Answer(answer));

        QCOMPARE(int(ChangeDatabasePassword(*env.ctx, typed, confirmation)), result);
        QCOMPARE(env.prompter.texts(), QStringList{text});
        QCOMPARE(env.prompter.last().icon, answer >= 0 ? Icon::Question : Icon::Critical);
        QCOMPARE(readAll(env.state.databasePath()), bytes);
        QCOMPARE(env.settings->text(Key::AskDBPassword), setting);
        QCOMPARE(env.state.DBPassword, password);
        QCOMPARE(env.state.DB.get(), db);
    }

    // Another program in the middle of a transaction: the change must not
    // wait for it nor take the file from it.
    void fileHeldByAnotherProgram()
    {
        TestEnv env;
        fill(env);
        protect(env, QStringLiteral("vecchia"));
        const QString file = env.state.databasePath();
        const QByteArray bytes = readAll(file);
        Database *db = env.state.DB.get();
        {
            auto other = openWithPassword(file, QStringLiteral("vecchia"));
            other->exec(QStringLiteral("BEGIN; SELECT count(*) FROM tab_destinatari;"));
            QCOMPARE(ChangeDatabasePassword(*env.ctx, QStringLiteral("nuova"), QStringLiteral("nuova")),
                     PasswordChangeResult::Busy);
            QCOMPARE(env.prompter.shown.size(), 1);
            QVERIFY(env.prompter.last().text.contains(QStringLiteral("altro programma")));
            QCOMPARE(env.prompter.last().icon, Icon::Exclamation);
            QCOMPARE(readAll(file), bytes);
            QCOMPARE(env.state.DB.get(), db);
            QCOMPARE(env.state.DBPassword, QStringLiteral("vecchia"));
            QVERIFY(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari")) > 0);
            QCOMPARE(leftovers(env), QStringList());
            other->exec(QStringLiteral("COMMIT"));
        }
        env.prompter.clear();
        QCOMPARE(ChangeDatabasePassword(*env.ctx, QStringLiteral("nuova"), QStringLiteral("nuova")),
                 PasswordChangeResult::Enabled);
        QVERIFY(opensWith(file, QStringLiteral("nuova")));
    }

    // A program that only has the file open, between two transactions,
    // would keep writing into the replaced file.
    void fileOpenInAnotherProgram()
    {
        TestEnv env;
        fill(env);
        const QString file = env.state.databasePath();
        const QByteArray bytes = readAll(file);
        QProcess other;
        other.setStandardInputFile(file);
        other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(other.waitForStarted());

        QCOMPARE(ChangeDatabasePassword(*env.ctx, QStringLiteral("nuova"), QStringLiteral("nuova")),
                 PasswordChangeResult::Busy);
        QCOMPARE(readAll(file), bytes);
        QCOMPARE(leftovers(env), QStringList());
        QVERIFY(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_destinatari")) > 0);

        other.kill();
        QVERIFY(other.waitForFinished());
        env.prompter.clear();
        QCOMPARE(ChangeDatabasePassword(*env.ctx, QStringLiteral("nuova"), QStringLiteral("nuova")),
                 PasswordChangeResult::Enabled);
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

    // A failure at any step: the run goes on with the file open under the
    // old or the new password, the setting agrees, every row is there.
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

        bool thrown = false;
        try {
            changeDatabaseKey(*env.ctx, to, [step](PasswordChangeStep s) {
                if (s == step)
                    throw Error(3043, QStringLiteral("guasto simulato"));
            });
        } catch (const Error &e) {
            thrown = true;
            QCOMPARE(e.description(), QStringLiteral("guasto simulato"));
        }
        QVERIFY(thrown);

        const bool replaced = step >= PasswordChangeStep::Replaced;
        QCOMPARE(env.state.DBPassword, replaced ? to : from);
        QVERIFY(env.state.DB);
        QCOMPARE(rows(env.db()), before);
        QCOMPARE(rows(*openWithPassword(env.state.databasePath(), env.state.DBPassword)), before);
        QCOMPARE(isEncryptedDatabaseFile(env.state.databasePath()), !env.state.DBPassword.isEmpty());
        QCOMPARE(env.settings->integer(Key::AskDBPassword) == 1, !env.state.DBPassword.isEmpty());
        QCOMPARE(leftovers(env), QStringList());
    }

    void killedDuringChange_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("set") << QString() << "prima";
        QTest::newRow("change") << "prima" << "seconda";
        QTest::newRow("remove") << "prima" << QString();
    }

    // The program killed at any step: a new start finds a file that opens
    // with the old or the new password and holds every row.
    void killedDuringChange()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QList<Snapshot> snapshots;
        QStringList before;
        {
            TestEnv env;
            fill(env);
            if (!from.isEmpty())
                protect(env, from);
            before = rows(env.db());
            const QString file = env.state.databasePath();
            changeDatabaseKey(*env.ctx, to, [&](PasswordChangeStep s) {
                snapshots.append({s, readAll(file), env.settings->text(Key::AskDBPassword)});
            });
        }
        QCOMPARE(snapshots.size(), 7);

        for (const Snapshot &snap : snapshots) {
            bool started = false;
            for (const QString &typed : {from, to}) {
                TestEnv env;
                env.settings->set(Key::Branded, 1);
                env.settings->set(Key::AskDBPassword, snap.setting);
                env.state.DB.reset();
                writeAll(env.state.databasePath(), snap.file);
                env.windows.password = typed;
                if (Main(*env.ctx) != 0)
                    continue;
                started = true;
                QCOMPARE(rows(env.db()), before);
                // An encrypted file is always asked for, whatever the setting.
                if (isEncryptedDatabaseFile(env.state.databasePath()))
                    QCOMPARE(env.windows.passwordShown, 1);
                QCOMPARE(env.settings->integer(Key::AskDBPassword) == 1, !env.state.DBPassword.isEmpty());
                break;
            }
            QVERIFY2(started, qPrintable(QStringLiteral("step %1").arg(int(snap.step))));
        }
    }

    void startUpWithPassword_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("opens");
        QTest::newRow("asked, right") << "1" << "chiave" << true;
        QTest::newRow("asked, wrong") << "1" << "Chiave" << false;
        QTest::newRow("asked, window closed") << "1" << "" << false;
        QTest::newRow("setting lost, right") << "0" << "chiave" << true;
        QTest::newRow("setting lost, wrong") << "" << "sbagliata" << false;
    }

    void startUpWithPassword()
    {
        QFETCH(QString, setting);
        QFETCH(QString, typed);
        QFETCH(bool, opens);
        TestEnv env;
        fill(env);
        protect(env, QStringLiteral("chiave"));
        const QStringList before = rows(env.db());
        env.settings->set(Key::Branded, 1);
        if (setting.isEmpty())
            env.settings->remove(Key::AskDBPassword);
        else
            env.settings->set(Key::AskDBPassword, setting);
        const QString folder = env.dataFolder();
        env.state = AppState{}; // a new run
        env.state.InstallDir = folder;
        env.windows.password = typed;

        QCOMPARE(Main(*env.ctx), opens ? 0 : 1);
        QCOMPARE(env.windows.passwordShown, 1);
        if (opens) {
            QVERIFY(env.prompter.shown.isEmpty());
            QCOMPARE(rows(env.db()), before);
            QCOMPARE(env.settings->text(Key::AskDBPassword), QStringLiteral("1"));
        } else {
            QCOMPARE(env.prompter.texts(), QStringList{"La password inserita non è valida."});
            QCOMPARE(env.prompter.last().icon, Icon::Exclamation);
            QCOMPARE(env.windows.mainShown, 0);
        }
    }

    // A file never protected opens whatever is typed, and the setting that
    // asked for nothing is put right.
    void plainFileOpensWithAnyPassword()
    {
        TestEnv env;
        fill(env);
        const QStringList before = rows(env.db());
        env.settings->set(Key::Branded, 1);
        env.settings->set(Key::AskDBPassword, QStringLiteral("1"));
        env.state.DB.reset();
        env.windows.password = QStringLiteral("qualsiasi");
        QCOMPARE(Main(*env.ctx), 0);
        QCOMPARE(env.windows.passwordShown, 1);
        QCOMPARE(env.state.DBPassword, QString());
        QCOMPARE(rows(env.db()), before);
        QCOMPARE(env.settings->text(Key::AskDBPassword), QStringLiteral("0"));
        QVERIFY(isPlainDatabaseFile(env.state.databasePath()));
    }
};

QTEST_GUILESS_MAIN(TestDatabasePassword)
#include "tst_databasepassword.moc"
