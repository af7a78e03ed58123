#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace brio {

// How a mobile network carries a text: GSM 03.38 septets when every character
// is in its basic or extension table, otherwise UCS-2.
enum class SmsCoding { Gsm7, Ucs2 };

struct SmsSize
{
    SmsCoding coding = SmsCoding::Gsm7;
    int units = 0;   // septets (an extension character takes two) or UTF-16 units
    int parts = 0;   // messages it takes; 0 for the empty text
    int single = 0;  // what one message holds in this coding: 160 or 70
    int perPart = 0; // what one part of a longer message holds: 153 or 67
    int left = 0;    // units still free in the last part (single - units for one part)
};

// One character that forces UCS-2, with the GSM 03.38 look-alike that can
// replace it (empty when there is none).
struct Ucs2Cause
{
    QString character; // one character (two UTF-16 units outside the BMP)
    int position = 0;  // 1-based, in characters
    QString lookalike;
};

// Septets one character takes: 1 in the basic table, 2 in the extension
// table (the escape counts), 0 when it is in neither.
int gsmSeptets(char32_t c);

SmsSize smsSize(const QString &text);
// Whether the text fits in one message: 160 septets, or 70 UCS-2 units.
bool fitsOneMessage(const QString &text);
// Whether the text goes in at most maxParts messages (one when maxParts < 1).
bool fitsParts(const QString &text, int maxParts);

// The unpacked septets (values 0..127, escape 0x1B before an extension
// character); nothing when the text needs UCS-2.
std::optional<QByteArray> encodeGsm7(const QString &text);
// Back from unpacked septets; an unknown extension code reads as its basic
// character, as the standard asks.
QString decodeGsm7(const QByteArray &septets);

QList<Ucs2Cause> ucs2Causes(const QString &text);

// Every character with a look-alike replaced by it; caret (a position in
// UTF-16 units) moves with the text before it.
QString replaceLookalikes(const QString &text, int *caret = nullptr);

} // namespace brio
