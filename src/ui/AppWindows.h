#pragma once

#include "context/Context.h"

#include <memory>

namespace brio {

class MainWindow;

// The program's windows as the desktop shows them.
class AppWindows final : public Windows
{
public:
    explicit AppWindows(Context &ctx);
    ~AppWindows() override;

    void showPasswordWindow() override;
    void showLoginWindow() override;
    void showMainWindow() override;

    MainWindow *mainWindow() const;
    // Brings the main window to the front (another start of the program).
    void raiseMainWindow();

private:
    Context &m_ctx;
    std::unique_ptr<MainWindow> m_main;
    bool m_waitCursor = false;
};

} // namespace brio
