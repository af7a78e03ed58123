#include "ui/OneWindow.h"

namespace brio {

void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace brio
