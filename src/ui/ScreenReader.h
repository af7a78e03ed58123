#pragma once

#include <QString>

class QWidget;

namespace brio {

// The caption as it is seen: mnemonic markers out, "&&" as one '&'.
QString withoutMnemonics(const QString &caption);

// Screen readers read a control's accessible name aloud, and Qt takes only
// the first mnemonic marker out of a caption: controls whose caption has
// more than one ("Agg&i&ungi") are named with the caption as it is seen.
// Lists, which take no name from their label, are named after it; a
// drop-down list named but without a label gets an unseen label of that
// name, which is what a screen reader reads on Linux.
void nameControlsForScreenReaders(QWidget &window);

} // namespace brio
