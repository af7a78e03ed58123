#pragma once

#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QList>
#include <functional>

namespace brio {

// Network work waits here with the event loop alive, so windows repaint and
// timers run, while the user's input is dropped (not queued: a click during a
// send must not start a second one afterwards). The program shows its wait
// pointer for as long as any NetworkWait lives.
// The user's input that a wait drops (mouse, keys, shortcuts, wheel, touch,
// tablet, drops); closing a window is left to each wait.
bool isUserInput(QEvent::Type type);

class NetworkWait final
{
public:
    // What the program shows while it waits; set once by the windows' library.
    static void setPointerHooks(std::function<void()> show, std::function<void()> restore);

    NetworkWait();
    ~NetworkWait();
    NetworkWait(const NetworkWait &) = delete;
    NetworkWait &operator=(const NetworkWait &) = delete;

    // Runs the event loop until quit() or the deadline; true when quit() came
    // first (also when it came before exec()).
    bool exec(const QDeadlineTimer &deadline);
    void quit();

    // A pause with the loop alive and input blocked.
    static void sleep(int ms);

    // Input to these objects and their children still passes (a progress
    // window's stop button); an empty list ends the exception.
    static void letInputThrough(const QList<QObject *> &objects);

private:
    QEventLoop m_loop;
    bool m_quit = false;
    bool m_blocks; // on the windows' thread
};

} // namespace brio
