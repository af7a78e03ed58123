#pragma once

#include <QList>
#include <QMetaObject>
#include <functional>

class QWidget;

namespace brio {

// Keeps a window's connections (to the Notifier) only while it is shown:
// `connectAll` makes them each time the window is shown, and they are cut
// when it is hidden or destroyed.
void whileShown(QWidget *window, std::function<QList<QMetaObject::Connection>()> connectAll);

} // namespace brio
