#include "gateway/GatewayControl.h"

#include <algorithm>

namespace brio {

GatewayControl::TextLimits GatewayControl::textLimits() const
{
    return {};
}

void GatewayControl::setMaxParts(int parts)
{
    m_maxParts = std::clamp(parts, 1, kMaxParts);
}

int GatewayControl::maxParts() const
{
    return m_maxParts;
}

bool GatewayControl::schedules() const
{
    return true;
}

bool GatewayControl::preparesUntilClosed() const
{
    return false;
}

void GatewayControl::dropPrepared()
{
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

void GatewayControl::setReportToken(const QString &)
{
}

bool GatewayControl::postsReports() const
{
    return false;
}

bool GatewayControl::reportsKept() const
{
    return false;
}

QList<GatewayControl::DeliveryNote> GatewayControl::askDelivery(const QString &)
{
    return {};
}

} // namespace brio
