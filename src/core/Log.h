#pragma once

class QString;

namespace brio::log {

// Qt's own warnings (a network reply cut short, a bad status line) and the
// program's categories go to a log file in the data folder, not to the
// user's terminal: from cron every line on stderr reads as a failure.
// Until the data folder is known the lines are kept in memory.
void install();

// Lines go to <folder>/BrioSMS.log from now on, with those kept so far. The
// file is turned into BrioSMS.log.1 once it passes a megabyte.
void openFile(const QString &folder);

// Lines also go to stderr (asked for on the command line).
void setVerbose(bool verbose);

// A line as the log keeps it: one line, passwords and keys blanked.
QString scrubbed(const QString &line);

} // namespace brio::log
