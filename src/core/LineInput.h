#pragma once

#include <iosfwd>
#include <string>

namespace brio {

// One line of standard input with no line end, read to at most `most` bytes:
// a password fed from /dev/zero or a file with no line break must not grow
// without end. Past the bound the rest is left unread.
std::string readLineAtMost(std::istream &in, std::size_t most);

// The bound for a password line.
constexpr std::size_t kMostPasswordBytes = 1024;

} // namespace brio
