#pragma once

#include <QString>

namespace brio {

// Birth dates are shown as dd-mm-yyyy in a masked box ("__-__-____" when
// empty) and stored as yyyymmdd text, so that text comparison orders them.

QString emptyBirthDateText(); // "__-__-____"

// True for a whole date that exists (31-02-1990 does not), or for the empty
// box when allowEmpty.
bool IsBirthDateValid(const QString &text, bool allowEmpty);

// "12-05-1970" -> "19700512"; an empty or partly filled box gives "".
QString BirthDateToStored(const QString &text);

// "19700512" -> "12-05-1970", whatever date it names, so that a stored text
// is shown as it is; any other length gives the empty box.
QString StoredToBirthDate(const QString &stored);

} // namespace brio
