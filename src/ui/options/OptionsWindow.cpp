#include "ui/options/OptionsWindow.h"

#include "ui_OptionsWindow.h"

#include "app/BookDialogues.h"
#include "carddav/CardDavClient.h"
#include "carddav/CardDavSync.h"
#include "core/Language.h"
#include "core/Texts.h"
#include "gateway/GatewayPassword.h"
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
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
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

    showCardDav();
    m_ui->spinCardDavMinuti->setAccessibleDescription(m_ui->lblCardDavNota->text());
    connect(m_ui->cmdCardDavCerca, &QPushButton::clicked, this, &OptionsWindow::cmdCardDavCerca_Click);

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
    if (applyCardDav())
        close();
}

OptionsWindow::CardDavFields OptionsWindow::cardDavFields() const
{
    return {m_ui->txtCardDavUrl->text().trimmed(), m_ui->txtCardDavUtente->text().trimmed(),
            m_ui->txtCardDavPassword->text(), m_ui->cbCardDavRubrica->currentData().toString(),
            m_ui->spinCardDavMinuti->value()};
}

void OptionsWindow::showCardDav()
{
    // The password as `briosms sync` finds it: in the keyring, or in the
    // settings file where no keyring answers.
    PasswordPlace place = PasswordPlace::None;
    const QUrl full(cardDavUrlWithPassword(m_ctx.settings, place));
    QUrl bare = full;
    bare.setUserName(QString());
    bare.setPassword(QString());
    CardDavFields f;
    if (!m_ctx.settings.text(Key::CardDavURL).trimmed().isEmpty())
        f.url = bare.toString();
    f.user = full.userName().isEmpty() ? m_ctx.settings.text(Key::CardDavUser).trimmed() : full.userName();
    f.password = full.password();
    f.book = m_ctx.settings.text(Key::CardDavAddressBook).trimmed();
    f.minutes = qMax(0, m_ctx.settings.integer(Key::CardDavMinutes));
    m_ui->txtCardDavUrl->setText(f.url);
    m_ui->txtCardDavUtente->setText(f.user);
    m_ui->txtCardDavPassword->setText(f.password);
    m_ui->cbCardDavRubrica->clear();
    m_ui->cbCardDavRubrica->addItem(Texts::tr("(l'unica dell'utente)"), QString());
    if (!f.book.isEmpty()) {
        m_ui->cbCardDavRubrica->addItem(f.book, f.book);
        m_ui->cbCardDavRubrica->setCurrentIndex(1);
    }
    m_ui->spinCardDavMinuti->setValue(f.minutes);
    m_cardDav = cardDavFields();
}

bool OptionsWindow::applyCardDav()
{
    const CardDavFields now = cardDavFields();
    if (!now.password.isEmpty() && now.user.isEmpty()) {
        m_ctx.message(Icon::Exclamation, Texts::tr("Indicare l'utente del server CardDAV insieme alla password."));
        m_ui->txtCardDavUtente->setFocus();
        return false;
    }
    Settings &s = m_ctx.settings;
    if (now.url != m_cardDav.url || now.user != m_cardDav.user || now.password != m_cardDav.password) {
        if (now.url.isEmpty()) {
            s.remove(Key::CardDavURL);
            s.remove(Key::CardDavUser);
        } else {
            QUrl url = QUrl::fromUserInput(now.url);
            url.setUserName(QString());
            url.setPassword(QString());
            if (!url.isValid() || url.host().isEmpty()) {
                m_ctx.message(Icon::Exclamation,
                              Texts::tr("L'indirizzo del server CardDAV non è valido: %1").arg(now.url));
                m_ui->txtCardDavUrl->setFocus();
                return false;
            }
            // The user in the address keys the password in the keyring, as
            // for the gateway; reading it back moves the password there.
            url.setUserName(now.user);
            url.setPassword(now.password);
            s.set(Key::CardDavURL, url.toString());
            s.remove(Key::CardDavUser);
            PasswordPlace place = PasswordPlace::None;
            cardDavUrlWithPassword(s, place);
        }
    }
    if (now.book != m_cardDav.book) {
        if (now.book.isEmpty())
            s.remove(Key::CardDavAddressBook);
        else
            s.set(Key::CardDavAddressBook, now.book);
    }
    if (now.minutes != m_cardDav.minutes)
        s.set(Key::CardDavMinutes, now.minutes);
    s.sync();
    m_cardDav = now;
    return true;
}

void OptionsWindow::cmdCardDavCerca_Click()
{
    const CardDavFields f = cardDavFields();
    const QUrl url = QUrl::fromUserInput(f.url);
    if (f.url.isEmpty() || !url.isValid() || url.host().isEmpty()) {
        m_ctx.message(Icon::Exclamation, Texts::tr("Scrivere l'indirizzo del server CardDAV."));
        m_ui->txtCardDavUrl->setFocus();
        return;
    }
    QList<AddressBookInfo> books;
    try {
        const int seconds = m_ctx.settings.integer(Key::CardDavTimeout);
        CardDavClient client(url, f.user, f.password, (seconds > 0 ? seconds : 60) * 1000);
        books = client.addressBooks();
    } catch (const Error &e) {
        m_ctx.message(Icon::Critical,
                      Texts::tr("Ricerca delle rubriche non riuscita.\n\nDettaglio: %1").arg(e.description()));
        return;
    }
    if (books.isEmpty()) {
        m_ctx.message(Icon::Information, Texts::tr("L'utente non ha rubriche su questo server."));
        return;
    }
    // The address of each book: it names it whatever its display name.
    const QString chosen = f.book;
    m_ui->cbCardDavRubrica->clear();
    for (const AddressBookInfo &b : std::as_const(books))
        m_ui->cbCardDavRubrica->addItem(b.name, b.url.toString());
    const int again = m_ui->cbCardDavRubrica->findData(chosen);
    m_ui->cbCardDavRubrica->setCurrentIndex(again >= 0 ? again : 0);
    m_ui->cbCardDavRubrica->setFocus();
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
