#include "core/Error.h"

namespace brio {

Error::Error(int number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_what(QStringLiteral("%1 - %2").arg(number).arg(m_description).toUtf8())
{
}

int Error::number() const noexcept
{
    return m_number;
}

const QString &Error::description() const noexcept
{
    return m_description;
}

const char *Error::what() const noexcept
{
    return m_what.constData();
}

} // namespace brio
