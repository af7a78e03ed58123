#pragma once

#include "context/Context.h"

namespace brio {

// The start routine: returns 0 when the main window is up, otherwise the exit
// status of a start that had to end.
int Main(Context &ctx);

// The globals set, the password asked when needed, the book opened and its
// schema brought up to date; false once a failure has been told.
bool OpenBook(Context &ctx);

// Shows the password window when the settings ask for it.
void AskDatabasePassword(Context &ctx);

// Opens BrioSMS.MDB of the data folder into DB. Throws Error.
void OpenDB(Context &ctx, const QString &password);

// The previous version's address book on the Wine C: drive, names matched
// without regard to case.
bool OldDatabaseExists();
QString oldDatabasePath(); // empty when there is none
QString winePrefix();      // $WINEPREFIX, or ~/.wine

} // namespace brio
