#include "ui/AppIcon.h"

// The icons live in the UI library's resources; a static library has to
// register them itself.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace brio {

QIcon appIcon()
{
    initIconResources();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/briosms-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace brio
