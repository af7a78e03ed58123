#include "mock/Errors.h"

#include "core/Error.h"

namespace brio::test {

int errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Error &e) {
        return e.number();
    }
    return 0;
}

} // namespace brio::test
