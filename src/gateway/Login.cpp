#include "gateway/Login.h"

#include "context/Context.h"
#include "core/Error.h"
#include "core/Log.h"
#include "core/Texts.h"
#include "gateway/GatewayControl.h"
#include "gateway/GatewaySession.h"
#include "net/Http.h"
#include "store/Database.h"

namespace brio {

namespace {

constexpr auto kPartnerCode = "R8TK3LW5ZB";

} // namespace

SavedLogin loadSavedLogin(Database &db)
{
    Statement st = db.prepare(QStringLiteral("SELECT * FROM tab_accesso WHERE ID = ?"));
    st.bind(1, 1);
    if (!st.next())
        throw Error(3021, Texts::tr("Nessun record corrente."));
    SavedLogin login;
    if (st.text(QStringLiteral("salvato")) == QLatin1String("N"))
        return login;
    login.saved = true;
    login.user = st.text(QStringLiteral("user"));
    login.password = st.text(QStringLiteral("password"));
    return login;
}

void storeLogin(Database &db, bool save, const QString &user, const QString &password)
{
    const QString blank = QStringLiteral(" ");
    db.run(QStringLiteral("UPDATE tab_accesso SET user = ?, password = ?, salvato = ? WHERE ID = 1"),
           {save ? user : blank, save ? password : blank, save ? QStringLiteral("S") : QStringLiteral("N")});
}

LoginResult Login(Context &ctx, GatewayControl &gateway, const QString &user, const QString &password, bool save,
                  const std::function<void(bool)> &busy)
{
    if (user.isEmpty()) {
        ctx.message(Icon::Exclamation, Texts::tr("Inserire il nome utente."));
        return LoginResult::MissingUser;
    }
    if (password.isEmpty()) {
        ctx.message(Icon::Exclamation, Texts::tr("Inserire la password."));
        return LoginResult::MissingPassword;
    }
    GatewaySession &run = session(ctx);
    run.setAccount(user, password);

    auto setBusy = [&busy](bool on) {
        if (busy)
            busy(on);
    };
    try {
        // The login window's own control tries the typed account.
        gateway.setUserName(user);
        gateway.setPassword(password);
        setBusy(true);
        gateway.getCredit();
        qCInfo(lcGateway, "login: accepted by the gateway");
        run.logIn();
        setBusy(false);
        storeLogin(ctx.db(), save, user, password);
    } catch (const Error &e) {
        setBusy(false);
        qCWarning(lcGateway, "login: failed with error %d", e.number());
        if (e.number() == ErrorNo::GatewayBadCredentials) {
            ctx.message(Icon::Critical, Texts::tr("Impossibile accedere. Controllare Username e Password e riprovare."));
            return LoginResult::Refused;
        }
        ReportError(ctx, e);
        return LoginResult::Failed;
    }
    return LoginResult::LoggedIn;
}

QString registrationPageUrl(const Settings &settings)
{
    return settings.text(Key::RegistrationURL) + QStringLiteral("?btpcode=") + URLEncode(QLatin1String(kPartnerCode));
}

} // namespace brio
