#pragma once

#include "store/DatabasePassword.h"

namespace brio {

struct Context;

// Whether the start-up has to ask the password: when the settings say so, and
// also when they say no but the file is encrypted (protected outside the
// program, or a change interrupted before the setting was written).
bool databasePasswordNeeded(const Context &ctx);

// Makes "Options"/"AskDBPassword" follow the password the book was opened with.
void syncPasswordSetting(Context &ctx);

// Re-encrypts the run's database with a new key (empty: a plain file); the
// open database, its password and the setting follow the file. Throws Error.
void changeDatabaseKey(Context &ctx, const QString &newPassword, const PasswordChangeHook &hook = {});

enum class PasswordChangeResult {
    Mismatch,  // the two entries differ; told to the user
    Cancelled, // empty password not confirmed
    Busy,      // another program holds the file; told to the user
    Enabled,   // password set or changed; told to the user
    Disabled,  // password removed; told to the user
};

// The OK of the change-password window: checks the two entries, asks before
// removing the password, changes the key and tells the outcome. Other
// failures are thrown as Error.
PasswordChangeResult ChangeDatabasePassword(Context &ctx, const QString &typed, const QString &confirmation,
                                            const PasswordChangeHook &hook = {});

// "Svuota Rubrica": after two confirmations deletes every contact, group and
// membership, then tells the user. Returns false when the user said No.
// Throws Error.
bool EmptyAddressBook(Context &ctx);

} // namespace brio
