// The module that reads phone numbers with libphonenumber, for the forms
// PhoneNumbers.cpp does not read itself (see there).
#include "PhoneNumbers.h"

#include <QtGlobal>
#include <phonenumbers/phonenumberutil.h>

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

extern "C" Q_DECL_EXPORT bool briosmsReadNumber(const QString &text, brio::kit::SplitNumber &out)
{
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
