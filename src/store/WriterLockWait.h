#pragma once

#include <QString>
#include <QtGlobal>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace brio {

// Waits for another program to let go of a book's log writer lock, without
// polling, and hands the lock to this process's own connection with no gap
// in between.
//
// The writer lock is byte 120 of the "-shm" file, a POSIX record lock. A
// helper thread asks the kernel for it and is woken the moment the other
// program lets go. Record locks belong to the process, so the engine's own
// attempt that follows succeeds at once, and its commit lets go of both; a
// plug-in writing in batches cannot slip its next transaction in between.
class WriterLockWait final
{
public:
    explicit WriterLockWait(QString database);
    ~WriterLockWait();
    WriterLockWait(const WriterLockWait &) = delete;
    WriterLockWait &operator=(const WriterLockWait &) = delete;

    // From the engine's busy handler: returns once the lock is this
    // process's, or after at most limitMs, or at once (after a short sleep)
    // when no other process holds it.
    void wait(qint64 limitMs);
    // The engine gave up waiting: the helper stops and nothing stays held.
    void cancel();
    // A statement ended. With no transaction open the engine holds no
    // writer lock, so a lock handed to it and never taken goes.
    void statementEnded(bool autocommit);

private:
    struct Shared
    {
        std::mutex mutex;
        std::condition_variable ready;
        bool done = false;      // the helper came back
        bool held = false;      // ... with the lock
        bool cancelled = false; // nobody waits any longer
    };

    void release();
    void finishHelper();

    QString m_database;
    std::shared_ptr<Shared> m_shared;
    std::thread m_helper;
    bool m_handedOver = false; // the process holds the lock for the engine to take
};

} // namespace brio
