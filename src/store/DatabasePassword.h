#pragma once

#include "store/Database.h"

#include <QString>
#include <functional>
#include <memory>

namespace brio {

struct Context;

// True when the file starts with the engine's plain header (an empty file
// counts as plain): such a file has no password.
bool isPlainDatabaseFile(const QString &path);

// True when the file exists and can only be read with its password.
bool isEncryptedDatabaseFile(const QString &path);

// Opens the file with the password the user typed. A file without password
// opens whatever was typed, as the user expects from a file he never
// protected; *usedKey receives the key that opened it (empty for a plain
// file). Throws Error.
std::unique_ptr<Database> openWithPassword(const QString &path, const QString &password,
                                           Database::Mode mode = Database::Mode::Shared,
                                           QString *usedKey = nullptr);

// Whether the start-up has to ask the password: when the settings say so, and
// also when they say no but the file is encrypted (protected outside the
// program, or a change interrupted before the setting was written).
bool databasePasswordNeeded(const Context &ctx);

// Makes "Options"/"AskDBPassword" follow the password DB was opened with.
void syncPasswordSetting(Context &ctx);

// The points of a password change after which the file on disk is in a new
// state; tests stop or snapshot the change there.
enum class PasswordChangeStep {
    Exclusive,       // the file is held exclusively, nothing written yet
    Exported,        // the re-encrypted copy exists beside the file
    Synced,          // the copy is on disk
    Verified,        // the copy opens with the new key and holds every row
    Replaced,        // the copy has taken the file's name
    DirectorySynced, // the new name is on disk
    SettingSaved,    // the setting follows the new file
};
using PasswordChangeHook = std::function<void(PasswordChangeStep)>;

// Re-encrypts the database file of the run with a new key (empty: a plain
// file). The file is written anew beside the old one and renamed over it, so
// that at any moment the file on disk opens with the old or the new password
// and holds every row. Afterwards DB is open again (shared), DBPassword and
// the setting follow the file. Throws Error: DatabaseLocked when another
// program has the file open or locked (then nothing has changed and DB stays
// open).
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

} // namespace brio
