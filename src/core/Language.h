#pragma once

#include <QString>
#include <optional>

namespace brio {

// The languages of the interface: Italian, the source of every text, and
// English, from translations/briosms_en.ts.
enum class Language { Italian, English };

// What a locale name ("en_US.UTF-8", "it-IT", "C") asks for: Italian, and no
// stated language at all (C, POSIX, empty), keep the program's own Italian;
// any other language gets English.
Language languageOfLocale(const QString &name);

// The desktop's language, as Qt reads LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
Language desktopLanguage();

// "it" or "en" as the command line and the settings spell them.
std::optional<Language> languageFromCode(const QString &code);

// The language this run shows: the start-up makes it the default locale's.
Language interfaceLanguage();

} // namespace brio
