#include "app/DataFolder.h"
#include "app/Startup.h"
#include "mock/TestEnv.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

using namespace brio;
using namespace brio::test;

namespace {

// A state as a new run has it: nothing loaded yet.
void freshRun(TestEnv &env)
{
    env.state.book.close();
    env.state.brand.msgBoxCaption.clear();
    env.state.brand.mainCaption.clear();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray sha256(const QString &path)
{
    return QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256);
}

// Makes a file or folder impossible to write, even for root, while it lives.
class Unwritable final
{
public:
    explicit Unwritable(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        m_done = setImmutable(true);
    }
    ~Unwritable()
    {
        if (m_done)
            setImmutable(false);
    }
    Unwritable(const Unwritable &) = delete;
    Unwritable &operator=(const Unwritable &) = delete;
    bool done() const { return m_done; }

private:
    bool setImmutable(bool on)
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return ok;
    }

    QByteArray m_path;
    bool m_done = false;
};

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class TestStartup final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The password window only for AskDBPassword=1. What a password change
    // cut short leaves beside the book goes first: when the password was
    // being removed, it is the book in plain text.
    void plainStart_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("asked");
        QTest::newRow("absent") << QString() << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("one") << "1" << true;
        QTest::newRow("garbage") << "sì" << false;
    }

    void plainStart()
    {
        QFETCH(QString, setting);
        QFETCH(bool, asked);
        TestEnv env;
        env.settings->set(Key::Branded, 1);
        if (!setting.isNull())
            env.settings->set(Key::AskDBPassword, setting);
        freshRun(env);
        const QString copy = env.state.book.path() + QStringLiteral(".new");
        QVERIFY(QFile::copy(env.state.book.path(), copy));
        write(copy + QStringLiteral("-journal"), QByteArray(512, '\0'));
        QCOMPARE(Main(*env.ctx), 0);
        QVERIFY(!QFileInfo::exists(copy));
        QVERIFY(!QFileInfo::exists(copy + QStringLiteral("-journal")));
        QCOMPARE(env.windows.mainShown, 1);
        QCOMPARE(env.windows.passwordShown, asked ? 1 : 0);
        QCOMPARE(env.windows.loginShown, 0);
        QVERIFY(env.state.book.isOpen());
        QCOMPARE(env.settings->text(Key::InstallDir), QDir::toNativeSeparators(env.dataFolder()));
        QCOMPARE(env.state.brand.mainCaption, QStringLiteral("BrioSMS 2.0"));
        QVERIFY(env.prompter.shown.isEmpty());
    }

    // Files made by hand in place of the book: each is told apart where its
    // bytes allow it, and none is changed.
    void unusableBookIsLeftAsItWas_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("text"); // %1: the file, %2: the data folder
        QTest::addColumn<bool>("asked");   // the password window was shown
        const QString password = QStringLiteral("La password inserita non è valida.");
        const QString leftAsItWas = QStringLiteral(
            "\nIl file è stato lasciato com'era. Per ricominciare con una rubrica vuota, rinominare la cartella "
            "\"%2\" e riavviare BrioSMS.");
        const QString damaged = QStringLiteral("Il file della rubrica \"%1\" è danneggiato e non può essere letto.")
                                + leftAsItWas;
        // Random bytes cannot be told from an encrypted book.
        QTest::newRow("random bytes") << "random" << password << true;
        QTest::newRow("missing") << "missing"
                                 << "Nella cartella dei dati \"%2\" non c'è il file della rubrica \"%1\": non è la "
                                    "cartella di BrioSMS, o la rubrica è stata spostata."
                                 << false;
        QTest::newRow("too short") << "short"
                                   << "Il file della rubrica \"%1\" è troppo corto per essere una rubrica." + leftAsItWas
                                   << false;
        QTest::newRow("folder") << "folder" << "Al posto del file della rubrica \"%1\" c'è una cartella." + leftAsItWas
                                << false;
        QTest::newRow("cut short") << "cut" << damaged << false;
        QTest::newRow("damaged page") << "page" << damaged << false;
        QTest::newRow("plain header only") << "header" << damaged << false;
        QTest::newRow("another program's database")
            << "foreign" << "Il file \"%1\" non contiene una rubrica di BrioSMS." + leftAsItWas << false;
    }

    void unusableBookIsLeftAsItWas()
    {
        QFETCH(QString, damage);
        QFETCH(QString, text);
        QFETCH(bool, asked);
        TestEnv env;
        for (int i = 0; i < 300; ++i)
            env.addContact(QStringLiteral("Contatto %1").arg(i), QStringLiteral("+39333%1").arg(1000000 + i));
        freshRun(env);
        const QString file = env.state.book.path();
        QByteArray book = readAll(file);
        QVERIFY(book.size() > 4 * 4096);
        QFile::remove(file);
        if (damage == QLatin1String("random"))
            write(file, QByteArray(8192, '\x37'));
        else if (damage == QLatin1String("short"))
            write(file, QByteArray(100, '\x37'));
        else if (damage == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(file));
        else if (damage == QLatin1String("cut"))
            write(file, book.left(book.size() / 2));
        else if (damage == QLatin1String("page"))
            write(file, book.replace(3 * 4096, 4096, QByteArray(4096, '\x55')));
        else if (damage == QLatin1String("header"))
            write(file, book.left(16) + QByteArray(8192, '\x37'));
        else if (damage == QLatin1String("foreign")) {
            auto other = Database::open(file, QString(), Database::Mode::Shared, true);
            other->exec(QStringLiteral("CREATE TABLE fatture (numero INTEGER, cliente TEXT)"));
        }
        const QByteArray before = sha256(file);

        QCOMPARE(Main(*env.ctx), 1);
        QCOMPARE(env.prompter.texts(), QStringList{text.arg(QDir::toNativeSeparators(file),
                                                             QDir::toNativeSeparators(env.dataFolder()))});
        QCOMPARE(env.prompter.last().title, QStringLiteral("BrioSMS")); // the brand is not loaded yet
        QCOMPARE(env.windows.passwordShown, asked ? 1 : 0);
        QCOMPARE(env.windows.mainShown, 0);
        QVERIFY(!env.state.book.isOpen());
        QCOMPARE(sha256(file), before);
        QCOMPARE(QFileInfo::exists(file), damage != QLatin1String("missing"));
    }

    // An intact book that may not be written is said to be read-only,
    // naming the path, and is left as it was: never called damaged.
    void readOnlyBookIsNotDamaged_data()
    {
        QTest::addColumn<bool>("wholeFolder");
        QTest::newRow("read-only book") << false;
        QTest::newRow("read-only data folder") << true;
    }

    void readOnlyBookIsNotDamaged()
    {
        QFETCH(bool, wholeFolder);
        TestEnv env;
        env.addContact(QStringLiteral("Contatto"), QStringLiteral("+393331234567"));
        freshRun(env);
        const QString file = env.state.book.path();
        const QString place = wholeFolder ? env.dataFolder() : file;
        const QByteArray before = sha256(file);
        const Unwritable readOnly(place);
        if (!readOnly.done())
            QSKIP("this file system or user cannot make a file read-only for the test");
        QCOMPARE(Main(*env.ctx), 1);
        QCOMPARE(env.prompter.texts(),
                 QStringList{QStringLiteral("Impossibile aprire la rubrica \"%1\": \"%2\" è in sola lettura, e BrioSMS "
                                            "deve poter scrivere nella rubrica, nella sua cartella e nei file accanto che "
                                            "ne tengono le modifiche.\nIl file è stato lasciato com'era.")
                                 .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(place))});
        QCOMPARE(env.windows.mainShown, 0);
        QCOMPARE(sha256(file), before);
    }

    // A zero-byte book and an empty data folder hold nothing: both become a
    // new book, as a missing folder does.
    void emptyBookOrFolderIsMadeNew_data()
    {
        QTest::addColumn<bool>("wholeFolder");
        QTest::newRow("zero-byte book") << false;
        QTest::newRow("empty data folder") << true;
    }

    void emptyBookOrFolderIsMadeNew()
    {
        QFETCH(bool, wholeFolder);
        TestEnv env;
        env.settings->set(Key::Branded, 1);
        freshRun(env);
        if (wholeFolder) {
            QVERIFY(QDir(env.dataFolder()).removeRecursively());
            QVERIFY(QDir().mkdir(env.dataFolder()));
            QVERIFY(provisionDataFolder(env.dataFolder()));
            QVERIFY(QFileInfo(QDir(env.dataFolder()).filePath(QStringLiteral("Plugins"))).isDir());
        } else {
            write(env.state.book.path(), QByteArray());
        }
        QCOMPARE(Main(*env.ctx), 0);
        QCOMPARE(env.windows.mainShown, 1);
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_accesso")), 1);
        QVERIFY(env.db().scalar(QStringLiteral("SELECT count(*) FROM tab_allowed_codes")) > 0);
        env.addContact(QStringLiteral("Nuovo"), QStringLiteral("+393331234567"));
    }

    // A plug-in committing holds the whole file for a moment (an older book
    // without the write-ahead log): the start waits for it; when the wait
    // runs out it says so.
    void bookLockedByAnotherProgram_data()
    {
        QTest::addColumn<int>("heldMs");
        QTest::newRow("for a moment") << 300;
        QTest::newRow("past the wait") << -1;
    }

    void bookLockedByAnotherProgram()
    {
        QFETCH(int, heldMs);
        TestEnv env;
        env.settings->set(Key::Branded, 1);
        env.db().exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        freshRun(env);
        const QString file = env.state.book.path();
        if (heldMs < 0)
            Database::setDefaultBusyTimeout(300);
        QSemaphore locked;
        QSemaphore done;
        std::thread plugin([&] {
            auto other = Database::open(file);
            other->exec(QStringLiteral("BEGIN EXCLUSIVE"));
            locked.release();
            if (heldMs >= 0)
                QThread::msleep(heldMs);
            else
                done.acquire();
            other->exec(QStringLiteral("COMMIT"));
        });
        locked.acquire();
        const QByteArray before = sha256(file);
        const int status = Main(*env.ctx);
        done.release();
        plugin.join();
        Database::setDefaultBusyTimeout(15000);
        if (heldMs >= 0) {
            QCOMPARE(status, 0);
            QVERIFY(env.prompter.shown.isEmpty());
            QCOMPARE(env.windows.mainShown, 1);
            return;
        }
        QCOMPARE(status, 1);
        QCOMPARE(env.prompter.texts(),
                 QStringList{QStringLiteral("La rubrica \"%1\" è in uso da un altro programma (per esempio un "
                                            "plug-in).\nChiudere l'altro programma e riavviare BrioSMS.")
                                 .arg(QDir::toNativeSeparators(file))});
        QCOMPARE(sha256(file), before);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
