#pragma once

#include "store/Database.h"

#include <QString>
#include <functional>
#include <memory>

namespace brio {

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

// Told the key that now opens the file, so that whoever keeps a record of it
// (the settings) can follow.
using KeyChanged = std::function<void(const QString &key)>;

// Re-encrypts the database file at `path`, open in `db` with `key`, with a
// new key (empty: a plain file). The file is written anew beside the old one
// and renamed over it, so that at any moment the file on disk opens with the
// old or the new password and holds every row. Afterwards `db` is open again
// (shared) and `key` follows the file. Throws Error: DatabaseLocked when
// another program has the file open or locked (then nothing has changed and
// `db` stays open).
void changeDatabaseKey(std::unique_ptr<Database> &db, QString &key, const QString &path, const QString &newPassword,
                       const KeyChanged &keyChanged, const PasswordChangeHook &hook = {});

} // namespace brio
