#include "ui/login/LoginWindow.h"

#include "core/Error.h"
#include "gateway/Login.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace brio {

namespace {

const QString kCaption = QStringLiteral("Login");

} // namespace

LoginWindow::LoginWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_txtUserName(new QLineEdit(this))
    , m_txtPassword(new QLineEdit(this))
    , m_chk_save(new QCheckBox(QStringLiteral("&Salva la password"), this))
    , m_cmOK(new QPushButton(QStringLiteral("OK"), this))
    , m_cmCancel(new QPushButton(QStringLiteral("Annulla"), this))
    , m_lblLabels{new QLabel(QStringLiteral("&Nome utente:"), this), new QLabel(QStringLiteral("&Password:"), this),
                  new QLabel(QStringLiteral("Registrati adesso!"), this),
                  new QLabel(QStringLiteral("Non possiedi un account?"), this)}
    , m_Line1(new QFrame(this))
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(kCaption);
    m_txtUserName->setObjectName(QStringLiteral("txtUserName"));
    m_txtPassword->setObjectName(QStringLiteral("txtPassword"));
    m_chk_save->setObjectName(QStringLiteral("chk_save"));
    m_cmOK->setObjectName(QStringLiteral("cmOK"));
    m_cmCancel->setObjectName(QStringLiteral("cmCancel"));
    m_Line1->setObjectName(QStringLiteral("Line1"));
    // One indexed group: the same name, told apart by "index".
    for (int i = 0; i < int(m_lblLabels.size()); ++i) {
        m_lblLabels[i]->setObjectName(QStringLiteral("lblLabels"));
        m_lblLabels[i]->setProperty("index", i);
        m_lblLabels[i]->installEventFilter(this);
    }

    m_lblLabels[0]->setBuddy(m_txtUserName);
    m_lblLabels[1]->setBuddy(m_txtPassword);
    m_txtPassword->setEchoMode(QLineEdit::Password);
    m_Line1->setFrameShape(QFrame::HLine);
    m_Line1->setFrameShadow(QFrame::Sunken);
    m_cmOK->setDefault(true);

    QLabel *link = m_lblLabels[2];
    QFont font = link->font();
    font.setBold(true);
    font.setUnderline(true);
    link->setFont(font);
    link->setCursor(Qt::PointingHandCursor);
    link->setAccessibleDescription(QStringLiteral("Apre la pagina di registrazione nel browser"));

    auto *fields = new QFormLayout;
    fields->addRow(m_lblLabels[0], m_txtUserName);
    fields->addRow(m_lblLabels[1], m_txtPassword);
    fields->addRow(QString(), m_chk_save);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmOK);
    buttons->addWidget(m_cmCancel);
    auto *register_ = new QHBoxLayout;
    register_->addWidget(m_lblLabels[3]);
    register_->addWidget(m_lblLabels[2]);
    register_->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->addWidget(m_Line1);
    layout->addLayout(register_);

    connect(m_cmOK, &QPushButton::clicked, this, &LoginWindow::cmOK_Click);
    connect(m_cmCancel, &QPushButton::clicked, this, &LoginWindow::cmCancel_Click);

    Form_Load();
}

LoginWindow::~LoginWindow()
{
    setBusy(false);
}

GatewayControl *LoginWindow::gateway() const
{
    return m_BrioSMS.get();
}

bool LoginWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
        && std::ranges::find(m_lblLabels, watched) != m_lblLabels.end()) {
        lblLabels_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void LoginWindow::Form_Load()
{
    m_ctx.state.LoggedIn = false;
    guarded(m_ctx, [&] {
        if (!m_ctx.makeGateway)
            throw Error(ErrorNo::GatewayGeneric, QStringLiteral("Controllo del gateway non disponibile"));
        m_BrioSMS = m_ctx.makeGateway();
        m_BrioSMS->setObjectName(QStringLiteral("BrioSMS"));
        const SavedLogin saved = loadSavedLogin(m_ctx.db());
        m_chk_save->setChecked(saved.saved);
        m_txtUserName->setText(saved.user);
        m_txtPassword->setText(saved.password);
    });
}

void LoginWindow::cmOK_Click()
{
    guarded(m_ctx, [&] {
        if (!m_BrioSMS)
            throw Error(ErrorNo::GatewayGeneric, QStringLiteral("Controllo del gateway non disponibile"));
        const LoginResult result = Login(m_ctx, *m_BrioSMS, m_txtUserName->text(), m_txtPassword->text(),
                                         m_chk_save->isChecked(), [this](bool busy) { setBusy(busy); });
        switch (result) {
        case LoginResult::MissingUser:
            m_txtUserName->setFocus();
            break;
        case LoginResult::MissingPassword:
            m_txtPassword->setFocus();
            break;
        case LoginResult::Refused:
            m_txtUserName->clear();
            m_txtPassword->clear();
            m_txtUserName->setFocus();
            break;
        case LoginResult::Failed:
            break;
        case LoginResult::LoggedIn:
            accept();
            break;
        }
    });
}

void LoginWindow::cmCancel_Click()
{
    reject();
}

// Any label of the group opens the page, not only the link.
void LoginWindow::lblLabels_Click()
{
    guarded(m_ctx, [&] { OpenWebPage(m_ctx, registrationPageUrl(m_ctx.settings)); });
}

void LoginWindow::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        setWindowTitle(QStringLiteral("Attendere prego, connessione..."));
        m_cmOK->setEnabled(false); // a second click would start a second login
    } else {
        QApplication::restoreOverrideCursor();
        setWindowTitle(kCaption);
        m_cmOK->setEnabled(true);
    }
}

} // namespace brio
