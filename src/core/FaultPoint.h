#pragma once

namespace brio {

// A named moment where a stop does the most harm. A run started with
// BRIOSMS_KILL_AT=<name> dies there at once, as if killed, so that tests can
// stop a real process at exactly that moment; otherwise it costs one compare.
void faultPoint(const char *name);

} // namespace brio
