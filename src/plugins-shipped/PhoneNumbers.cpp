#include "PhoneNumbers.h"

#include <phonenumbers/phonenumberutil.h>

namespace brio::kit {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

QString SplitNumber::full() const
{
    return country + prefix + subscriber;
}

bool splitNumber(const QString &written, SplitNumber &out)
{
    const PhoneNumberUtil &util = *PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    if (util.Parse(written.trimmed().toStdString(), "IT", &number) != PhoneNumberUtil::NO_PARSING_ERROR)
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
