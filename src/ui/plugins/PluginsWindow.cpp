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
        fillPluginCombo(m_ui->cb_plugin, FillPluginList(m_ctx.state, QStringLiteral("GENERAL")));
        if (m_ui->cb_plugin->count() > 0)
            m_ui->cb_plugin->setCurrentIndex(0);
        cb_plugin_Click();
    });
}

void PluginsWindow::cb_plugin_Click()
{
    const QVariant index = m_ui->cb_plugin->currentData();
    m_ui->lbl_desc->setText(index.isValid() ? m_ctx.state.GeneralPlugins.value(index.toInt()).Description : QString());
}

void PluginsWindow::cmd_esegui_Click()
{
    const QVariant index = m_ui->cb_plugin->currentData();
    if (!index.isValid())
        return;
    const Context &ctx = m_ctx;
    close();
    runGeneralPlugin(ctx, ctx.state.GeneralPlugins.value(index.toInt()));
}

} // namespace brio
