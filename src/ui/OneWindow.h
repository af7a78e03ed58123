#pragma once

#include "context/Context.h"

#include <QWidget>

namespace brio {

// The one window of type W that `parent` owns, made on first use and freed
// when closed. A template, so its body has to be here.
template<typename W>
W *oneWindowOf(Context &ctx, QWidget *parent)
{
    auto *window = parent ? parent->findChild<W *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        window = new W(ctx, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    return window;
}

// Shows the window in front of the others, with the keyboard.
void bringToFront(QWidget *window);

} // namespace brio
