#pragma once

#include <QString>

namespace brio::kit {

// A number in the program's stored form: "+39", "333", "1234567".
struct SplitNumber
{
    QString country;
    QString prefix;
    QString subscriber;
    QString full() const;
};

// Reads a number written in any common form ("333 123 4567", "+39 333/1234567",
// "0039-333-1234567", "tel:+39-333-1234567"), Italy being the country of a
// number written without one. False when the text is no phone number.
// Throws Error when the module that reads the uncommon forms is missing.
bool splitNumber(const QString &written, SplitNumber &out);

// The module of the library's reading, beside the programs, and its function.
inline constexpr char kNumbersModule[] = "briosms-plugin-numbers";
inline constexpr char kNumbersEntry[] = "briosmsReadNumber";

} // namespace brio::kit
