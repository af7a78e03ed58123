#include "store/Book.h"

#include "core/Error.h"
#include "core/Texts.h"

namespace brio {

const QString &Book::path() const
{
    return m_path;
}

void Book::setPath(const QString &path)
{
    m_path = path;
}

const QString &Book::password() const
{
    return m_password;
}

void Book::setPassword(const QString &password)
{
    m_password = password;
}

bool Book::isOpen() const
{
    return m_db != nullptr;
}

Database &Book::database() const
{
    if (!m_db)
        throw Error(3420, Texts::tr("Oggetto non valido o non più impostato: database non aperto"));
    return *m_db;
}

Database *Book::ifOpen() const
{
    return m_db.get();
}

void Book::adopt(std::unique_ptr<Database> db, const QString &key)
{
    m_db = std::move(db);
    m_password = key;
}

void Book::close()
{
    m_db.reset();
}

void Book::changeKey(const QString &newPassword, const KeyChanged &keyChanged, const PasswordChangeHook &hook)
{
    changeDatabaseKey(m_db, m_password, m_path, newPassword, keyChanged, hook);
}

} // namespace brio
