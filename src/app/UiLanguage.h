#pragma once

#include "core/Language.h"

#include <QString>
#include <QStringList>
#include <QTranslator>
#include <optional>

namespace brio {

class Settings;

// The environment variable that hands the chosen language ("it", "en") to the
// plug-ins a run starts.
constexpr char kPluginLanguageVariable[] = "BRIOSMS_LANG";

// "--lang it|en" or "--lang=it|en", taken out of the arguments so that no
// other part of the command line sees it: nothing when absent, an empty text
// when the value is missing.
std::optional<QString> takeLanguageOption(QStringList &args);

// The value of "--name VALUE" or "--name=VALUE", left in the arguments.
QString optionValue(const QStringList &args, const QString &name);

// The command line's choice first, then the one made in Opzioni, then the
// desktop's language.
Language chooseLanguage(const std::optional<Language> &commandLine, const Settings &settings);

// The interface language of this run, installed for as long as it lives: the
// program's texts, Qt's own (standard buttons, dialogues) and the default
// locale for dates and numbers. Needs the application object.
class UiLanguage final
{
public:
    // option: as takeLanguageOption gave it; settingsFile: as --settings gave
    // it (empty: the user's own file).
    UiLanguage(const std::optional<QString> &option, const QString &settingsFile);
    ~UiLanguage();
    UiLanguage(const UiLanguage &) = delete;
    UiLanguage &operator=(const UiLanguage &) = delete;

    Language language() const;
    // A --lang value that names no language, said in the language chosen
    // without it; empty when the command line was right.
    const QString &error() const;

private:
    void install(Language language);

    QTranslator m_qt;
    QTranslator m_program;
    Language m_language = Language::Italian;
    QString m_error;
};

} // namespace brio
