#include "app/DataFolder.h"
#include "app/SingleInstance.h"
#include "core/Process.h"
#include "app/GatewayChoice.h"
#include "core/Error.h"
#include "app/Startup.h"
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
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>
#include <cstdio>

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

// Qt's own texts in Italian; the program's own are Italian at the source,
// and a translation for the desktop's language is used where one is
// installed (or beside the program, when run from the build folder).
class Translations final
{
public:
    Translations();

private:
    QTranslator m_qt;
    QTranslator m_program;
};

Translations::Translations()
{
    if (m_qt.load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qt);
    const QString programDir = QCoreApplication::applicationDirPath();
    for (const QString &dir : {programDir + QStringLiteral("/../share/briosms/translations"), programDir}) {
        if (m_program.load(QLocale::system(), QStringLiteral("briosms"), QStringLiteral("_"), dir)) {
            QCoreApplication::installTranslator(&m_program);
            break;
        }
    }
}

// The names the settings and data folders derive from, for both kinds of
// application object.
void nameProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("Brio2"));
    QCoreApplication::setOrganizationName(QStringLiteral("BrioSMS"));
    QCoreApplication::setApplicationVersion(programVersionText());
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}

int run(Application &app, const Invocation &opts)
{
    nameProgram();
    QApplication::setDesktopFileName(QStringLiteral("briosms"));
    QApplication::setWindowIcon(appIcon());

    const Translations translations;

    const QString folder = resolveDataFolder();
    Settings settings(opts.settingsFile);
    AppState state;
    state.InstallDir = folder;
    state.Arguments = opts.windowArguments;
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
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line is read before any window can open, with no display:
    // help, version, a wrong line and the commands never need one.
    Invocation invocation;
    {
        QCoreApplication core(argc, argv);
        nameProgram();
        const Translations translations;
        invocation = readCommandLine(QCoreApplication::arguments());
        if (invocation.action != Invocation::Action::Window)
            return runInvocation(invocation);
    }

    Application app(argc, argv);
    try {
        return run(app, invocation);
    } catch (const std::exception &e) {
        printError(asError(e));
    }
    return ExitCode::Unexpected;
}
