#include "ui/AppIcon.h"

namespace brio {

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/briosms-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace brio
