#pragma once

#include <QStringList>

namespace brio {

// Exit statuses of the commands (also in --help and docs/briosms.1).
namespace ExitCode {
constexpr int Ok = 0;
constexpr int Usage = 1;        // wrong command line
constexpr int Stopped = 2;      // a check stopped the send: nothing was sent
constexpr int Book = 3;         // the address book could not be opened
constexpr int Failed = 4;       // the gateway failed: nothing, or only part, was sent
constexpr int WrongNumbers = 5; // sent, but the gateway refused some numbers
constexpr int Unexpected = 6;   // any other failure (disk, damaged file, fault)
} // namespace ExitCode

// What the command line asks for. It is read with no display and before any
// window exists, so that a wrong line never opens one.
struct Invocation final
{
    enum class Action { Window, Command, SandboxOutbox, Print, Error };
    Action action = Action::Window;
    QString output; // Print: the text for standard output; Error: the message

    // Every way of starting.
    QString gateway;
    QString settingsFile;
    bool verbose = false; // info and debug lines in the log, and on stderr
    // The window: what it looks at itself, such as /IMPORTBRIO1.
    QStringList windowArguments;

    // The commands: send, contacts, history, reports.
    QString command;
    QString sub; // contacts list|export
    QStringList to;
    QStringList groups;
    QStringList texts;
    QString textFile;
    bool stdinText = false;
    QString at;
    bool due = false;
    bool dryRun = false; // count the SMS, send nothing
    int count = 20; // history
    bool poll = false; // reports: ask the gateway instead of listening
};

// Reads the arguments (the program's name first). Needs a QCoreApplication.
Invocation readCommandLine(const QStringList &arguments);

// Runs everything but the window: help, version, errors, the sandbox's outbox
// and the commands, on the window's routines. Messages go to standard error
// in the window's words. Needs a QCoreApplication.
int runInvocation(const Invocation &invocation);

} // namespace brio
