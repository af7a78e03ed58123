#include "mock/Program.h"

#include <QProcess>

namespace brio::test {

QString ProgramRun::describe() const
{
    return QStringLiteral("exit %1\nstdout: %2\nstderr: %3").arg(code).arg(outText(), errText());
}

Program::Program(const QString &dataFolder)
    : m_env(QProcessEnvironment::systemEnvironment())
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM", "BRIOSMS_HOME",
                             "BRIOSMS_GATEWAY", "BRIOSMS_DB_PASSWORD", "BRIOSMS_KILL_AT", "LANG", "LANGUAGE", "LC_MESSAGES"})
        m_env.remove(QString::fromLatin1(name));
    m_env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    if (!dataFolder.isEmpty())
        m_env.insert(QStringLiteral("BRIOSMS_HOME"), dataFolder);
}

Program &Program::set(const QString &variable, const QString &value)
{
    if (value.isNull())
        m_env.remove(variable);
    else
        m_env.insert(variable, value);
    return *this;
}

Program &Program::offscreen()
{
    return set(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
}

Program &Program::inputFile(const QString &path)
{
    m_inputFile = path;
    return *this;
}

void Program::start(QProcess &p, const QStringList &args) const
{
    p.setProcessEnvironment(m_env);
    if (!m_inputFile.isEmpty())
        p.setStandardInputFile(m_inputFile);
    p.start(QStringLiteral(BRIOSMS_PROGRAM_DIR "/briosms"), args);
}

ProgramRun Program::run(const QStringList &args, const QByteArray &input, int timeoutMs) const
{
    QProcess p;
    start(p, args);
    if (m_inputFile.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    if (p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

} // namespace brio::test
