#pragma once

#include <QString>

namespace brio {

// The folder the program's helpers and shipped plug-ins are found from: the
// program's own. Paths are relative to it, so that nothing of the build
// folder is written into the installed program.
QString programFolder();

// For tests, whose programs lie elsewhere in the build folder.
void setProgramFolder(const QString &folder);

} // namespace brio
