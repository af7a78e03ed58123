#pragma once

#include "context/Context.h"

#include <QWidget>

namespace brio {

// The shown window of that type made by showOneWindow for ctx, or nullptr.
QWidget *shownWindow(const Context &ctx, const QMetaObject &type);
// Marks a new window as ctx's, to be freed when closed.
void adoptWindow(const Context &ctx, QWidget *window);
// Shows the window in front of the others, with the keyboard.
void bringToFront(QWidget *window);

// The one window of type W of this run: the shown one, brought to the front,
// or a new one made by make() and freed when closed. A template, so its body
// has to be here.
template<typename W, typename Make>
W *showOneWindow(const Context &ctx, Make make)
{
    auto *window = static_cast<W *>(shownWindow(ctx, W::staticMetaObject));
    if (!window) {
        window = make();
        adoptWindow(ctx, window);
    }
    bringToFront(window);
    return window;
}

// The same for windows made from (ctx, parent).
template<typename W>
W *showOneWindow(Context &ctx, QWidget *parent)
{
    return showOneWindow<W>(ctx, [&] { return new W(ctx, parent); });
}

} // namespace brio
