#include "ui/plugins/ImportWindow.h"

#include "core/Texts.h"
#include "plugins/Plugins.h"
#include "ui/plugins/PluginRun.h"

#include "ui_ImportWindow.h"
#include "ui/OneWindow.h"

namespace brio {

ImportWindow::ImportWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::ImportWindow>())
{
    m_ui->setupUi(this);
    m_ui->lbListaPlugin->setAccessibleName(Texts::tr("Installa nuova Fonti Dati"));
    connect(m_ui->cb_plugin, &QComboBox::currentIndexChanged, this, &ImportWindow::cb_plugin_Click);
    connect(m_ui->cmd_Importa, &QPushButton::clicked, this, &ImportWindow::cmd_Importa_Click);
    connect(m_ui->lbListaPlugin, &QLabel::linkActivated, this, &ImportWindow::lbListaPlugin_Click);
    connect(m_ui->cmd_annulla, &QPushButton::clicked, this, &QDialog::close);
}

ImportWindow::~ImportWindow() = default;

ImportWindow *ImportWindow::showFor(Context &ctx, QWidget *parent)
{
    auto *window = showOneWindow<ImportWindow>(ctx, parent);
    window->Form_Load();
    return window;
}

void ImportWindow::Form_Load()
{
    guarded(m_ctx, [&] {
        m_plugins = PluginCatalogue::read(m_ctx.state, PluginCatalogue::Kind::Import);
        fillPluginCombo(m_ui->cb_plugin, m_plugins.entries());
        const bool any = m_ui->cb_plugin->count() > 0;
        m_ui->cb_plugin->setEnabled(any);
        m_ui->cmd_Importa->setEnabled(any);
        if (any)
            m_ui->cb_plugin->setCurrentIndex(0);
        cb_plugin_Click();
    });
}

void ImportWindow::cb_plugin_Click()
{
    const QVariant index = m_ui->cb_plugin->currentData();
    const PluginDescriptor *plugin = index.isValid() ? m_plugins.at(index.toLongLong()) : nullptr;
    m_ui->lbl_description->setText(plugin ? plugin->Description : QString());
}

void ImportWindow::cmd_Importa_Click()
{
    const QVariant index = m_ui->cb_plugin->currentData();
    const PluginDescriptor *plugin = index.isValid() ? m_plugins.at(index.toLongLong()) : nullptr;
    if (!plugin)
        return;
    guarded(m_ctx, [&] {
        StartPlugin(m_ctx, *plugin);
        close();
    });
}

void ImportWindow::lbListaPlugin_Click()
{
    OpenWebPage(m_ctx, m_ctx.state.brand.pluginLinkUrl);
}

} // namespace brio
