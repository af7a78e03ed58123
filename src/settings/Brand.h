#pragma once

namespace brio {

struct Context;

// Fetches the brand when due, then loads the brand texts into the state.
// Returns false when the program has to end (no login on the first run, or
// the account refused by the brand script).
bool LoadBrand(Context &ctx);

// Reads the eight brand texts, with their defaults, into the state.
void loadBrandTexts(Context &ctx);

} // namespace brio
