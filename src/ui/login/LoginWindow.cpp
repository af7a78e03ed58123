#include "ui/login/LoginWindow.h"

#include "core/Texts.h"
#include "ui_LoginWindow.h"
#include "ui/QtServices.h"

#include "core/Error.h"
#include "gateway/GatewaySession.h"
#include "gateway/Login.h"
#include "ui/help/HelpLink.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
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
    , m_ui(std::make_unique<Ui::frmLogin>())
    , m_ctx(ctx)
{
    showWaitPointerDuringNetworkWork();
    m_ui->setupUi(this);
    attachHelp(m_ctx, this);
    m_lblLabels = {m_ui->lblLabels_0, m_ui->lblLabels_1, m_ui->lblLabels_2, m_ui->lblLabels_3};
    // One indexed group: the same name, told apart by "index".
    for (int i = 0; i < int(m_lblLabels.size()); ++i) {
        m_lblLabels[i]->setObjectName(QStringLiteral("lblLabels"));
        m_lblLabels[i]->setProperty("index", i);
        m_lblLabels[i]->installEventFilter(this);
    }

    connect(m_ui->cmOK, &QPushButton::clicked, this, &LoginWindow::cmOK_Click);
    connect(m_ui->cmCancel, &QPushButton::clicked, this, &LoginWindow::cmCancel_Click);

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
    // The registration link takes the keyboard focus: Space or Enter opens it.
    if (event->type() == QEvent::KeyPress && watched == m_ui->lblLabels_2) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            lblLabels_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LoginWindow::Form_Load()
{
    guarded(m_ctx, [&] {
        session(m_ctx).logOut();
        if (!m_ctx.makeGateway)
            throw Error(ErrorNo::GatewayGeneric, Texts::tr("Controllo del gateway non disponibile"));
        m_BrioSMS = m_ctx.makeGateway();
        m_BrioSMS->setObjectName(QStringLiteral("BrioSMS"));
        const SavedLogin saved = loadSavedLogin(m_ctx.db());
        m_ui->chk_save->setChecked(saved.saved);
        m_ui->txtUserName->setText(saved.user);
        m_ui->txtPassword->setText(saved.password);
    });
}

void LoginWindow::cmOK_Click()
{
    guarded(m_ctx, [&] {
        if (!m_BrioSMS)
            throw Error(ErrorNo::GatewayGeneric, Texts::tr("Controllo del gateway non disponibile"));
        const LoginResult result = Login(m_ctx, *m_BrioSMS, m_ui->txtUserName->text(), m_ui->txtPassword->text(),
                                         m_ui->chk_save->isChecked(), [this](bool busy) { setBusy(busy); });
        switch (result) {
        case LoginResult::MissingUser:
            m_ui->txtUserName->setFocus();
            break;
        case LoginResult::MissingPassword:
            m_ui->txtPassword->setFocus();
            break;
        case LoginResult::Refused:
            m_ui->txtUserName->clear();
            m_ui->txtPassword->clear();
            m_ui->txtUserName->setFocus();
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
        setWindowTitle(Texts::tr("Attendere prego, connessione..."));
        m_ui->cmOK->setEnabled(false); // a second click would start a second login
    } else {
        QApplication::restoreOverrideCursor();
        setWindowTitle(kCaption);
        m_ui->cmOK->setEnabled(true);
    }
}

} // namespace brio
