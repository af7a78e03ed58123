#include "app/UiLanguage.h"

#include "core/Error.h"
#include "core/Texts.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace brio {

namespace {

const QString kLangOption = QStringLiteral("--lang");

} // namespace

std::optional<QString> takeLanguageOption(QStringList &args)
{
    std::optional<QString> value;
    for (qsizetype i = 0; i < args.size();) {
        const QString &a = args.at(i);
        if (a == kLangOption) {
            value = args.value(i + 1);
            args.remove(i, std::min<qsizetype>(2, args.size() - i));
        } else if (a.startsWith(kLangOption + QLatin1Char('='))) {
            value = a.mid(kLangOption.size() + 1);
            args.remove(i);
        } else {
            ++i;
        }
    }
    return value;
}

QString optionValue(const QStringList &args, const QString &name)
{
    const QString prefix = name + QLatin1Char('=');
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == name)
            return args.value(i + 1);
        if (args.at(i).startsWith(prefix))
            return args.at(i).mid(prefix.size());
    }
    return QString();
}

Language chooseLanguage(const std::optional<Language> &commandLine, const Settings &settings)
{
    if (commandLine)
        return *commandLine;
    if (const auto chosen = languageFromCode(settings.text(Key::Language)))
        return *chosen;
    return desktopLanguage();
}

UiLanguage::UiLanguage(const std::optional<QString> &option, const QString &settingsFile)
{
    const std::optional<Language> fromOption = option ? languageFromCode(*option) : std::nullopt;
    if (fromOption) {
        install(*fromOption);
    } else {
        Language chosen = desktopLanguage();
        try {
            chosen = chooseLanguage(std::nullopt, Settings(settingsFile));
        } catch (const Error &) {
            // An unusable settings file is reported by whoever opens it next,
            // in the desktop's language.
        }
        install(chosen);
    }
    if (option && !fromOption) {
        m_error = option->isEmpty() ? Texts::tr("Manca il valore di %1.").arg(kLangOption)
                                    : Texts::tr("Lingua sconosciuta per %1: \"%2\" (it oppure en).")
                                          .arg(kLangOption, *option);
    }
}

UiLanguage::~UiLanguage()
{
    QCoreApplication::removeTranslator(&m_program);
    QCoreApplication::removeTranslator(&m_qt);
}

Language UiLanguage::language() const
{
    return m_language;
}

const QString &UiLanguage::error() const
{
    return m_error;
}

void UiLanguage::install(Language language)
{
    m_language = language;
    // The plug-ins this run starts speak its language too.
    qputenv(kPluginLanguageVariable, language == Language::English ? "en" : "it");
    const QString qtTranslations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (language == Language::Italian) {
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        // Qt's own texts are English at the source.
        if (m_qt.load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"), qtTranslations))
            QCoreApplication::installTranslator(&m_qt);
        return;
    }
    // English dates in the desktop's country where it has such a locale (en_DE
    // keeps day-month order), else the language's own.
    const QLocale system = QLocale::system();
    QLocale::setDefault(system.language() == QLocale::English ? system
                                                              : QLocale(QLocale::English, system.territory()));
    if (m_program.load(QStringLiteral(":/translations/briosms_en.qm")))
        QCoreApplication::installTranslator(&m_program);
}

} // namespace brio
