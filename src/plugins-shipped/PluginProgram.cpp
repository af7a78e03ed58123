#include "PluginProgram.h"

#include "PluginWindows.h"
#include "app/UiLanguage.h"
#include "core/Error.h"
#include "core/LineInput.h"
#include "core/ProgramFolder.h"
#include "core/Texts.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QTextStream>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>

namespace brio::kit {

void PluginRun::inform(const QString &text) const
{
    if (batch)
        QTextStream(stdout) << text << '\n';
    else
        windows->information(title, text);
}

QString besideProgram(const QString &name)
{
    return QDir(programFolder()).filePath(name);
}

namespace {

// The windows' module; null when it cannot be loaded, with the reason in why.
PluginWindows *loadWindows(QString &why)
{
    QLibrary module(besideProgram(QLatin1String(kPluginWindowsModule)));
    using Entry = PluginWindows *(*)();
    const auto entry = reinterpret_cast<Entry>(module.resolve(kPluginWindowsEntry));
    if (!entry) {
        why = module.errorString();
        return nullptr;
    }
    return entry();
}

} // namespace

QString readPasswordLine()
{
    if (isatty(STDIN_FILENO))
        return QString();
    return QString::fromStdString(readLineAtMost(std::cin, kMostPasswordBytes));
}

int runPlugin(int argc, char *argv[], const char *title, const std::function<void(PluginRun &)> &body)
{
    // Read before anything else: the main program writes it at once.
    const QString password = readPasswordLine();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    PluginRun run;
    run.batch = args.removeAll(QStringLiteral("--batch")) > 0;
    // With no window to show, the window system is not even loaded.
    QString noWindows;
    if (!run.batch)
        run.windows = loadWindows(noWindows);
    const std::unique_ptr<QCoreApplication> app =
        run.windows ? run.windows->application(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    // The language of the program that started it; alone, the desktop's.
    const QString handed = qEnvironmentVariable(kPluginLanguageVariable);
    const UiLanguage language(handed.isEmpty() ? std::nullopt : std::optional<QString>(handed), QString());
    run.title = Texts::tr(title);
    if (args.isEmpty()) {
        QTextStream(stderr) << Texts::tr("uso: %1 DATABASE [FILE...] [--batch]  (password su standard input)")
                                   .arg(QString::fromLocal8Bit(argv[0]))
                            << '\n';
        return 2;
    }
    if (!run.batch && !run.windows) {
        QTextStream(stderr) << Texts::tr("Impossibile aprire le finestre del plug-in (%1): si può usare solo con --batch")
                                   .arg(noWindows)
                            << '\n';
        return 1;
    }
    try {
        run.db = Database::open(args.takeFirst(), password);
        requireKnownSchema(*run.db);
        run.files = args;
        body(run);
        return 0;
    } catch (const Error &e) {
        const QString text = Texts::tr("Si è verificato l'errore n. %1 - %2.").arg(e.number()).arg(e.description());
        if (run.batch)
            QTextStream(stderr) << text << '\n';
        else
            run.windows->critical(run.title, text);
        return 1;
    }
}

} // namespace brio::kit
