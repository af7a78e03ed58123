#pragma once

#include "ImportRow.h"

#include <QList>
#include <QString>

namespace brio::kit {

// The cards of a .vcf file of version 2.1, 3.0 or 4.0 (folded lines,
// quoted-printable, character sets, several cards per file), read with
// libvformat. Throws Error when the file cannot be read as vCard.
QList<ImportRow> readVCards(const QString &path);

} // namespace brio::kit
