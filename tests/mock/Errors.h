#pragma once

#include <functional>

namespace brio::test {

// The number of the brio::Error the call throws, or 0 when it throws none.
int errorOf(const std::function<void()> &call);

} // namespace brio::test
