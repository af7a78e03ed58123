#pragma once

namespace brio {

struct Context;

// "Svuota Rubrica": after two confirmations deletes every contact, group and
// membership in one transaction, so that a failure deletes nothing, then
// tells the user. Returns false when the user said No. Throws Error.
bool EmptyAddressBook(Context &ctx);

} // namespace brio
