#include "ui/WhileShown.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace brio {

namespace {

class ShownConnections final : public QObject
{
public:
    ShownConnections(QWidget *window, std::function<QList<QMetaObject::Connection>()> connectAll)
        : QObject(window)
        , m_connectAll(std::move(connectAll))
    {
        window->installEventFilter(this);
        if (window->isVisible())
            m_connections = m_connectAll();
    }

    ~ShownConnections() override { cut(); }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show && m_connections.isEmpty())
            m_connections = m_connectAll();
        else if (event->type() == QEvent::Hide)
            cut();
        return false;
    }

private:
    void cut()
    {
        for (const QMetaObject::Connection &c : std::as_const(m_connections))
            QObject::disconnect(c);
        m_connections.clear();
    }

    std::function<QList<QMetaObject::Connection>()> m_connectAll;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace

void whileShown(QWidget *window, std::function<QList<QMetaObject::Connection>()> connectAll)
{
    new ShownConnections(window, std::move(connectAll));
}

} // namespace brio
