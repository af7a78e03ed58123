#pragma once

#include "context/Context.h"
#include "plugins/Plugins.h"

#include <array>

class QAction;
class QComboBox;

namespace brio {

// Runs a general plug-in while the main window waits (painted, taking no
// input, delivering no held send), then rebuilds the message from its
// tables. A plug-in that cannot start or crashes is reported once the window
// is back to normal.
void runGeneralPlugin(const Context &ctx, const PluginDescriptor &plugin);

// Shows the Plugins menu's items as BuildPluginMenu decided.
void applyPluginMenu(const PluginMenu &menu, QAction *separator1, const std::array<QAction *, 10> &items,
                     QAction *separator2, QAction *others);

// Fills a plug-in list: the names, each with its table index as item data.
void fillPluginCombo(QComboBox *combo, const QList<PluginListEntry> &entries);

} // namespace brio
