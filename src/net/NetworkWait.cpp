#include "net/NetworkWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <limits>

namespace brio {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

namespace {

struct PointerHooks
{
    std::function<void()> show;
    std::function<void()> restore;
};

PointerHooks &hooks()
{
    static PointerHooks h;
    return h;
}

QList<QPointer<QObject>> &exempt()
{
    static QList<QPointer<QObject>> objects;
    return objects;
}

bool isExempt(const QObject *watched)
{
    for (const QObject *o = watched; o; o = o->parent()) {
        for (const QPointer<QObject> &e : std::as_const(exempt())) {
            if (e == o)
                return true;
        }
    }
    return false;
}

// Drops what the user does to any window while network work runs.
class InputBlocker final : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!exempt().isEmpty() && isExempt(watched))
            return QObject::eventFilter(watched, event);
        if (isUserInput(event->type()))
            return true;
        // A window closed by the user would go while its work still runs.
        if (event->type() == QEvent::Close && event->spontaneous()) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

int g_depth = 0;
InputBlocker *g_blocker = nullptr;

// Only waits on the windows' thread concern the user.
bool onGuiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

void NetworkWait::setPointerHooks(std::function<void()> show, std::function<void()> restore)
{
    hooks() = PointerHooks{std::move(show), std::move(restore)};
}

NetworkWait::NetworkWait()
    : m_blocks(onGuiThread())
{
    if (!m_blocks || g_depth++ > 0)
        return;
    g_blocker = new InputBlocker;
    QCoreApplication::instance()->installEventFilter(g_blocker);
    if (hooks().show)
        hooks().show();
}

NetworkWait::~NetworkWait()
{
    if (!m_blocks || --g_depth > 0)
        return;
    if (hooks().restore)
        hooks().restore();
    delete g_blocker; // removes itself from the application's filters
    g_blocker = nullptr;
}

bool NetworkWait::exec(const QDeadlineTimer &deadline)
{
    if (m_quit)
        return true;
    if (deadline.hasExpired())
        return false;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    if (!deadline.isForever())
        timer.start(int(qMin<qint64>(deadline.remainingTime(), std::numeric_limits<int>::max())));
    m_loop.exec();
    return m_quit;
}

void NetworkWait::quit()
{
    m_quit = true;
    m_loop.quit();
}

void NetworkWait::letInputThrough(const QList<QObject *> &objects)
{
    exempt().clear();
    for (QObject *o : objects)
        exempt().append(o);
}

void NetworkWait::sleep(int ms)
{
    NetworkWait wait;
    wait.exec(QDeadlineTimer(ms));
}

} // namespace brio
