#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace brio {

namespace {

constexpr int kWaitMs = 3000;
const QByteArray kRaise("raise\n");
const QByteArray kDone("ok\n");

QString canonicalFolder(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir(folder).absolutePath() : canonical;
}

} // namespace

SingleInstance::SingleInstance(const QString &dataFolder, QObject *parent)
    : QObject(parent)
    , m_folder(dataFolder)
    // Beside the socket, not in the data folder: a folder that does not
    // exist yet is still to be made whole at start-up.
    , m_lock(QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
                 .filePath(serverName(dataFolder) + QStringLiteral(".lock")))
{
    m_lock.setStaleLockTime(0); // only a dead owner makes the lock stale
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString &dataFolder)
{
    const QByteArray hash = QCryptographicHash::hash(canonicalFolder(dataFolder).toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("briosms-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash.toHex().left(16)));
}

SingleInstance::Outcome SingleInstance::acquire()
{
    if (!m_lock.tryLock(0)) {
        // A lock that cannot be written at all (a read-only folder) must not
        // keep the user out; one held by a live run must.
        if (m_lock.error() != QLockFile::LockFailedError)
            return Outcome::Acquired;
        return askRunning() ? Outcome::Raised : Outcome::Busy;
    }
    const QString name = serverName(m_folder);
    QLocalServer::removeServer(name); // left by a run that was killed
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine())
                    return;
                if (client->readLine() == kRaise) {
                    emit raiseRequested();
                    client->write(kDone);
                    client->flush();
                }
                client->disconnectFromServer();
            });
        }
    });
    m_server->listen(name); // without it a later run finds the lock but no answer
    return Outcome::Acquired;
}

bool SingleInstance::askRunning() const
{
    QLocalSocket socket;
    socket.connectToServer(serverName(m_folder));
    if (!socket.waitForConnected(kWaitMs))
        return false;
    socket.write(kRaise);
    if (!socket.waitForBytesWritten(kWaitMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kWaitMs))
            return false;
    }
    return socket.readLine() == kDone;
}

} // namespace brio
