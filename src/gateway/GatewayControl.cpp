#include "gateway/GatewayControl.h"

namespace brio {

bool GatewayControl::schedules() const
{
    return true;
}

} // namespace brio
