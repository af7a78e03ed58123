#include "ui/AppWindows.h"

#include "ui/main/MainWindow.h"

namespace brio {

AppWindows::AppWindows() = default;
AppWindows::~AppWindows() = default;

void AppWindows::showPasswordWindow(Context &ctx)
{
    Q_UNUSED(ctx);
}

void AppWindows::showLoginWindow(Context &ctx)
{
    Q_UNUSED(ctx);
}

void AppWindows::showMainWindow(Context &ctx)
{
    m_main = std::make_unique<MainWindow>(ctx);
    m_main->show();
}

MainWindow *AppWindows::mainWindow() const
{
    return m_main.get();
}

} // namespace brio
