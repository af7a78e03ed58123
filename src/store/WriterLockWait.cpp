#include "store/WriterLockWait.h"

#include <QFile>
#include <QHash>
#include <QElapsedTimer>
#include <QThread>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace brio {

namespace {

// The byte of the "-shm" file whose lock is the log's writer lock.
constexpr off_t kWriterLockByte = 120;
// How long a wait sleeps when there is nothing the kernel can wait for.
constexpr int kPollUs = 200;
// How long the helper asks for the lock without pause before it sleeps.
constexpr int kSpinMs = 30;
constexpr qint64 kSpinPauseNs = 5000;

// Interrupts the helper's wait for the lock; it does nothing else.
int wakeSignal()
{
    return SIGRTMIN + 4;
}

void installWakeHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action{};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no restart: the waiting fcntl must return
        sigaction(wakeSignal(), &action, nullptr);
    });
}

// A few microseconds of doing nothing, kind to a neighbouring core.
void pauseBriefly()
{
    QElapsedTimer t;
    t.start();
    while (t.nsecsElapsed() < kSpinPauseNs) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#elif defined(__aarch64__)
        asm volatile("yield");
#endif
    }
}

flock writerLock(short type)
{
    flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kWriterLockByte;
    lock.l_len = 1;
    return lock;
}

// The "-shm" file of a book, opened once for the whole run: closing any
// descriptor of a file drops every record lock the process holds on it,
// the engine's own included.
int writerLockFile(const QString &database)
{
    static std::mutex mutex;
    static QHash<QString, int> files;
    const std::lock_guard guard(mutex);
    const QByteArray path = QFile::encodeName(database + QStringLiteral("-shm"));
    auto it = files.find(database);
    struct stat now{};
    struct stat opened{};
    if (it != files.end() && *it >= 0 && (::stat(path.constData(), &now) != 0 || ::fstat(*it, &opened) != 0
                                          || now.st_ino != opened.st_ino || now.st_dev != opened.st_dev)) {
        // The file was removed with the last connection and made anew: no
        // lock of the process lives on the old one.
        ::close(*it);
        it = files.end();
    }
    if (it == files.end() || *it < 0)
        it = files.insert(database, ::open(path.constData(), O_RDWR | O_CLOEXEC));
    return *it;
}

// Whether another process holds the writer lock; the process's own locks
// do not show.
bool heldElsewhere(int fd)
{
    flock lock = writerLock(F_WRLCK);
    return ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

} // namespace

WriterLockWait::WriterLockWait(QString database)
    : m_database(std::move(database))
{
}

WriterLockWait::~WriterLockWait()
{
    cancel();
}

void WriterLockWait::wait(qint64 limitMs)
{
    if (m_handedOver) {
        // The engine is still waiting, so it never took what it was given:
        // something else than the writer lock keeps it.
        release();
    }
    const int fd = writerLockFile(m_database);
    if (!m_helper.joinable()) {
        // No log, a lock of this process (the engine's own bookkeeping
        // keeps the order then) or none at all: nothing to wait for.
        if (fd < 0 || !heldElsewhere(fd)) {
            QThread::usleep(kPollUs);
            return;
        }
        installWakeHandler();
        m_shared = std::make_shared<Shared>();
        m_helper = std::thread([fd, shared = m_shared] {
            bool held = false;
            QElapsedTimer spinning;
            spinning.start();
            for (;;) {
                {
                    const std::lock_guard guard(shared->mutex);
                    if (shared->cancelled)
                        break;
                }
                flock lock = writerLock(F_WRLCK);
                // A waiter the kernel wakes may come too late on a busy or
                // virtual machine, after a plug-in between two batches has
                // taken the lock again; asking without pause sees the gap.
                // Only for a while: a long transaction is waited for asleep.
                const bool spin = spinning.elapsed() < kSpinMs;
                if (::fcntl(fd, spin ? F_SETLK : F_SETLKW, &lock) == 0) {
                    held = true;
                    break;
                }
                if (spin ? errno != EAGAIN && errno != EACCES : errno != EINTR)
                    break;
                if (spin)
                    pauseBriefly();
            }
            const std::lock_guard guard(shared->mutex);
            shared->held = held;
            shared->done = true;
            shared->ready.notify_one();
        });
    }
    std::unique_lock guard(m_shared->mutex);
    if (!m_shared->ready.wait_for(guard, std::chrono::milliseconds(std::max<qint64>(1, limitMs)),
                                  [this] { return m_shared->done; }))
        return;
    m_handedOver = m_shared->held;
    guard.unlock();
    finishHelper();
}

void WriterLockWait::cancel()
{
    if (m_helper.joinable()) {
        std::unique_lock guard(m_shared->mutex);
        m_shared->cancelled = true;
        // Sent again until it lands inside the wait.
        while (!m_shared->done) {
            pthread_kill(m_helper.native_handle(), wakeSignal());
            m_shared->ready.wait_for(guard, std::chrono::milliseconds(1));
        }
        m_handedOver = m_shared->held;
        guard.unlock();
        finishHelper();
    }
    if (m_handedOver)
        release();
}

void WriterLockWait::statementEnded(bool autocommit)
{
    if (m_handedOver && autocommit)
        release();
}

void WriterLockWait::finishHelper()
{
    m_helper.join();
    m_shared.reset();
}

void WriterLockWait::release()
{
    flock lock = writerLock(F_UNLCK);
    ::fcntl(writerLockFile(m_database), F_SETLK, &lock);
    m_handedOver = false;
}

} // namespace brio
