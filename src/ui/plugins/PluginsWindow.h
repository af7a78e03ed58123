#pragma once

#include "context/Context.h"
#include "plugins/Plugins.h"

#include <QDialog>
#include <memory>

namespace Ui {
class PluginsWindow;
}

namespace brio {

// frmPlugins: every installed general plug-in, with its description; "Attiva"
// closes the window and runs the chosen one.
class PluginsWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit PluginsWindow(Context &ctx, QWidget *parent = nullptr);
    ~PluginsWindow() override;

    // Shows the one window of `parent` without waiting, loading it anew.
    static PluginsWindow *showFor(Context &ctx, QWidget *parent);

private:
    void Form_Load();
    void cb_plugin_Click();
    void cmd_esegui_Click();

    Context &m_ctx;
    std::unique_ptr<Ui::PluginsWindow> m_ui;
    PluginCatalogue m_plugins; // what the combo lists, by place
};

} // namespace brio
