#include "compose/NumberRules.h"

#include "context/Context.h"
#include "store/Database.h"

namespace brio {

bool CheckPrefix(const Context &ctx, const QString &prefix)
{
    return isAllowedPrefix(ctx.db(), prefix);
}

bool CheckPrefix(const Context &ctx, const QString &country, const QString &prefix)
{
    return country.startsWith(QLatin1Char('+'))
           && ctx.db().scalar(QStringLiteral("SELECT COUNT(*) FROM tab_allowed_codes WHERE Country = ? AND Prefix = ?"),
                              {country.mid(1), prefix})
               > 0;
}

bool CheckSubscriberNumber(const Context &, const QString &number)
{
    return isValidSubscriberNumber(number);
}

bool isAllowedPrefix(Database &db, const QString &prefix)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM tab_allowed_codes WHERE Prefix = ?"), {prefix}) > 0;
}

QSet<QString> allowedPrefixSet(Database &db)
{
    // Only text can equal the text isAllowedPrefix binds.
    QSet<QString> out;
    Statement st = db.prepare(
        QStringLiteral("SELECT DISTINCT Prefix FROM tab_allowed_codes WHERE typeof(Prefix) = 'text'"));
    while (st.next())
        out.insert(st.text(0));
    return out;
}

bool isValidSubscriberNumber(const QString &number)
{
    if (number.size() < 6 || number.size() > kSubscriberMaxLength)
        return false;
    for (const QChar c : number) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

QString fullNumber(const QString &country, const QString &prefix, const QString &subscriber)
{
    return country + prefix + subscriber;
}

QStringList allowedCountries(Database &db)
{
    QStringList out;
    Statement st = db.prepare(QStringLiteral("SELECT DISTINCT Country FROM tab_allowed_codes ORDER BY Country"));
    while (st.next())
        out << QLatin1Char('+') + st.text(0);
    return out;
}

QStringList allowedPrefixes(Database &db, const QString &country)
{
    QStringList out;
    Statement st = db.prepare(QStringLiteral("SELECT Prefix FROM tab_allowed_codes WHERE Country = ? ORDER BY Prefix"));
    st.bind(1, country);
    while (st.next())
        out << st.text(0);
    return out;
}

QString designCountry()
{
    return QStringLiteral("+39");
}

const QStringList &designPrefixes()
{
    static const QStringList prefixes{
        QStringLiteral("320"), QStringLiteral("328"), QStringLiteral("329"), QStringLiteral("330"),
        QStringLiteral("333"), QStringLiteral("334"), QStringLiteral("335"), QStringLiteral("336"),
        QStringLiteral("337"), QStringLiteral("338"), QStringLiteral("339"), QStringLiteral("340"),
        QStringLiteral("346"), QStringLiteral("347"), QStringLiteral("348"), QStringLiteral("349"),
        QStringLiteral("360"), QStringLiteral("366"), QStringLiteral("368"), QStringLiteral("380"),
        QStringLiteral("388"), QStringLiteral("389")};
    return prefixes;
}

QString prefixPlaceholder()
{
    return QStringLiteral("Pref.");
}

} // namespace brio
