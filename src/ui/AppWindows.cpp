#include "ui/AppWindows.h"

#include "ui/main/MainWindow.h"

namespace brio {

AppWindows::AppWindows(Context &ctx)
    : m_ctx(ctx)
{
}

AppWindows::~AppWindows() = default;

void AppWindows::showPasswordWindow()
{
}

void AppWindows::showLoginWindow()
{
}

void AppWindows::showMainWindow()
{
    m_main = std::make_unique<MainWindow>(m_ctx);
    m_main->show();
}

MainWindow *AppWindows::mainWindow() const
{
    return m_main.get();
}

} // namespace brio
