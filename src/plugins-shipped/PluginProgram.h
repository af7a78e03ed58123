#pragma once

#include "store/Database.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace brio::kit {

class PluginWindows;

// One run of a shipped plug-in. The main program starts it with the database
// path as its one argument and the book's password on standard input. Run by
// hand it also takes, after the path, the file to work on, and "--batch" to
// show no window: the summary goes to standard output.
struct PluginRun
{
    QString title;
    std::unique_ptr<Database> db;
    QStringList files; // arguments after the database path
    bool batch = false;
    PluginWindows *windows = nullptr; // when not batch

    void inform(const QString &text) const;
};

// Reads the password line, opens the book and runs body. Returns the exit
// code: 0 when done or cancelled, 1 when an error was shown, 2 for a wrong
// command line. The title is the Italian source text, translated once the
// language is known.
int runPlugin(int argc, char *argv[], const char *title, const std::function<void(PluginRun &)> &body);

// A file in the folder of the running program, where the shipped modules are.
QString besideProgram(const QString &name);

// The first line of standard input, without its line end; empty when standard
// input is a terminal or empty.
QString readPasswordLine();

} // namespace brio::kit
