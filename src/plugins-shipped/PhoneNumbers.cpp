#include "PhoneNumbers.h"

#include <phonenumbers/phonenumberutil.h>

namespace brio::kit {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

QString SplitNumber::full() const
{
    QString out;
    out.reserve(country.size() + prefix.size() + subscriber.size());
    return out.append(country).append(prefix).append(subscriber);
}

namespace {

// An Italian mobile number written as digits, with blanks and "+39" or
// "0039" at most: what most files hold, read without the library, which
// costs far more per number. Anything else is left to the library; so is a
// number beginning with 39 without a country code, which the library may
// read as the country code.
bool splitPlainMobile(QStringView text, SplitNumber &out)
{
    constexpr int kMost = 10;
    char16_t digits[kMost];
    int n = 0;
    bool international = false;
    if (text.startsWith(u"+39")) {
        international = true;
        text = text.mid(3);
    } else if (text.startsWith(u"0039")) {
        international = true;
        text = text.mid(4);
    }
    for (const QChar c : text) {
        if (c == u' ')
            continue;
        if (c < u'0' || c > u'9' || n == kMost)
            return false;
        digits[n++] = c.unicode();
    }
    if (n < 9 || digits[0] != u'3' || (!international && digits[1] == u'9'))
        return false;
    out.country = QStringLiteral("+39");
    out.prefix = QString(reinterpret_cast<const QChar *>(digits), 3);
    out.subscriber = QString(reinterpret_cast<const QChar *>(digits + 3), n - 3);
    return true;
}

} // namespace

bool splitNumber(const QString &written, SplitNumber &out)
{
    const QString text = written.trimmed();
    if (splitPlainMobile(text, out))
        return true;
    // The library gives up on longer text itself, but only after running its
    // patterns over all of it: a field of a few megabytes took minutes.
    constexpr qsizetype kLongestWritten = 250;
    if (text.size() > kLongestWritten)
        return false;
    const PhoneNumberUtil &util = *PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    if (util.Parse(text.toStdString(), "IT", &number) != PhoneNumberUtil::NO_PARSING_ERROR)
        return false;
    std::string national;
    util.GetNationalSignificantNumber(number, &national);
    const QString digits = QString::fromStdString(national);
    constexpr int kPrefix = 3;
    if (digits.size() <= kPrefix)
        return false;
    out.country = QLatin1Char('+') + QString::number(number.country_code());
    out.prefix = digits.left(kPrefix);
    out.subscriber = digits.mid(kPrefix);
    return true;
}

} // namespace brio::kit
