#include "compose/AccountCommands.h"

#include "context/Context.h"
#include "core/Texts.h"
#include "gateway/GatewayControl.h"
#include "gateway/GatewaySession.h"

namespace brio {

QString accountPageAddress(const AppState &state, const Account &account, AccountPage page)
{
    switch (page) {
    case AccountPage::Purchase:
        return accountPageUrl(state.brand.buyLinkUrl, account.user, account.password);
    case AccountPage::Sent:
        return accountPageUrl(state.brand.loginLinkUrl, account.user, account.password, QStringLiteral("&view_mode=1"));
    case AccountPage::Deferred:
        return accountPageUrl(state.brand.loginLinkUrl, account.user, account.password, QStringLiteral("&view_mode=2"));
    case AccountPage::Errors:
        return accountPageUrl(state.brand.loginLinkUrl, account.user, account.password, QStringLiteral("&view_mode=3"));
    }
    return QString();
}

AccountCommands::AccountCommands(Context &ctx)
    : m_ctx(ctx)
    , m_session(session(ctx))
{
}

AccountCommands::Login AccountCommands::loginFirst()
{
    if (!m_session.account().password.isEmpty())
        return Login::Already;
    m_ctx.windows().showLoginWindow();
    // Without an account there is nothing to put in the address.
    if (!m_session.loggedIn() || m_session.account().password.isEmpty())
        return Login::Refused;
    return Login::Made;
}

void AccountCommands::open(AccountPage page)
{
    OpenWebPage(m_ctx, accountPageAddress(m_ctx.state, m_session.account(), page));
    m_session.refreshCredit();
}

void AccountCommands::openPage(AccountPage page)
{
    if (loginFirst() != Login::Refused)
        open(page);
}

void AccountCommands::senderNumber()
{
    const Login login = loginFirst();
    if (login == Login::Refused)
        return;
    if (login == Login::Made) {
        GatewayControl &gateway = m_session.gateway();
        if (gateway.isDemo()) {
            m_ctx.message(Icon::Information,
                          Texts::tr("L'account dell'utente ") + gateway.userName()
                              + Texts::tr(" è dimostrativo.\nPer modificare il numero di mittente degli SMS "
                                          "è necessario \naver acquistato almeno un pacchetto di messaggi SMS."));
            open(AccountPage::Purchase);
            return;
        }
    }
    open(AccountPage::Sent);
}

void AccountCommands::checkCredit()
{
    if (loginFirst() == Login::Refused)
        return;
    // The status bar hears the same figure.
    const qint64 credit = m_session.refreshCredit();
    if (credit == GatewayControl::kUnknownCredit)
        m_ctx.message(Icon::Information, Texts::tr("Il credito residuo non è disponibile: il gateway non lo comunica."));
    else
        m_ctx.message(Icon::Information,
                      Texts::tr("Il tuo credito residuo è di: ") + QString::number(credit) + Texts::tr(" SMS."));
    m_session.runServerChecks(m_ctx);
}

} // namespace brio
