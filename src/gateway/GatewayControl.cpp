#include "gateway/GatewayControl.h"

namespace brio {

bool GatewayControl::schedules() const
{
    return true;
}

bool GatewayControl::keyed() const
{
    return false;
}

void GatewayControl::setJobKey(const QString &)
{
}

GatewayControl::JobState GatewayControl::askJob(const QString &)
{
    return JobState::Unknown;
}

} // namespace brio
