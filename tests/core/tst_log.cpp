#include "core/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using namespace brio;

namespace {

// Runs `body` with the process's stderr sent to a file; returns what it wrote.
template<typename Body>
QByteArray stderrOf(Body body)
{
    QTemporaryFile capture;
    capture.open();
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(capture.handle(), STDERR_FILENO);
    body();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    QFile read(capture.fileName());
    read.open(QIODevice::ReadOnly);
    return read.readAll();
}

QByteArray fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestLog final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void warningsGoToTheFileNotTheTerminal();
    void largeLogIsRotated();

private:
    QTemporaryDir m_folder; // the log stays open in it for the whole run
};

void TestLog::warningsGoToTheFileNotTheTerminal()
{
    log::install();
    const QByteArray early = stderrOf([] {
        qWarning("QNetworkReply: bad status line from http://127.0.0.1:1/cgi-bin/sendsms?user=u&password=Segreto1&to=1");
    });
    QVERIFY2(early.isEmpty(), early.constData());

    log::openFile(m_folder.path());
    const QString path = m_folder.filePath(QStringLiteral("BrioSMS.log"));
    QByteArray kept = fileText(path);
    QVERIFY2(kept.contains("bad status line"), kept.constData()); // kept from before the folder was known
    QVERIFY(!kept.contains("Segreto1"));
    QVERIFY(kept.contains("password=***"));
    QCOMPARE(QFile(path).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());

    const QByteArray later = stderrOf([] { qWarning("second line\nwith a break key=abc"); });
    QVERIFY(later.isEmpty());
    kept = fileText(path);
    QVERIFY(kept.contains("second line\\nwith a break key=***"));

    log::setVerbose(true);
    const QByteArray verbose = stderrOf([] { qWarning("told on the terminal too"); });
    log::setVerbose(false);
    QVERIFY(verbose.contains("told on the terminal too"));
}

void TestLog::largeLogIsRotated()
{
    const QByteArray line(1000, 'x');
    for (int i = 0; i < 1100; ++i)
        qWarning("%s", line.constData());
    const QFileInfo current(m_folder.filePath(QStringLiteral("BrioSMS.log")));
    const QFileInfo old(m_folder.filePath(QStringLiteral("BrioSMS.log.1")));
    QVERIFY(old.exists());
    QVERIFY(old.size() >= 1024 * 1024);
    QVERIFY(current.size() < 1024 * 1024);
}

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
