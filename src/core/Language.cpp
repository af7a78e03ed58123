#include "core/Language.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace brio {

Language languageOfLocale(const QString &name)
{
    const QString lower = name.trimmed().toLower();
    const QString language = lower.section(QRegularExpression(QStringLiteral("[-_.@]")), 0, 0);
    if (language.isEmpty() || language == QLatin1String("c") || language == QLatin1String("posix")
        || language == QLatin1String("it"))
        return Language::Italian;
    return Language::English;
}

Language desktopLanguage()
{
    // The first of the languages the user reads, LANGUAGE's list included.
    const QLocale system = QLocale::system();
    return languageOfLocale(system.uiLanguages().value(0, system.name()));
}

std::optional<Language> languageFromCode(const QString &code)
{
    const QString lower = code.trimmed().toLower();
    if (lower == QLatin1String("it"))
        return Language::Italian;
    if (lower == QLatin1String("en"))
        return Language::English;
    return std::nullopt;
}

Language interfaceLanguage()
{
    return QLocale().language() == QLocale::English ? Language::English : Language::Italian;
}

} // namespace brio
