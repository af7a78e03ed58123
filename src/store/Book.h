#pragma once

#include "store/Database.h"
#include "store/DatabasePassword.h"

#include <QString>
#include <memory>

namespace brio {

// The address book of this run: its file, the database open on it and the
// password it was opened with (empty for a plain file). Whoever opens,
// closes or re-keys the book does it here, so the three never disagree.
class Book final
{
public:
    const QString &path() const;
    void setPath(const QString &path);

    // The password typed for the next opening, then the key the file opened with.
    const QString &password() const;
    void setPassword(const QString &password);

    bool isOpen() const;
    Database &database() const; // throws when closed
    Database *ifOpen() const;   // null when closed
    void adopt(std::unique_ptr<Database> db, const QString &key);
    void close();

    // Re-encrypts the open book with a new key (empty: a plain file); the
    // database and the password follow the file. Throws Error.
    void changeKey(const QString &newPassword, const KeyChanged &keyChanged, const PasswordChangeHook &hook = {});

private:
    QString m_path;
    QString m_password;
    std::unique_ptr<Database> m_db;
};

} // namespace brio
