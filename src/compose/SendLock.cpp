#include "compose/SendLock.h"

#include "core/Error.h"
#include "core/Texts.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace brio {

namespace {

// A send of 100,000 recipients to a slow gateway takes minutes.
int g_waitMs = 15 * 60 * 1000;

} // namespace

void SendLock::setDefaultWait(int milliseconds)
{
    g_waitMs = milliseconds;
}

SendLock::SendLock(const QString &databaseFile, const std::function<void(const QString &)> &waiting, int waitMs)
{
    const QString path = QFileInfo(databaseFile).absoluteDir().filePath(QStringLiteral("Invii.lock"));
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile creare il file di blocco degli invii \"%1\": %2")
                                              .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno))));
    const QDeadlineTimer deadline(waitMs < 0 ? g_waitMs : waitMs);
    bool told = false;
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            const int e = errno;
            ::close(m_fd);
            throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile bloccare il file degli invii \"%1\": %2")
                                                  .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(e))));
        }
        if (deadline.hasExpired()) {
            ::close(m_fd);
            throw Error(ErrorNo::DatabaseLocked,
                        Texts::tr("Un altro invio da questa cartella dati è ancora in corso: riprovare quando sarà "
                                  "terminato"));
        }
        if (!told) {
            // The log tells a support person (and a test) that this run waited.
            qInfo("send lock: another send from this data folder is running, waiting for it");
            if (waiting)
                waiting(Texts::tr("Un altro invio da questa cartella dati è in corso: attendo che termini..."));
            told = true;
        }
        QThread::msleep(20);
    }
}

SendLock::~SendLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}

} // namespace brio
