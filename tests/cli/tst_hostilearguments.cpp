// The real program on the command line, fed what it must refuse: each is
// refused with a message about what is wrong, in bounded memory, and
// nothing it names is changed.
#include "mock/Program.h"
#include "store/Database.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace brio::test;

namespace {

// home empty: a data folder in dir. stdinFile: standard input read from it.
ProgramRun runProgram(const QTemporaryDir &dir, const QStringList &args, const QString &home = QString(),
                      const QString &stdinFile = QString())
{
    Program program(home.isEmpty() ? dir.filePath(QStringLiteral("dati")) : home);
    if (!stdinFile.isEmpty())
        program.inputFile(stdinFile);
    const bool ownSettings = !args.contains(QStringLiteral("--settings"));
    return program.run((ownSettings ? QStringList{QStringLiteral("--settings"), dir.filePath(QStringLiteral("briosms.ini"))}
                                    : QStringList())
                       + args);
}

long childrenPeakMb()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024;
}

const QStringList kSend{QStringLiteral("send"), QStringLiteral("--gateway"), QStringLiteral("sandbox:"),
                        QStringLiteral("--to"), QStringLiteral("+393331234567")};

} // namespace

class TestHostileArguments final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("home");     // "file", "proc" or empty
        QTest::addColumn<QString>("stdinFile");
        QTest::addColumn<QString>("message");
        const QString tooLong = QStringLiteral("è più lungo di quanto un messaggio possa contenere: letti 4096 byte");
        QTest::newRow("text file endless") << kSend + QStringList{QStringLiteral("--text-file"), QStringLiteral("/dev/zero")}
                                           << QString() << QString() << "Il testo da /dev/zero " + tooLong;
        QTest::newRow("standard input endless") << kSend + QStringList{QStringLiteral("-")} << QString()
                                                << QStringLiteral("/dev/zero") << "Il testo da standard input " + tooLong;
        QTest::newRow("data folder a file") << kSend + QStringList{QStringLiteral("--text"), QStringLiteral("ciao")}
                                            << "file" << QString() << "non è una cartella (è un file o un dispositivo)";
        QTest::newRow("data folder not ours") << kSend + QStringList{QStringLiteral("--text"), QStringLiteral("ciao")}
                                              << "proc" << QString() << "non c'è il file della rubrica";
    }

    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, home);
        QFETCH(QString, stdinFile);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QString folder;
        if (home == QLatin1String("file")) {
            folder = dir.filePath(QStringLiteral("un-file"));
            QFile f(folder);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (home == QLatin1String("proc")) {
            folder = QStringLiteral("/proc");
        }
        const ProgramRun run = runProgram(dir, args, folder, stdinFile);
        QVERIFY2(run.code > 0, run.err.constData());
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
        QVERIFY(!run.err.contains("password"));
        QVERIFY2(childrenPeakMb() < 200, qPrintable(QString::number(childrenPeakMb())));
    }

    // A settings file that is no file (here a named pipe) is neither read
    // nor replaced.
    void settingsNotAFile()
    {
        QTemporaryDir dir;
        const QString pipe = dir.filePath(QStringLiteral("impostazioni"));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const ProgramRun run = runProgram(dir, QStringList{QStringLiteral("--settings"), pipe} + kSend
                                                + QStringList{QStringLiteral("--text"), QStringLiteral("ciao")});
        QVERIFY2(run.code > 0, run.err.constData());
        QVERIFY2(run.err.contains("non è un file normale"), run.err.constData());
        struct stat st{};
        QCOMPARE(stat(QFile::encodeName(pipe).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }

    // Control characters from the command line or the book reach the
    // terminal escaped, never as the bytes a terminal obeys.
    void controlCharactersEscaped()
    {
        QTemporaryDir dir;
        const ProgramRun refused = runProgram(dir, kSend + QStringList{QStringLiteral("--text"), QStringLiteral("ciao \x1b[2J")});
        QVERIFY2(refused.code > 0, refused.err.constData());
        QVERIFY2(!refused.err.contains('\x1b'), refused.err.constData());

        {
            auto db = brio::Database::open(dir.filePath(QStringLiteral("dati/BrioSMS.MDB")), QString());
            db->run(QStringLiteral("INSERT INTO tab_invii (Data, Gateway, Testo) VALUES (?, ?, ?)"),
                    {QStringLiteral("2026-06-15 10:30:00"), QStringLiteral("sandbox\x07"), QStringLiteral("a\x1b[31mb\\c\nd")});
        }
        const ProgramRun history = runProgram(dir, {QStringLiteral("history")});
        QCOMPARE(history.code, 0);
        QVERIFY2(history.out.contains("sandbox\\x07\t"), history.out.constData());
        QVERIFY2(history.out.contains("\ta\\x1b[31mb\\\\c\\nd\n"), history.out.constData());
    }
};

QTEST_GUILESS_MAIN(TestHostileArguments)
#include "tst_hostilearguments.moc"
