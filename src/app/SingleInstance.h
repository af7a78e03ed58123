#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace brio {

// One running program per data folder: a second copy would write the same
// message tables under the first one. The first run holds a lock file named
// after the folder and listens on a local socket; a later run finds the lock
// held and asks the first to show itself instead of starting.
class SingleInstance final : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &dataFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Outcome {
        Acquired, // this run is now the one for the folder
        Raised,   // another run holds it and has raised its window
        Busy,     // another run holds it but did not answer
    };
    Outcome acquire();

    // The local socket's name for a folder: one per user and folder.
    static QString serverName(const QString &dataFolder);

signals:
    void raiseRequested();

private:
    bool askRunning() const;

    QString m_folder;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace brio
