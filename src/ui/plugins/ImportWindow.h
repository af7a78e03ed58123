#pragma once

#include "context/Context.h"
#include "plugins/Plugins.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ImportWindow;
}

namespace brio {

// frmImport: the installed import plug-ins; "Importa" starts the chosen one
// beside the program and closes the window.
class ImportWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit ImportWindow(Context &ctx, QWidget *parent = nullptr);
    ~ImportWindow() override;

    static ImportWindow *showFor(Context &ctx, QWidget *parent);

private:
    void Form_Load();
    void cb_plugin_Click();
    void cmd_Importa_Click();
    void lbListaPlugin_Click();

    Context &m_ctx;
    std::unique_ptr<Ui::ImportWindow> m_ui;
    PluginCatalogue m_plugins; // what the combo lists, by place
};

} // namespace brio
