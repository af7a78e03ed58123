#include "compose/AccountCommands.h"

#include "context/Context.h"
#include "core/Texts.h"
#include "gateway/GatewayControl.h"
#include "net/ServerServices.h"

namespace brio {

QString accountPageAddress(const AppState &state, AccountPage page)
{
    switch (page) {
    case AccountPage::Purchase:
        return accountPageUrl(state.brand.buyLinkUrl, state.LoginUser, state.LoginPassword);
    case AccountPage::Sent:
        return accountPageUrl(state.brand.loginLinkUrl, state.LoginUser, state.LoginPassword, QStringLiteral("&view_mode=1"));
    case AccountPage::Deferred:
        return accountPageUrl(state.brand.loginLinkUrl, state.LoginUser, state.LoginPassword, QStringLiteral("&view_mode=2"));
    case AccountPage::Errors:
        return accountPageUrl(state.brand.loginLinkUrl, state.LoginUser, state.LoginPassword, QStringLiteral("&view_mode=3"));
    }
    return QString();
}

AccountCommands::AccountCommands(Context &ctx, GatewayControl &gateway, std::function<void()> refreshStatus)
    : m_ctx(ctx)
    , m_gateway(gateway)
    , m_refreshStatus(std::move(refreshStatus))
{
}

AccountCommands::Login AccountCommands::loginFirst()
{
    if (!m_ctx.state.LoginPassword.isEmpty())
        return Login::Already;
    m_ctx.windows().showLoginWindow();
    // Without an account there is nothing to put in the address.
    if (!m_ctx.state.LoggedIn || m_ctx.state.LoginPassword.isEmpty())
        return Login::Refused;
    return Login::Made;
}

void AccountCommands::open(AccountPage page)
{
    OpenWebPage(m_ctx, accountPageAddress(m_ctx.state, page));
    m_refreshStatus();
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
        m_gateway.setUserName(m_ctx.state.LoginUser);
        m_gateway.setPassword(m_ctx.state.LoginPassword);
        if (m_gateway.isDemo()) {
            m_ctx.message(Icon::Information,
                          Texts::tr("L'account dell'utente ") + m_gateway.userName()
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
    m_refreshStatus();
    const qint64 credit = m_gateway.getCredit();
    if (credit == GatewayControl::kUnknownCredit)
        m_ctx.message(Icon::Information, Texts::tr("Il credito residuo non è disponibile: il gateway non lo comunica."));
    else
        m_ctx.message(Icon::Information,
                      Texts::tr("Il tuo credito residuo è di: ") + QString::number(credit) + Texts::tr(" SMS."));
    RunServerChecks(m_ctx);
}

} // namespace brio
