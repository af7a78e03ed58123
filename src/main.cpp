#include "app/DataFolder.h"
#include "app/GatewayChoice.h"
#include "app/ReportListening.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "app/UiLanguage.h"
#include "cli/CommandLine.h"
#include "core/Error.h"
#include "core/Log.h"
#include "core/Process.h"
#include "core/Texts.h"
#include "gateway/GatewayFactory.h"
#include "gateway/GatewaySession.h"
#include "gateway/SandboxGateway.h"
#include "plugins/Plugins.h"
#include "ui/AppIcon.h"
#include "ui/AppWindows.h"
#include "ui/QtServices.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <optional>

using namespace brio;

namespace {

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

void printError(const Error &e)
{
    std::fprintf(stderr, "briosms: %s\n", e.description().toLocal8Bit().constData());
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

// The names the settings and data folders derive from, for both kinds of
// application object.
void nameProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("Brio2"));
    QCoreApplication::setOrganizationName(QStringLiteral("BrioSMS"));
    QCoreApplication::setApplicationVersion(programVersionText());
}

int run(Application &app, const Invocation &opts, const std::optional<QString> &languageOption)
{
    nameProgram();
    QApplication::setDesktopFileName(QStringLiteral("briosms"));
    QApplication::setWindowIcon(appIcon());

    const UiLanguage language(languageOption, opts.settingsFile);

    const QString folder = resolveDataFolder();
    Settings settings(opts.settingsFile);
    AppState state;
    state.setDataFolder(folder);
    state.Arguments = opts.windowArguments;
    QtPrompter prompter;
    QtShell shell;
    SystemClock clock;
    QtFileDialog fileDialog;
    QtProcessLauncher processes;
    Context ctx{state, settings, prompter, shell, clock, {}};
    ctx.fileDialogImpl = &fileDialog;
    ctx.processImpl = &processes;
    GatewaySession gatewaySession;
    gatewaySession.attach(ctx);

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
        state.ShippedPluginsDir = shippedPluginsFolder();
        removeOldShippedCopies(state.pluginsPath(), state.ShippedPluginsDir);
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
    const ReportListening reports(ctx);
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    log::install();
    // The command line is read before any window can open, with no display:
    // help, version, a wrong line and the commands never need one.
    Invocation invocation;
    std::optional<QString> languageOption;
    {
        QCoreApplication core(argc, argv);
        nameProgram();
        QStringList arguments = QCoreApplication::arguments();
        languageOption = takeLanguageOption(arguments);
        const UiLanguage language(languageOption, optionValue(arguments, QStringLiteral("--settings")));
        if (!language.error().isEmpty()) {
            std::fprintf(stderr, "briosms: %s\n", language.error().toLocal8Bit().constData());
            return ExitCode::Usage;
        }
        invocation = readCommandLine(arguments);
        log::setVerbose(invocation.verbose);
        if (invocation.action != Invocation::Action::Window)
            return runInvocation(invocation);
    }

    Application app(argc, argv);
    try {
        return run(app, invocation, languageOption);
    } catch (const std::exception &e) {
        printError(asError(e));
    }
    return ExitCode::Unexpected;
}
