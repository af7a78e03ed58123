#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace brio {

enum class Icon { None, Information, Exclamation, Critical, Question };
// YesNoDefaultNo: a question whose safe answer is No, where an unattended
// run answers No.
enum class Buttons { Ok, YesNo, YesNoDefaultNo };
enum class Answer { Ok, Yes, No };

// Every message box of the program goes through here, so that tests can
// answer them and see what was shown.
class Prompter
{
public:
    virtual ~Prompter() = default;
    virtual Answer show(Icon icon, Buttons buttons, const QString &title, const QString &text) = 0;
};

// The desktop's "open this address" service. Returns false when nothing could
// open it (no browser).
class Shell
{
public:
    virtual ~Shell() = default;
    virtual bool openUrl(const QString &url) = 0;
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// The desktop's file-open and file-save dialogs. An empty result means the
// user cancelled. `filter` is in the "Descrizione (*.ext)" form.
class FileDialog
{
public:
    virtual ~FileDialog() = default;
    virtual QString openFileName(const QString &title, const QString &startPath, const QString &filter) = 0;
    virtual QString saveFileName(const QString &title, const QString &startPath, const QString &filter) = 0;
};

// Starts other programs (the plug-ins) from a program file and an argument
// list, never through a shell, so blanks and quotes in paths stay as they are.
// `input` is written to the program's standard input, which is then closed.
class ProcessLauncher
{
public:
    enum class Outcome { Finished, FailedToStart, Crashed };
    struct Result
    {
        Outcome outcome = Outcome::Finished;
        int exitCode = 0;
        QString error; // why it could not start or how it ended
    };

    virtual ~ProcessLauncher() = default;
    // Returns when the program has ended; window events are handled meanwhile.
    virtual Result runAndWait(const QString &program, const QStringList &arguments, const QByteArray &input) = 0;
    // Does not wait: the program runs beside the caller. FailedToStart or Finished.
    virtual Result start(const QString &program, const QStringList &arguments, const QByteArray &input) = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
};

} // namespace brio
