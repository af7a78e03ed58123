#pragma once

#include <QStringList>

namespace brio {

// Exit statuses of "briosms send|contacts" (also in --help and docs/briosms.1).
namespace ExitCode {
constexpr int Ok = 0;
constexpr int Usage = 1;        // wrong command line
constexpr int Stopped = 2;      // a check stopped the send: nothing was sent
constexpr int Book = 3;         // the address book could not be opened
constexpr int Failed = 4;       // the gateway failed: nothing, or only part, was sent
constexpr int WrongNumbers = 5; // sent, but the gateway refused some numbers
} // namespace ExitCode

// True when the arguments (after the program name) ask for a command rather
// than the window: send, contacts, --help.
bool isCommand(const QStringList &args);

// Runs the command on the same routines as the window; messages go to
// standard error in the window's words. Needs a QCoreApplication.
int runCommand(const QStringList &args);

QString helpText();

} // namespace brio
