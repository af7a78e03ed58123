#pragma once

#include "app/Startup.h"

#include <memory>

namespace brio {

class MainWindow;

// The start-up's windows as the desktop shows them.
class AppWindows final : public StartupWindows
{
public:
    AppWindows();
    ~AppWindows() override;

    void showPasswordWindow(Context &ctx) override;
    void showLoginWindow(Context &ctx) override;
    void showMainWindow(Context &ctx) override;

    MainWindow *mainWindow() const;

private:
    std::unique_ptr<MainWindow> m_main;
};

} // namespace brio
