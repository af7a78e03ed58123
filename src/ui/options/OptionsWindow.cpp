#include "ui/options/OptionsWindow.h"

#include "ui_OptionsWindow.h"

#include "app/BookDialogues.h"
#include "core/Language.h"
#include "net/Http.h"
#include "ui/options/ChangePasswordWindow.h"
#include "ui/help/HelpLink.h"
#include "ui/OneWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace brio {

OptionsWindow::OptionsWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmOpzioni>())
    , m_ctx(ctx)
{
    m_ui->setupUi(this);
    attachHelp(m_ctx, this);
    // The labels explain the buttons beside them; screen readers read them
    // with the button.
    m_ui->cmdSvuotaRubrica->setAccessibleDescription(m_ui->lblSvuotaRubrica->text());
    m_ui->cmdChangePassword->setAccessibleDescription(m_ui->lblPassword->text());

    // The account's password goes in the posts to the server: TLS is the
    // default away from this machine, and turning it off is said plainly.
    const ServerEndpoint server = ServerEndpoint::fromSettings(m_ctx.settings);
    m_ui->chk_tls->setChecked(server.tls);
    m_ui->chk_tls->setAccessibleDescription(m_ui->lblTlsWarning->text());
    m_ui->lblTlsWarning->setVisible(!server.tls);
    connect(m_ui->chk_tls, &QCheckBox::toggled, this, &OptionsWindow::chk_tls_Click);

    // Each language is named in itself; the change shows from the next start,
    // when every window is built in it.
    const auto chosen = languageFromCode(m_ctx.settings.text(Key::Language));
    m_ui->cb_lingua->setCurrentIndex(!chosen ? 0 : *chosen == Language::Italian ? 1 : 2);
    m_ui->cb_lingua->setAccessibleDescription(m_ui->lblLinguaNota->text());
    connect(m_ui->cb_lingua, &QComboBox::currentIndexChanged, this, &OptionsWindow::cb_lingua_Change);

    connect(m_ui->cmdOk, &QPushButton::clicked, this, &OptionsWindow::cmdOk_Click);
    connect(m_ui->cmdChangePassword, &QPushButton::clicked, this, &OptionsWindow::cmdChangePassword_Click);
    connect(m_ui->cmdSvuotaRubrica, &QPushButton::clicked, this, &OptionsWindow::cmdSvuotaRubrica_Click);
}

OptionsWindow::~OptionsWindow() = default;

OptionsWindow *OptionsWindow::showFor(Context &ctx, QWidget *parent)
{
    return showOneWindow<OptionsWindow>(ctx, parent);
}

void OptionsWindow::chk_tls_Click(bool checked)
{
    m_ctx.settings.set(Key::ServerTLS, checked ? 1 : 0);
    m_ui->lblTlsWarning->setVisible(!checked);
}

void OptionsWindow::cb_lingua_Change(int index)
{
    if (index == 0)
        m_ctx.settings.remove(Key::Language);
    else
        m_ctx.settings.set(Key::Language, index == 1 ? QStringLiteral("it") : QStringLiteral("en"));
}

void OptionsWindow::cmdOk_Click()
{
    close();
}

void OptionsWindow::cmdChangePassword_Click()
{
    guarded(m_ctx, [&] {
        ChangePasswordWindow window(m_ctx, this);
        window.exec();
    });
}

void OptionsWindow::cmdSvuotaRubrica_Click()
{
    guarded(m_ctx, [&] { EmptyAddressBook(m_ctx); });
}

} // namespace brio
