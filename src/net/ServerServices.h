#pragma once

#include "context/Account.h"

#include <QString>
#include <QStringList>

namespace brio {

struct Context;

// Asks the gateway host whether a newer version exists and offers the
// download. Errors are not trapped here: they reach the command that started
// the server checks.
void CheckVersion(Context &ctx, const Account &account);

// Replaces the allowed country codes and prefixes when the gateway host has a
// newer list. Reports its own errors; after one, the old list and its version
// stay.
void UpdateCapabilities(Context &ctx);


// Whether a reply of the gateway host that carries a list can be used: long
// enough, whole, and its first line a two-digit version. Fills `lines` and
// `count` as SplitLines does.
bool isListReply(const QString &reply, QStringList &lines, int highestSlot, int &count);

// Splits the text at line feeds into slots 0..highestSlot of `lines`, each
// line without its last character (the carriage return). Returns the number
// of line feeds seen, empty lines included; a last line without a line feed
// is not stored.
int SplitLines(const QString &text, QStringList &lines, int highestSlot);

} // namespace brio
