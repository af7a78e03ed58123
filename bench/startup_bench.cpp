// startup-first / startup-later: time from the start routine to the main
// window shown, with no gateway host configured, for a first run (new data
// folder, empty settings, login on the sandbox gateway) and a later run.
// Baseline, measured side by side: showing an empty main window.
#include "BenchCommon.h"
#include "app/DataFolder.h"
#include "app/Startup.h"
#include "gateway/GatewayControl.h"
#include "gateway/GatewayFactory.h"
#include "gateway/GatewaySession.h"
#include "gateway/Login.h"
#include "mock/FakeServices.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace brio;
using namespace brio::test;
using brio::bench::median;

namespace {

constexpr int kRounds = 5;
constexpr double kTargetMs = 1000.0;

// The real windows, but the login is made at once with the trial account, as
// a user typing it would (the typing itself is not the program's time).
class BenchWindows final : public Windows
{
public:
    explicit BenchWindows(Context &ctx)
        : m_ctx(ctx)
    {
    }
    void showPasswordWindow() override {}
    void showLoginWindow() override
    {
        auto gateway = m_ctx.makeGateway();
        Login(m_ctx, *gateway, QStringLiteral("prova"), QStringLiteral("prova"), false);
    }
    void showMainWindow() override
    {
        main = std::make_unique<MainWindow>(m_ctx);
        main->show();
        QApplication::processEvents();
    }
    std::unique_ptr<MainWindow> main;

private:
    Context &m_ctx;
};

// Milliseconds from the start routine (data folder included) to the main
// window on screen.
double startOnce(const QString &folder, const QString &ini)
{
    QElapsedTimer t;
    t.start();
    Settings settings(ini);
    AppState state;
    state.setDataFolder(folder);
    FakePrompter prompter;
    FakeShell shell;
    SystemClock clock;
    Context ctx{state, settings, prompter, shell, clock, {}};
    provisionDataFolder(folder);
    ctx.makeGateway = makeGatewayFactory(settings.text(Key::GatewayURL), folder, settings);
    GatewaySession session;
    session.attach(ctx);
    BenchWindows windows(ctx);
    ctx.windowsImpl = &windows;
    if (Main(ctx) != 0 || !windows.main || !prompter.shown.isEmpty()) {
        std::fprintf(stderr, "start-up did not reach the main window\n");
        std::exit(1);
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    windows.main->hide();
    state.book.close();
    return ms;
}

double baselineOnce()
{
    QElapsedTimer t;
    t.start();
    QMainWindow w;
    w.resize(640, 480);
    w.show();
    QApplication::processEvents();
    return double(t.nsecsElapsed()) / 1e6;
}

void report(const char *name, double ms, double baseline)
{
    std::printf("%s: %.0f ms (target <= %.0f) %s\n", name, ms, kTargetMs, ms <= kTargetMs ? "PASS" : "MISS");
    std::fprintf(stderr, "%s: baseline (empty main window) %.1f ms\n", name, baseline);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QList<double> first, later, base;
    for (int i = 0; i < kRounds; ++i) {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("BrioSMS"));
        const QString ini = dir.filePath(QStringLiteral("Brio2.ini"));
        base.push_back(baselineOnce());
        first.push_back(startOnce(folder, ini));
        later.push_back(startOnce(folder, ini));
    }
    const double b = median(base);
    report("startup-first", median(first), b);
    report("startup-later", median(later), b);
    return 0;
}
