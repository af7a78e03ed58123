#include "net/Brand.h"

#include "context/Context.h"
#include "net/Http.h"
#include "net/ServerServices.h"

#include <QRegularExpression>

#include <algorithm>

namespace brio {

namespace {

constexpr int kShortestReply = 22;

const QString &loginRequiredText()
{
    static const QString text = QStringLiteral(
        "E' necessario eseguire un login valido la prima volta che si utilizza l'applicazione...");
    return text;
}

// A key as the brand script names them: a letter, then letters and digits.
bool isBrandKey(const QString &key)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z][A-Za-z0-9_]{0,63}$"));
    return pattern.match(key).hasMatch();
}

bool isPrintable(const QString &value)
{
    return std::none_of(value.cbegin(), value.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

void markBranded(Context &ctx, const QString &version)
{
    ctx.settings.set(Key::CurrentVersion, version);
    ctx.settings.set(Key::Branded, QStringLiteral("1"));
}

} // namespace

void loadBrandTexts(Context &ctx)
{
    ctx.state.brand = BrandTexts::load(ctx.settings);
}

bool isFirstRun(const Context &ctx)
{
    return ctx.settings.integer(Key::Branded) == 0;
}

bool FetchBrand(Context &ctx, const Account &account)
{
    try {
        const bool firstRun = isFirstRun(ctx);
        if (account.password.isEmpty() && account.user.isEmpty()) {
            if (!firstRun)
                return true; // nobody logged in yet in this run
            ctx.message(Icon::None, loginRequiredText());
            return false;
        }

        UpdateCapabilities(ctx);

        const QString current = ctx.settings.text(Key::CurrentVersion);
        const QString body = QStringLiteral("VER=") + URLEncode(current) + QStringLiteral("&UID=")
                             + URLEncode(account.user) + QStringLiteral("&PWD=") + URLEncode(account.password);
        const QString reply = HttpPost(ctx.settings, body, QStringLiteral("/cgi/getBrand.php"));

        // Only a whole reply counts: the refusal ends the program, and
        // garbage must not become brand keys.
        QStringList lines;
        int count = 0;
        const bool refused = reply.size() >= kShortestReply && isWholePage(reply)
                             && SplitLines(reply, lines, 999) > 0 && lines.at(0) == QLatin1String("ER");
        if (refused) {
            ctx.message(Icon::None, loginRequiredText());
            return false;
        }
        if (reply.startsWith(QLatin1String("OK")) || !isListReply(reply, lines, 999, count)) {
            // An empty version on the first run makes the next fetch ask for
            // the whole brand.
            if (firstRun)
                markBranded(ctx, QString());
            return true;
        }

        int taken = 0;
        for (int i = 1; i < count && i < lines.size(); ++i) {
            const QStringList parts = lines.at(i).split(QLatin1Char(','));
            if (parts.size() == 2 && isBrandKey(parts.at(0)) && isPrintable(parts.at(1))) {
                ctx.settings.setRaw(Settings::sectionOf(Key::Branded), parts.at(0), parts.at(1));
                ++taken;
            }
        }
        // A reply none of whose lines was taken is no new brand: the next
        // start asks again for the version still held.
        if (count > 1 && taken == 0) {
            if (firstRun)
                markBranded(ctx, QString());
            return true;
        }
        markBranded(ctx, lines.at(0));
    } catch (const Error &e) {
        ReportError(ctx, e);
    }
    return true;
}

bool LoadBrand(Context &ctx, const Account &account)
{
    if (!FetchBrand(ctx, account))
        return false;
    loadBrandTexts(ctx);
    return true;
}

} // namespace brio
