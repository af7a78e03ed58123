#pragma once

#include <QIcon>

namespace brio {

// The program's icon in every size drawn for it, for the windows' title
// bars and the about box.
QIcon appIcon();

} // namespace brio
