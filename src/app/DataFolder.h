#pragma once

#include <QString>

namespace brio {

// $BRIOSMS_HOME, else the XDG data folder "BrioSMS".
QString resolveDataFolder();

// A data folder that does not exist yet, or is empty, is given the delivered
// database and an empty Plugins folder, as an installation would leave it. A
// new one is built beside the target and renamed into place, so an
// interrupted first start leaves no half-made folder. Returns true when the
// folder was filled. Throws Error.
bool provisionDataFolder(const QString &folder);

} // namespace brio
