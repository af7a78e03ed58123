#include "core/LineInput.h"

#include <istream>

namespace brio {

std::string readLineAtMost(std::istream &in, std::size_t most)
{
    std::string line;
    for (char c; line.size() < most && in.get(c) && c != '\n';)
        line.push_back(c);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace brio
