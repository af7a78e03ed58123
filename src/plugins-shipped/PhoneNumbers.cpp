#include "PhoneNumbers.h"

#include "PluginProgram.h"
#include "core/Error.h"
#include "core/Texts.h"

#include <QLibrary>

namespace brio::kit {

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

// The reading of the library, in a module loaded at the first number that
// needs it: most files never do, and the library with the ones it loads
// took a tenth of a short import's start. Throws Error when the module is
// missing.
using ReadNumber = bool (*)(const QString &text, SplitNumber &out);

ReadNumber libraryReading()
{
    static QString failure;
    static const ReadNumber read = [] {
        QLibrary module(besideProgram(QLatin1String(kNumbersModule)));
        const auto found = reinterpret_cast<ReadNumber>(module.resolve(kNumbersEntry));
        if (!found)
            failure = module.errorString();
        return found;
    }();
    if (!read)
        throw Error(ErrorNo::Internal,
                    Texts::tr("Impossibile caricare la lettura dei numeri di telefono: %1").arg(failure));
    return read;
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
    return libraryReading()(text, out);
}

} // namespace brio::kit
