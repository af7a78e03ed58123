#include "net/ServerServices.h"

#include "context/Context.h"
#include "core/Texts.h"
#include "net/Brand.h"
#include "net/Http.h"
#include "store/Database.h"

#include <algorithm>

namespace brio {

namespace {

// A reply shorter than this carries no usable answer.
constexpr int kShortestReply = 22;
// The page's markup after the payload.
constexpr int kClosingMarkup = 20;

// Only plain digits: a code is stored as text and compared as typed.
bool isDigits(const QString &s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// The first line of a reply that carries a list: its version, two digits.
bool hasVersionLine(const QStringList &lines, int count)
{
    return count > 0 && lines.at(0).size() == 2 && isDigits(lines.at(0));
}

// "2.1.0": digits and dots.
bool isVersionText(const QString &s)
{
    const QStringList parts = s.split(QLatin1Char('.'));
    return std::all_of(parts.cbegin(), parts.cend(), isDigits);
}

} // namespace

bool isListReply(const QString &reply, QStringList &lines, int highestSlot, int &count)
{
    if (reply.size() < kShortestReply || !isWholePage(reply))
        return false;
    count = SplitLines(reply, lines, highestSlot);
    return hasVersionLine(lines, count);
}

int SplitLines(const QString &text, QStringList &lines, int highestSlot)
{
    lines = QStringList(qMax(0, highestSlot + 1));
    QString current;
    int count = 0;
    for (QChar c : text) {
        if (count > highestSlot)
            break;
        if (c == QLatin1Char('\n')) {
            if (!current.isEmpty())
                lines[count] = current.chopped(1);
            ++count;
            current.clear();
        } else {
            current += c;
        }
    }
    return count;
}

void CheckVersion(Context &ctx, const Account &account)
{
    const QString version = programVersionText();
    const QString body = QStringLiteral("CMD=3&UID=") + URLEncode(account.user) + QStringLiteral("&PWD=")
                         + URLEncode(account.password) + QStringLiteral("&APP=brio2&VER=") + version;
    const QString reply = HttpPost(ctx.settings, body, QStringLiteral("/cgi/briosms2_1.php"));
    if (reply.size() < kShortestReply || !reply.startsWith(QLatin1String("01")) || !isWholePage(reply))
        return;
    // Between the separator after the status and the closing markup.
    const QString offered = reply.mid(3, qMax<qsizetype>(0, reply.size() - 3 - kClosingMarkup));
    if (offered == version || !isVersionText(offered))
        return;
    if (ctx.message(Icon::Question, Texts::tr("E' disponibile una nuova versione di BrioSMS, vuoi scaricarla ???"),
                    Buttons::YesNo)
        == Answer::Yes)
        OpenWebPage(ctx, ctx.state.brand.downloadLinkUrl);
}

void UpdateCapabilities(Context &ctx)
{
    try {
        const QString stored = ctx.settings.text(Key::CapabVersion);
        const QString reply = HttpPost(ctx.settings, QStringLiteral("VER=") + stored,
                                       QStringLiteral("/cgi/getServerCapabilities.php"));
        if (reply.startsWith(QLatin1String("OK")))
            return;
        // Garbage or a page cut short would leave a list that refuses every
        // number: only a whole reply with its version and at least one code.
        QStringList lines;
        int count = 0;
        if (!isListReply(reply, lines, 9999, count))
            return;
        const QString newVersion = lines.at(0);
        QList<QStringList> codes;
        for (int i = 0; i < count && i < lines.size(); ++i) {
            const QStringList parts = lines.at(i).split(QLatin1Char(','));
            if (parts.size() == 2 && isDigits(parts.at(0)) && isDigits(parts.at(1)))
                codes.append(parts);
        }
        if (codes.isEmpty())
            return;

        Database &db = ctx.db();
        // All or nothing: a list cut short by an error would refuse valid
        // numbers until the next update.
        Transaction tx(db);
        db.run(QStringLiteral("DELETE FROM tab_allowed_codes"));
        Statement insert = db.prepare(QStringLiteral("INSERT INTO tab_allowed_codes (Country, Prefix) VALUES (?, ?)"));
        for (const QStringList &code : std::as_const(codes)) {
            insert.bind(1, code.at(0)).bind(2, code.at(1)).run();
            insert.reset();
        }
        tx.commit();

        ctx.message(Icon::Information,
                    Texts::tr("La lista dei prefissi telefonici disponibili e' stata aggiornata."));
        ctx.settings.set(Key::CapabVersion, newVersion);
    } catch (const Error &e) {
        ReportError(ctx, e);
    }
}

} // namespace brio
