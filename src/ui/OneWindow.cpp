#include "ui/OneWindow.h"

#include <QApplication>

namespace brio {

namespace {

// Tests run several contexts one after the other: a window belongs to one.
constexpr char kContextProperty[] = "briosmsContext";

} // namespace

QWidget *shownWindow(const Context &ctx, const QMetaObject &type)
{
    const QVariant wanted = QVariant::fromValue(quintptr(&ctx));
    for (QWidget *w : QApplication::topLevelWidgets()) {
        // A closed window waits for its deletion hidden: it is not reused.
        if (w->isVisible() && type.cast(w) && w->property(kContextProperty) == wanted)
            return w;
    }
    return nullptr;
}

void adoptWindow(const Context &ctx, QWidget *window)
{
    window->setProperty(kContextProperty, QVariant::fromValue(quintptr(&ctx)));
    window->setAttribute(Qt::WA_DeleteOnClose);
}

void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace brio
