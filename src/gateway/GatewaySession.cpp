#include "gateway/GatewaySession.h"

#include "core/Error.h"
#include "core/Log.h"
#include "core/Texts.h"
#include "gateway/GatewayControl.h"
#include "net/Brand.h"
#include "net/Http.h"
#include "net/ServerServices.h"

#include <QCoreApplication>
#include <utility>

namespace brio {

GatewaySession::GatewaySession(QObject *parent)
    : QObject(parent)
{
}

GatewaySession::~GatewaySession() = default;

void GatewaySession::attach(Context &ctx)
{
    m_factory = &ctx.makeGateway;
    ctx.sessionImpl = this;
}

Account GatewaySession::account() const
{
    return m_account;
}

bool GatewaySession::loggedIn() const
{
    return m_loggedIn;
}

void GatewaySession::setAccount(const QString &user, const QString &password)
{
    m_account = {user, password};
}

void GatewaySession::logIn()
{
    const bool was = std::exchange(m_loggedIn, true);
    if (m_gateway)
        configure(*m_gateway);
    if (was)
        return;
    qCInfo(lcGateway, "session: logged in");
    Q_EMIT loginChanged(true);
}

void GatewaySession::logOut()
{
    if (std::exchange(m_loggedIn, false))
        Q_EMIT loginChanged(false);
}

bool GatewaySession::serverChecksDone() const
{
    return m_serverChecksDone;
}

void GatewaySession::setServerChecksDone(bool done)
{
    m_serverChecksDone = done;
}

void GatewaySession::runServerChecks(Context &ctx)
{
    if (m_serverChecksDone)
        return;
    // Four posts at most, all within one time-out.
    const PostDeadline bound(ServerEndpoint::fromSettings(ctx.settings).timeoutMs);
    // An error of the version check goes to the calling command; the checks
    // then run again at its next use.
    CheckVersion(ctx, m_account);
    UpdateCapabilities(ctx);
    if (!loadBrand(ctx)) {
        // The brand script refused the account: the run ends.
        QCoreApplication::exit(1);
        return;
    }
    m_serverChecksDone = true;
}

bool GatewaySession::loadBrand(Context &ctx)
{
    if (isFirstRun(ctx)) {
        try {
            ctx.windows().showLoginWindow();
        } catch (const Error &e) {
            // As an unreachable host: the delivered brand.
            ReportError(ctx, e);
            loadBrandTexts(ctx);
            return true;
        }
    }
    return LoadBrand(ctx, m_account);
}

GatewayControl &GatewaySession::gateway()
{
    if (m_gateway)
        return *m_gateway;
    if (!m_factory || !*m_factory)
        throw Error(ErrorNo::GatewayGeneric, Texts::tr("Controllo del gateway non disponibile"));
    m_own = (*m_factory)();
    m_gateway = m_own.get();
    configure(*m_gateway);
    return *m_gateway;
}

void GatewaySession::useGateway(GatewayControl &gateway)
{
    m_own.reset();
    m_gateway = &gateway;
    configure(gateway);
}

std::unique_ptr<GatewayControl> GatewaySession::newGateway() const
{
    if (!m_factory || !*m_factory)
        throw Error(ErrorNo::GatewayGeneric, Texts::tr("Controllo del gateway non disponibile"));
    std::unique_ptr<GatewayControl> gateway = (*m_factory)();
    configure(*gateway);
    return gateway;
}

qint64 GatewaySession::refreshCredit()
{
    const qint64 credit = gateway().getCredit();
    Q_EMIT creditChanged(credit);
    return credit;
}

void GatewaySession::configure(GatewayControl &gateway) const
{
    gateway.setAppCode(QString::fromLatin1(GatewayControl::kAppCode));
    // Before a login the gateway keeps the account its address may carry (Kannel).
    if (!m_loggedIn)
        return;
    gateway.setUserName(m_account.user);
    gateway.setPassword(m_account.password);
    gateway.setAuthenticated(true);
}

GatewaySession &session(const Context &ctx)
{
    auto *session = dynamic_cast<GatewaySession *>(ctx.sessionImpl);
    if (!session)
        throw Error(ErrorNo::Internal, Texts::tr("Controllo del gateway non disponibile"));
    return *session;
}

} // namespace brio
