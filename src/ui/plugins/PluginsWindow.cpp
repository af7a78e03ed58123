#include "ui/plugins/PluginsWindow.h"

#include "plugins/Plugins.h"
#include "ui/plugins/PluginRun.h"

#include "ui_PluginsWindow.h"
#include "ui/OneWindow.h"

namespace brio {

PluginsWindow::PluginsWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::PluginsWindow>())
{
    m_ui->setupUi(this);
    connect(m_ui->cb_plugin, &QComboBox::currentIndexChanged, this, &PluginsWindow::cb_plugin_Click);
    connect(m_ui->cmd_esegui, &QPushButton::clicked, this, &PluginsWindow::cmd_esegui_Click);
    connect(m_ui->cmd_OK, &QPushButton::clicked, this, &QDialog::close);
}

PluginsWindow::~PluginsWindow() = default;

PluginsWindow *PluginsWindow::showFor(Context &ctx, QWidget *parent)
{
    auto *window = showOneWindow<PluginsWindow>(ctx, parent);
    window->Form_Load();
    return window;
}

void PluginsWindow::Form_Load()
{
    guarded(m_ctx, [&] {
        m_plugins = PluginCatalogue::read(m_ctx.state, PluginCatalogue::Kind::General);
        fillPluginCombo(m_ui->cb_plugin, m_plugins.entries());
        if (m_ui->cb_plugin->count() > 0)
            m_ui->cb_plugin->setCurrentIndex(0);
        cb_plugin_Click();
    });
}

void PluginsWindow::cb_plugin_Click()
{
    const QVariant index = m_ui->cb_plugin->currentData();
    const PluginDescriptor *plugin = index.isValid() ? m_plugins.at(index.toLongLong()) : nullptr;
    m_ui->lbl_desc->setText(plugin ? plugin->Description : QString());
}

void PluginsWindow::cmd_esegui_Click()
{
    const QVariant index = m_ui->cb_plugin->currentData();
    const PluginDescriptor *chosen = index.isValid() ? m_plugins.at(index.toLongLong()) : nullptr;
    if (!chosen)
        return;
    // A copy: the window may be gone once closed.
    const PluginDescriptor plugin = *chosen;
    const Context &ctx = m_ctx;
    close();
    runGeneralPlugin(ctx, plugin);
}

} // namespace brio
