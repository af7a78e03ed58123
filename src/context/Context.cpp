#include "context/Context.h"

#include "core/Error.h"
#include "core/Log.h"
#include "core/Texts.h"

#include <QUrl>
#include <QUrlQuery>

namespace brio {

Answer Context::message(Icon icon, const QString &text, Buttons buttons) const
{
    // Boxes shown before the brand texts are loaded still carry a title.
    const QString &caption = state.brand.msgBoxCaption;
    const QString title = caption.isEmpty() ? Settings::defaultOf(Key::MsgBoxCaption) : caption;
    return prompter.show(icon, buttons, title, text);
}

Database &Context::db() const
{
    return state.book.database();
}

Windows &Context::windows() const
{
    if (!windowsImpl)
        throw Error(ErrorNo::Internal, Texts::tr("Nessuna finestra disponibile"));
    return *windowsImpl;
}

FileDialog &Context::fileDialog() const
{
    if (!fileDialogImpl)
        throw Error(ErrorNo::Internal, Texts::tr("Nessuna finestra di scelta file disponibile"));
    return *fileDialogImpl;
}

ProcessLauncher &Context::process() const
{
    if (!processImpl)
        throw Error(ErrorNo::Internal, Texts::tr("Nessun avvio di programmi disponibile"));
    return *processImpl;
}

Notifier &Context::notifier() const
{
    return *state.Notify;
}

namespace {

QString gatewayText(int number)
{
    switch (number) {
    case 28374:
        return Texts::tr("Errore generico nel funzionamento di BrioSMS ActiveX. Contattare il supporto tecnico.");
    case 28375:
        return Texts::tr("UserName o Password inserita errata. Riprovare.");
    case 28376:
        return Texts::tr("Errore CGI. Sono stati passati parametri errati. Contattare il supporto tecnico.");
    case 28377:
        return Texts::tr("Credito SMS insufficiente. E' necessario acquistare un nuovo pacchetto di SMS.");
    case 28378:
        return Texts::tr("Errore 28378. MaxQueue Error. Contattare il supporto tecnico.");
    case 28379:
        return Texts::tr("La connessione ad Internet non è attiva. Connettersi e riprovare.");
    case 28380:
        return Texts::tr("Uno o più numeri telefonici, del presente invio, risultano errati. Controllare Rubrica.");
    case 28381:
        return Texts::tr("La stringa del mittente è errata. Modificarla e riprovare.");
    case 28382:
        return Texts::tr("La data di invio è errata. Contattare il supporto tecnico.");
    case 28383:
        return Texts::tr("Il gateway Brionet ha segnalato un errore 28383. Contattare il supporto tecnico.");
    case 28384:
        return Texts::tr("L'applicazione contiene un vcode errato. Contattare il supporto tecnico.");
    default:
        return QString();
    }
}

} // namespace

QString accountPageUrl(const QString &base, const QString &user, const QString &password, const QString &suffix)
{
    auto enc = [](const QString &v) { return QString::fromLatin1(QUrl::toPercentEncoding(v)); };
    return base + QStringLiteral("?user=") + enc(user) + QStringLiteral("&password=") + enc(password) + suffix;
}

void ReportError(const Context &ctx, const Error &error)
{
    const int n = error.number();
    qCWarning(lcContext).noquote() << "error" << n << error.description();
    QString text = gatewayText(n);
    if (n == ErrorNo::GatewayCredit) {
        const Account account = ctx.sessionImpl ? ctx.sessionImpl->account() : Account();
        OpenWebPage(ctx, accountPageUrl(ctx.state.brand.buyLinkUrl, account.user, account.password));
    }
    if (text.isEmpty()) {
        text = Texts::tr("Si è verificato l'errore n. %1 - %2. Se l'errore persiste, contattare il supporto tecnico.")
                   .arg(n)
                   .arg(error.description());
    }
    ctx.message(Icon::Critical, text);
}

void OpenWebPage(const Context &ctx, const QString &url)
{
    if (ctx.shell.openUrl(url))
        return;
    // The account pages carry the password in the address: it is never
    // shown, the user types it in place of the stars.
    QUrl shown(url, QUrl::TolerantMode);
    QUrlQuery query(shown);
    if (query.queryItemValue(QStringLiteral("password")).isEmpty()) {
        ctx.message(Icon::Information,
                    Texts::tr("Impossibile aprire il browser. Aprire a mano questo indirizzo:\n%1").arg(url));
        return;
    }
    QList<std::pair<QString, QString>> items = query.queryItems(QUrl::FullyEncoded);
    for (auto &[key, value] : items) {
        if (key == QLatin1String("password"))
            value = QStringLiteral("********");
    }
    query.setQueryItems(items);
    shown.setQuery(query);
    ctx.message(Icon::Information,
                Texts::tr("Impossibile aprire il browser. Aprire a mano questo indirizzo, scrivendo la propria "
                          "password al posto degli asterischi:\n%1")
                    .arg(shown.toString(QUrl::FullyEncoded)));
}

bool guarded(const Context &ctx, const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const Error &e) {
        ReportError(ctx, e);
    } catch (const std::exception &e) {
        ReportError(ctx, Error(ErrorNo::Internal, QString::fromLocal8Bit(e.what())));
    }
    return false;
}

QString programVersionText()
{
    return QStringLiteral("%1.%2.%3").arg(BRIOSMS_VERSION_MAJOR).arg(BRIOSMS_VERSION_MINOR).arg(BRIOSMS_VERSION_PATCH);
}

} // namespace brio
