#include "core/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace brio {
Q_LOGGING_CATEGORY(lcStore, "briosms.store", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "briosms.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcContext, "briosms.context", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNet, "briosms.net", QtWarningMsg)
Q_LOGGING_CATEGORY(lcGateway, "briosms.gateway", QtWarningMsg)
Q_LOGGING_CATEGORY(lcBook, "briosms.addressbook", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCompose, "briosms.compose", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlugins, "briosms.plugins", QtWarningMsg)
Q_LOGGING_CATEGORY(lcApp, "briosms.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCli, "briosms.cli", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "briosms.ui", QtWarningMsg)
} // namespace brio

namespace brio::log {

namespace {

constexpr qint64 kRotateAt = 1024 * 1024;
constexpr qsizetype kKeptBeforeOpen = 200;

struct Sink
{
    QMutex mutex;
    QFile file;
    QStringList early; // before the data folder is known
    bool verbose = false;
};

Sink &sink()
{
    static Sink s;
    return s;
}

const char *levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "?";
}

void rotateIfLarge(QFile &file)
{
    if (file.size() < kRotateAt)
        return;
    const QString path = file.fileName();
    file.close();
    QFile::remove(path + QStringLiteral(".1"));
    QFile::rename(path, path + QStringLiteral(".1"));
    file.setFileName(path);
    file.open(QIODevice::Append | QIODevice::Text);
}

void write(Sink &s, const QString &line)
{
    if (!s.file.isOpen()) {
        if (s.early.size() >= kKeptBeforeOpen)
            s.early.removeFirst();
        s.early.append(line);
        return;
    }
    s.file.write(line.toUtf8());
    s.file.write("\n");
    s.file.flush();
    rotateIfLarge(s.file);
}

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QString line = QStringLiteral("%1 %2 %3: %4")
                             .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs),
                                  QLatin1String(levelName(type)),
                                  QLatin1String(context.category ? context.category : "default"),
                                  scrubbed(message));
    Sink &s = sink();
    {
        const QMutexLocker lock(&s.mutex);
        write(s, line);
        if (s.verbose || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

void install()
{
    qInstallMessageHandler(handler);
}

void openFile(const QString &folder)
{
    Sink &s = sink();
    const QMutexLocker lock(&s.mutex);
    if (s.file.isOpen())
        return;
    s.file.setFileName(QDir(folder).filePath(QStringLiteral("BrioSMS.log")));
    if (!s.file.open(QIODevice::Append | QIODevice::Text))
        return; // a read-only folder is told by the book's own checks
    s.file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const QString &line : std::exchange(s.early, {}))
        write(s, line);
}

void setVerbose(bool verbose)
{
    {
        Sink &s = sink();
        const QMutexLocker lock(&s.mutex);
        s.verbose = verbose;
    }
    QLoggingCategory::setFilterRules(verbose ? QStringLiteral("briosms.*.debug=true\nbriosms.*.info=true") : QString());
}

QString scrubbed(const QString &line)
{
    // Addresses may carry the account in their query (Kannel's sendsms, the
    // account pages): the value goes, the name stays for the reader.
    static const QRegularExpression secret(
        QStringLiteral("((?:pass(?:word)?|pwd|key|token)=)[^&\\s\"']*"), QRegularExpression::CaseInsensitiveOption);
    QString out = line;
    out.replace(secret, QStringLiteral("\\1***"));
    out.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return out;
}

} // namespace brio::log
