#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <optional>

namespace brio {

// Text as a terminal should receive it: control characters (ESC among
// them) written as \xHH or \u{HHHH}, so that nothing read from a file, the
// book or a gateway moves the cursor or changes the terminal. A backslash
// is doubled only with escapeBackslash; line breaks are kept when asked.
QString terminalText(const QString &text, bool keepLineBreaks, bool escapeBackslash = false);

// The most bytes a message text read from a file or standard input may
// have: what the longest message holds in UTF-8, and room for a line end.
constexpr qint64 kMostTextBytes = 4096;

// Reads everything from in, at most most bytes: nullopt when there is more
// (the rest is not read: a device or a pipe may never end).
std::optional<QByteArray> readAtMost(QIODevice &in, qint64 most);

} // namespace brio
