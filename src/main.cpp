#include "app/DataFolder.h"
#include "app/SingleInstance.h"
#include "app/GatewayChoice.h"
#include "core/Error.h"
#include "app/Startup.h"
#include "gateway/GatewayFactory.h"
#include "gateway/SandboxGateway.h"
#include "ui/AppIcon.h"
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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brio2"));
    QApplication::setOrganizationName(QStringLiteral("BrioSMS"));
    QApplication::setApplicationVersion(programVersionText());
    QApplication::setDesktopFileName(QStringLiteral("briosms"));
    QApplication::setWindowIcon(appIcon());
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    // The program's own texts are Italian; a translation for the desktop's
    // language is used where one is installed (or beside the program, when
    // run from the build folder).
    QTranslator appTranslator;
    const QString programDir = QCoreApplication::applicationDirPath();
    for (const QString &dir : {programDir + QStringLiteral("/../share/briosms/translations"), programDir}) {
        if (appTranslator.load(QLocale::system(), QStringLiteral("briosms"), QStringLiteral("_"), dir)) {
            QApplication::installTranslator(&appTranslator);
            break;
        }
    }

    const Options opts = parse(QApplication::arguments());
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
    Context ctx{state, settings, prompter, shell, clock, {}};
    ctx.fileDialogImpl = &fileDialog;

    SingleInstance instance(folder);
    switch (instance.acquire()) {
    case SingleInstance::Outcome::Acquired:
        break;
    case SingleInstance::Outcome::Raised:
        return 0;
    case SingleInstance::Outcome::Busy:
        ctx.message(Icon::Exclamation,
                    QStringLiteral("BrioSMS è già aperto con la rubrica di %1, ma non risponde.\n"
                                   "Chiuderlo e riprovare.")
                        .arg(QDir::toNativeSeparators(folder)));
        return 1;
    }

    try {
        provisionDataFolder(folder);
    } catch (const Error &e) {
        ReportError(ctx, e);
        return 1;
    }
    if (!chooseGateway(ctx, opts.gateway))
        return 1;

    AppWindows windows(ctx);
    ctx.windowsImpl = &windows;
    QObject::connect(&instance, &SingleInstance::raiseRequested, &instance, [&windows] { windows.raiseMainWindow(); });
    const int status = Main(ctx);
    if (status != 0)
        return status;
    return QApplication::exec();
}
