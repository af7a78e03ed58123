#include "app/DataFolder.h"
#include "app/SingleInstance.h"
#include "core/Process.h"
#include "app/GatewayChoice.h"
#include "core/Error.h"
#include "core/Log.h"
#include "app/Startup.h"
#include "app/UiLanguage.h"
#include "cli/CommandLine.h"
#include "core/Texts.h"
#include "gateway/GatewayFactory.h"
#include "gateway/SandboxGateway.h"
#include "ui/AppIcon.h"
#include "plugins/Plugins.h"
#include "ui/AppWindows.h"
#include "ui/QtServices.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>

using namespace brio;

namespace {

struct Options
{
    QString gateway;
    QString settingsFile;
    bool sandboxOutbox = false;
    QStringList rest; // what the program itself looks at, such as /IMPORTBRIO1
};

Options parse(const QStringList &args)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--gateway") && i + 1 < args.size())
            o.gateway = args.at(++i);
        else if (a.startsWith(QLatin1String("--gateway=")))
            o.gateway = a.mid(10);
        else if (a == QLatin1String("--settings") && i + 1 < args.size())
            o.settingsFile = args.at(++i);
        else if (a == QLatin1String("--sandbox-outbox"))
            o.sandboxOutbox = true;
        else
            o.rest << a;
    }
    return o;
}

// The last trap: an error that a handler let through is reported and ends
// the run with a failure status, instead of taking the program down.
class Application final : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override;
    const Context *ctx = nullptr; // while there is one, errors are shown in its message boxes
};

Error asError(const std::exception &e)
{
    const auto *error = dynamic_cast<const Error *>(&e);
    return error ? *error : Error(ErrorNo::Internal, QString::fromLocal8Bit(e.what()));
}

void printMessage(const QString &text)
{
    std::fprintf(stderr, "briosms: %s\n", text.toLocal8Bit().constData());
}

void printError(const Error &e)
{
    printMessage(e.description());
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        if (ctx)
            ReportError(*ctx, asError(e));
        else
            printError(asError(e));
    }
    QCoreApplication::exit(1);
    return false;
}

// Errors reach the user's message boxes while the context lives.
class ReportTo final
{
public:
    ReportTo(Application &app, const Context &ctx);
    ~ReportTo();

private:
    Application &m_app;
};

ReportTo::ReportTo(Application &app, const Context &ctx)
    : m_app(app)
{
    m_app.ctx = &ctx;
}

ReportTo::~ReportTo()
{
    m_app.ctx = nullptr;
}

int printOutbox(const QString &folder)
{
    QTextStream out(stdout);
    const auto messages = SandboxGateway::outbox(sandboxFile(folder));
    for (const auto &m : messages) {
        QString text = m.text;
        text.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
        out << m.acceptedAt << '\t' << m.account << "\t+" << m.recipient << '\t' << m.when << '\t' << text << '\n';
    }
    return 0;
}

int run(Application &app)
{
    QApplication::setApplicationName(QStringLiteral("Brio2"));
    QApplication::setOrganizationName(QStringLiteral("BrioSMS"));
    QApplication::setApplicationVersion(programVersionText());
    QApplication::setDesktopFileName(QStringLiteral("briosms"));
    QApplication::setWindowIcon(appIcon());

    QStringList arguments = QApplication::arguments();
    const auto languageOption = takeLanguageOption(arguments);
    const Options opts = parse(arguments);
    const UiLanguage language(languageOption, opts.settingsFile);
    if (!language.error().isEmpty()) {
        printMessage(language.error());
        return 1;
    }
    const QString folder = resolveDataFolder();
    if (opts.sandboxOutbox)
        return printOutbox(folder);

    Settings settings(opts.settingsFile);
    AppState state;
    state.InstallDir = folder;
    state.Arguments = opts.rest;
    QtPrompter prompter;
    QtShell shell;
    SystemClock clock;
    QtFileDialog fileDialog;
    QtProcessLauncher processes;
    Context ctx{state, settings, prompter, shell, clock, {}};
    ctx.fileDialogImpl = &fileDialog;
    ctx.processImpl = &processes;

    SingleInstance instance(folder);
    switch (instance.acquire()) {
    case SingleInstance::Outcome::Acquired:
        break;
    case SingleInstance::Outcome::Raised:
        return 0;
    case SingleInstance::Outcome::Busy:
        ctx.message(Icon::Exclamation,
                    Texts::tr("BrioSMS è già aperto con la rubrica di %1, ma non risponde.\n"
                              "Chiuderlo e riprovare.")
                        .arg(QDir::toNativeSeparators(folder)));
        return 1;
    }

    try {
        provisionDataFolder(folder);
        // A new data folder gets the shipped plug-ins, an older one those it lacks.
        installShippedPlugins(state.pluginsPath());
    } catch (const Error &e) {
        ReportError(ctx, e);
        return 1;
    }
    if (!chooseGateway(ctx, opts.gateway))
        return 1;

    AppWindows windows(ctx);
    ctx.windowsImpl = &windows;
    QObject::connect(&instance, &SingleInstance::raiseRequested, &instance, [&windows] { windows.raiseMainWindow(); });
    const ReportTo reportTo(app, ctx);
    int status = 1;
    if (!guarded(ctx, [&] { status = Main(ctx); }) || status != 0)
        return status;
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    brio::log::install();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const auto languageOption = takeLanguageOption(args);
    if (isCommand(args)) {
        // No display needed: the commands run from scripts and cron.
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Brio2"));
        QCoreApplication::setOrganizationName(QStringLiteral("BrioSMS"));
        const UiLanguage language(languageOption, optionValue(args, QStringLiteral("--settings")));
        if (!language.error().isEmpty()) {
            printMessage(language.error());
            return 1;
        }
        try {
            return runCommand(args);
        } catch (const std::exception &e) {
            printError(asError(e));
        }
        return 1;
    }

    Application app(argc, argv);
    try {
        return run(app);
    } catch (const std::exception &e) {
        printError(asError(e));
    }
    return 1;
}
