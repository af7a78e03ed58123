#pragma once

#include <QProcess>
#include <QString>
#include <QUrl>

namespace brio::test {

extern const QString kRadicaleUser;
extern const QString kRadicalePassword;

// Radicale on a free loopback port, its storage, configuration and plain
// users file in a folder of its own; stopped (the process killed) when it
// goes. Never the system's service.
class Radicale final
{
public:
    explicit Radicale(const QString &folder);
    ~Radicale();
    Radicale(const Radicale &) = delete;
    Radicale &operator=(const Radicale &) = delete;

    bool start(); // true once the port answers
    void stop();
    QUrl base() const;
    // The user's address book "ufficio", made with MKCOL by mkBook() or
    // written straight into the storage by writeBook().
    QUrl book() const;
    bool mkBook() const;
    // Cards written as files of the book, before the server starts: many
    // thousand in seconds, where PUTs would take minutes.
    void writeBook(const QList<QByteArray> &cards) const;

private:
    QString path(const QString &name) const;

    QString m_folder;
    quint16 m_port = 0;
    QProcess m_process;
};

} // namespace brio::test
