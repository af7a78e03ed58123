#pragma once

#include "context/Account.h"

namespace brio {

struct Context;

// Fetches the brand when due, then loads the brand texts into the state.
// Returns false when the program has to end (no login on the first run, or
// the account refused by the brand script).
bool LoadBrand(Context &ctx, const Account &account);

// Once an account is known, asks the gateway host for the brand values and
// stores them. On the first run (isFirstRun) the caller has shown the login
// window: the program does not start without an account. Returns false when
// the program has to end. Other errors are reported here.
bool FetchBrand(Context &ctx, const Account &account);

// No brand fetched yet: the first run, which needs a login.
bool isFirstRun(const Context &ctx);

// Reads the brand texts, with their defaults, into the state.
void loadBrandTexts(Context &ctx);

} // namespace brio
