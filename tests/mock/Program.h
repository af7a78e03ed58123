#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

class QProcess;

namespace brio::test {

// What one run of the real program left: its exit code (-1 when it was
// killed or had to be stopped) and what it wrote.
struct ProgramRun
{
    int code = -1;
    QByteArray out;
    QByteArray err;

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
    QString describe() const;
};

// The real program as started from a terminal with no desktop: no display,
// no keyring, the default language, no test switches inherited.
// dataFolder is its BRIOSMS_HOME.
class Program final
{
public:
    explicit Program(const QString &dataFolder = {});

    Program &set(const QString &variable, const QString &value); // a null value removes it
    Program &offscreen(); // commands that might open a window must not hang on one
    Program &inputFile(const QString &path);

    void start(QProcess &p, const QStringList &args) const;
    ProgramRun run(const QStringList &args, const QByteArray &input = {}, int timeoutMs = 60000) const;

private:
    QProcessEnvironment m_env;
    QString m_inputFile;
};

} // namespace brio::test
