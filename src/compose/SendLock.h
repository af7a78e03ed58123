#pragma once

#include <QString>
#include <functional>

namespace brio {

// One send at a time from a data folder, the window's and the command
// line's alike: two runs handing over the same held sends, or two identical
// sends sharing one record, would deliver twice. The lock is the kernel's, so
// a run that is killed releases it; whoever takes it next may settle what
// that run left half done.
class SendLock final
{
public:
    // Waits for the other send of the folder of `databaseFile`, telling
    // `waiting` once, for at most waitMs (-1: the default wait); throws
    // Error when the wait runs out or the lock file cannot be made.
    explicit SendLock(const QString &databaseFile, const std::function<void(const QString &)> &waiting = {},
                      int waitMs = -1);
    ~SendLock();
    SendLock(const SendLock &) = delete;
    SendLock &operator=(const SendLock &) = delete;

    // How long a send waits (tests shorten it).
    static void setDefaultWait(int milliseconds);

private:
    int m_fd = -1;
};

} // namespace brio
