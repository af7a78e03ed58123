#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

namespace brio {

struct Context;
class Database;

// A mobile number is valid when its prefix is one the gateway accepts (for
// any country) and its subscriber number has 6 or 7 digits.

bool CheckPrefix(const Context &ctx, const QString &prefix);
// The same for a prefix of one country ("+33"): a prefix of another country
// is refused.
bool CheckPrefix(const Context &ctx, const QString &country, const QString &prefix);
bool CheckSubscriberNumber(const Context &ctx, const QString &number);

bool isAllowedPrefix(Database &db, const QString &prefix);
// Every prefix isAllowedPrefix accepts, read at once: for work that checks
// many numbers away from the connection.
QSet<QString> allowedPrefixSet(Database &db);
// Exactly 6 or 7 decimal digits: a sign, separator or exponent would reach
// the gateway as part of a phone number.
bool isValidSubscriberNumber(const QString &number);

// "+39", "347", "1234567" -> "+393471234567"
QString fullNumber(const QString &country, const QString &prefix, const QString &subscriber);

// Country codes with their "+", sorted; empty when the table is.
QStringList allowedCountries(Database &db);
// Prefixes of one country code (given without "+"), sorted.
QStringList allowedPrefixes(Database &db, const QString &country);

// What the combos offer before the gateway's list is known.
QString designCountry();            // "+39"
const QStringList &designPrefixes();
QString prefixPlaceholder();        // "Pref."
constexpr int kPrefixLength = 3;
constexpr int kSubscriberMaxLength = 7;

} // namespace brio
