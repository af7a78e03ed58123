#pragma once

#include <QLoggingCategory>

class QString;

// One category a floor, "briosms.<floor>". Warnings and worse are always
// written; info and debug only when asked for (setVerbose). Never log a
// password, a key or a message text.
namespace brio {
Q_DECLARE_LOGGING_CATEGORY(lcStore)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcContext)
Q_DECLARE_LOGGING_CATEGORY(lcNet)
Q_DECLARE_LOGGING_CATEGORY(lcGateway)
Q_DECLARE_LOGGING_CATEGORY(lcBook)
Q_DECLARE_LOGGING_CATEGORY(lcCompose)
Q_DECLARE_LOGGING_CATEGORY(lcPlugins)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcCli)
Q_DECLARE_LOGGING_CATEGORY(lcUi)
} // namespace brio

namespace brio::log {

// Qt's own warnings (a network reply cut short, a bad status line) and the
// program's categories go to a log file in the data folder, not to the
// user's terminal: from cron every line on stderr reads as a failure.
// Until the data folder is known the lines are kept in memory.
void install();

// Lines go to <folder>/BrioSMS.log from now on, with those kept so far. The
// file is turned into BrioSMS.log.1 once it passes a megabyte.
void openFile(const QString &folder);

// The program's info and debug lines are written too, and every line also
// goes to stderr (asked for on the command line with --verbose).
void setVerbose(bool verbose);

// A line as the log keeps it: one line, passwords and keys blanked.
QString scrubbed(const QString &line);

} // namespace brio::log
