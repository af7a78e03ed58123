#include "gateway/SendTime.h"

namespace brio {

namespace {

constexpr auto kNow = "NOW";
const QString kFormat = QStringLiteral("dd-MM-yyyy HH:mm");

} // namespace

SendTime::SendTime()
    : m_text(QString::fromLatin1(kNow))
{
}

SendTime SendTime::now()
{
    return SendTime();
}

SendTime SendTime::at(const QDateTime &moment)
{
    SendTime t;
    if (moment.isValid()) {
        // To the minute, as stored.
        t.m_moment = QDateTime(moment.date(), QTime(moment.time().hour(), moment.time().minute()));
        t.m_text = t.m_moment.toString(kFormat);
    }
    return t;
}

std::optional<SendTime> SendTime::fromStoredText(const QString &text)
{
    if (text == QLatin1String(kNow))
        return now();
    const QDateTime moment = QDateTime::fromString(text, kFormat);
    if (!moment.isValid())
        return std::nullopt;
    return at(moment);
}

bool SendTime::isNow() const
{
    return !m_moment.isValid();
}

QDateTime SendTime::moment() const
{
    return m_moment;
}

QString SendTime::storedText() const
{
    return m_text;
}

bool SendTime::operator==(const SendTime &other) const
{
    return m_moment == other.m_moment;
}

} // namespace brio
