#include "core/Process.h"

#include <QEventLoop>
#include <QProcess>
#include <memory>

namespace brio {

namespace {

// Output goes where the program's own goes: no pipe that could fill up, or
// break when this program ends before the other.
std::unique_ptr<QProcess> started(const QString &program, const QStringList &arguments, const QByteArray &input,
                                  ProcessLauncher::Result &result)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(program, arguments);
    if (!process->waitForStarted(-1)) {
        result.outcome = ProcessLauncher::Outcome::FailedToStart;
        result.error = process->errorString();
        return nullptr;
    }
    process->write(input);
    process->closeWriteChannel();
    return process;
}

} // namespace

QtProcessLauncher::~QtProcessLauncher()
{
    // Programs still running go on after this one ends: their QProcess is
    // let go instead of being destroyed, which would kill them.
    for (QProcess *p : std::as_const(m_running))
        p->disconnect();
}

ProcessLauncher::Result QtProcessLauncher::runAndWait(const QString &program, const QStringList &arguments,
                                                      const QByteArray &input)
{
    Result result;
    auto process = started(program, arguments, input, result);
    if (!process)
        return result;
    if (process->state() != QProcess::NotRunning) {
        QEventLoop loop;
        QObject::connect(process.get(), &QProcess::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::AllEvents);
    }
    if (process->exitStatus() == QProcess::CrashExit) {
        result.outcome = Outcome::Crashed;
        result.error = process->errorString();
    }
    result.exitCode = process->exitCode();
    return result;
}

ProcessLauncher::Result QtProcessLauncher::start(const QString &program, const QStringList &arguments,
                                                 const QByteArray &input)
{
    Result result;
    auto process = started(program, arguments, input, result);
    if (!process)
        return result;
    QProcess *p = process.release();
    m_running << p;
    QObject::connect(p, &QProcess::finished, p, [this, p] {
        m_running.removeOne(p);
        p->deleteLater();
    });
    return result;
}

} // namespace brio
