#include "core/Services.h"

namespace brio {

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

} // namespace brio
