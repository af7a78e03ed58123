#include "ui/AppWindows.h"

#include "ui/login/LoginWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/options/PasswordWindow.h"

#include <QApplication>

namespace brio {

AppWindows::AppWindows(Context &ctx)
    : m_ctx(ctx)
{
}

AppWindows::~AppWindows() = default;

void AppWindows::showPasswordWindow()
{
    PasswordWindow window(m_ctx);
    window.exec();
    m_waitCursor = m_waitCursor || window.waitCursorShown();
}

void AppWindows::showLoginWindow()
{
    LoginWindow window(m_ctx, m_main.get());
    window.exec();
}

void AppWindows::showMainWindow()
{
    m_main = std::make_unique<MainWindow>(m_ctx);
    m_main->show();
    // The password window's wait cursor lasts until the main window is up.
    if (m_waitCursor) {
        QApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
}

MainWindow *AppWindows::mainWindow() const
{
    return m_main.get();
}

void AppWindows::raiseMainWindow()
{
    if (!m_main)
        return;
    m_main->setWindowState(m_main->windowState() & ~Qt::WindowMinimized);
    m_main->show();
    m_main->raise();
    m_main->activateWindow();
}

} // namespace brio
