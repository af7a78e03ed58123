#include "ui/misc/AboutWindow.h"

#include "context/Context.h"
#include "core/Texts.h"
#include "gateway/GatewayControl.h"
#include "help/AboutText.h"
#include "ui/help/HelpLink.h"
#include "ui_AboutWindow.h"

#include <QUrl>

namespace brio {

namespace {

QString link(const QString &text)
{
    return QStringLiteral("<a href=\"#\">%1</a>").arg(text.toHtmlEscaped());
}

} // namespace

AboutWindow::AboutWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::AboutWindow>())
{
    m_ui->setupUi(this);
    m_ui->lbPlatform->setText(aboutPlatformText());
    m_ui->lbLicenza->setText(aboutLicenceText());
    m_ui->lb_copyright->setText(Texts::tr("© ZTQ. Tutti i diritti riservati."));
    const QString company = m_ctx.settings.text(Key::CompanyURL);
    m_ui->lbIndirizzoZTQ->setText(link(QUrl(company).host()));
    m_ui->lb_Indirizzo->setAccessibleName(Texts::tr("Sito del marchio"));
    m_ui->lbIndirizzoZTQ->setAccessibleName(Texts::tr("Sito dell'azienda"));
    connect(m_ui->cmOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->lb_Indirizzo, &QLabel::linkActivated, this, &AboutWindow::lb_Indirizzo_Click);
    connect(m_ui->lbIndirizzoZTQ, &QLabel::linkActivated, this, &AboutWindow::lbIndirizzoZTQ_Click);
    attachHelp(m_ctx, this);
    Form_Load();
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::showFor(Context &ctx, QWidget *parent)
{
    AboutWindow box(ctx, parent);
    box.exec();
}

void AboutWindow::Form_Load()
{
    // A failure leaves the labels set so far.
    guarded(m_ctx, [&] {
        m_ui->lbBrand->setText(m_ctx.state.brand.mainCaption);
        m_ui->lb_Indirizzo->setText(link(m_ctx.state.brand.aboutLinkText));
        m_ui->lbVersion->setText(aboutVersionText());
        m_ui->lbLibrerie->setText(aboutLibrariesText(m_ctx.state.book.ifOpen()));
        const std::unique_ptr<GatewayControl> gateway = m_ctx.makeGateway();
        m_ui->lbActiveX->setText(aboutGatewayText(gateway->getVersion()));
    });
}

void AboutWindow::lb_Indirizzo_Click()
{
    guarded(m_ctx, [&] { OpenWebPage(m_ctx, m_ctx.state.brand.aboutLinkUrl); });
}

void AboutWindow::lbIndirizzoZTQ_Click()
{
    guarded(m_ctx, [&] { OpenWebPage(m_ctx, m_ctx.settings.text(Key::CompanyURL)); });
}

} // namespace brio
