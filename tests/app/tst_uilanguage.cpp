#include "app/UiLanguage.h"
#include "mock/Program.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace brio;
using namespace brio::test;

namespace {

struct Message
{
    QString context;
    QString source;
    QString translation;
    bool finished = false;
};

// The messages in use (not vanished or obsolete) of a .ts file.
QList<Message> readTs(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QXmlStreamReader xml(&file);
    QList<Message> messages;
    QString context;
    Message current;
    bool inUse = true;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("context")) {
            context.clear();
        } else if (name == QLatin1String("name") && context.isEmpty()) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            current = Message{context, {}, {}, false};
        } else if (name == QLatin1String("source")) {
            current.source = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (name == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            inUse = type != QLatin1String("vanished") && type != QLatin1String("obsolete");
            current.finished = type.isEmpty();
            current.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (inUse)
                messages.append(current);
        }
    }
    if (xml.hasError())
        qFatal("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
    return messages;
}

QSet<QString> placeholders(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("%L?(\\d+)"));
    QSet<QString> found;
    for (auto it = re.globalMatch(text); it.hasNext();)
        found.insert(it.next().captured(1));
    return found;
}

// "&Salva": an ampersand before a character that is not another ampersand
// or a space.
bool hasAccessKey(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("&[^&\\s]"));
    return re.match(text).hasMatch();
}

QString describe(const Message &m)
{
    return m.context + QStringLiteral(": \"") + m.source.left(70) + QStringLiteral("\"");
}

// The real program with nothing of the user's, the language stated only by env.
ProgramRun runProgram(const QTemporaryDir &dir, const QStringList &env, const QStringList &args)
{
    Program program(dir.filePath(QStringLiteral("data")));
    program.set(QStringLiteral("LC_ALL"), QString())
        .set(QStringLiteral("HOME"), dir.path())
        .set(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    for (const QString &pair : env)
        program.set(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    return program.run(args);
}

} // namespace

class TestUiLanguage final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every text of the program has its English, with the same %N
    // placeholders and an access key where the Italian has one.
    void everyTextTranslated()
    {
        const QList<Message> messages = readTs(QStringLiteral(BRIOSMS_TS_FILE));
        QVERIFY(messages.size() > 500);
        QStringList faults;
        for (const Message &m : messages) {
            if (!m.finished || m.translation.isEmpty())
                faults << QStringLiteral("untranslated: ") + describe(m);
            else if (placeholders(m.source) != placeholders(m.translation))
                faults << QStringLiteral("placeholders differ: ") + describe(m);
            else if (hasAccessKey(m.source) != hasAccessKey(m.translation))
                faults << QStringLiteral("access key differs: ") + describe(m);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // lupdate run on the sources finds nothing the file lacks, and nothing
    // the file holds is gone from the code.
    void translationFileCurrent()
    {
        const QString lupdate = QStringLiteral(BRIOSMS_LUPDATE);
        if (!QFileInfo(lupdate).isExecutable())
            QSKIP("lupdate is not installed");
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("briosms_en.ts"));
        QVERIFY(QFile::copy(QStringLiteral(BRIOSMS_TS_FILE), copy));
        QProcess p;
        p.start(lupdate, {QStringLiteral("-silent"), QStringLiteral(BRIOSMS_SOURCE_DIR), QStringLiteral("-ts"), copy});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 0);

        auto keys = [](const QList<Message> &messages) {
            QSet<QString> out;
            for (const Message &m : messages)
                out.insert(m.context + QLatin1Char('\x1f') + m.source);
            return out;
        };
        const QSet<QString> committed = keys(readTs(QStringLiteral(BRIOSMS_TS_FILE)));
        const QSet<QString> fresh = keys(readTs(copy));
        QStringList faults;
        for (const QString &k : fresh - committed)
            faults << QStringLiteral("new in the code: ") + k.section(QLatin1Char('\x1f'), 0, 0) + QStringLiteral(": ")
                          + k.section(QLatin1Char('\x1f'), 1).left(70);
        for (const QString &k : committed - fresh)
            faults << QStringLiteral("gone from the code: ") + k.section(QLatin1Char('\x1f'), 0, 0)
                          + QStringLiteral(": ") + k.section(QLatin1Char('\x1f'), 1).left(70);
        QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("run the update_translations target\n") + faults.join(QLatin1Char('\n'))));
    }

    // The desktop's language as LANGUAGE, LC_ALL, LC_MESSAGES and LANG state
    // it, the choice made in Opzioni and --lang, through the real program.
    void commandLineLanguage_data()
    {
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<QString>("setting"); // Options/Language in the settings file; "-": no --settings
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("english");

        const QStringList bogus{QStringLiteral("contacts"), QStringLiteral("bogus")};
        QTest::newRow("English desktop") << QStringList{"LANG=en_US.UTF-8"} << "-" << bogus << true;
        QTest::newRow("Italian desktop") << QStringList{"LANG=it_IT.UTF-8"} << "-" << bogus << false;
        QTest::newRow("German desktop") << QStringList{"LANG=de_DE.UTF-8"} << "-" << bogus << true;
        QTest::newRow("Swiss Italian desktop") << QStringList{"LANG=it_CH.UTF-8"} << "-" << bogus << false;
        QTest::newRow("C.UTF-8") << QStringList{"LANG=C.UTF-8"} << "-" << bogus << false;
        QTest::newRow("POSIX") << QStringList{"LANG=POSIX"} << "-" << bogus << false;
        QTest::newRow("no language stated") << QStringList{} << "-" << bogus << false;
        QTest::newRow("LC_ALL over LANG") << QStringList{"LANG=en_US.UTF-8", "LC_ALL=it_IT.UTF-8"} << "-" << bogus << false;
        QTest::newRow("LC_MESSAGES over LANG") << QStringList{"LANG=it_IT.UTF-8", "LC_MESSAGES=en_GB.UTF-8"} << "-" << bogus << true;
        QTest::newRow("LANGUAGE list") << QStringList{"LANG=it_IT.UTF-8", "LANGUAGE=fr:it"} << "-" << bogus << true;
        QTest::newRow("--lang it on an English desktop")
            << QStringList{"LANG=en_US.UTF-8"} << "-" << QStringList{"--lang", "it", "contacts", "bogus"} << false;
        QTest::newRow("--lang=en after the command")
            << QStringList{"LANG=it_IT.UTF-8"} << "-" << QStringList{"contacts", "bogus", "--lang=en"} << true;
        QTest::newRow("Opzioni: English") << QStringList{"LANG=it_IT.UTF-8"} << "en" << bogus << true;
        QTest::newRow("Opzioni: Italian") << QStringList{"LANG=en_US.UTF-8"} << "it" << bogus << false;
        QTest::newRow("Opzioni: as the desktop") << QStringList{"LANG=en_US.UTF-8"} << "" << bogus << true;
        QTest::newRow("--lang over Opzioni")
            << QStringList{"LANG=it_IT.UTF-8"} << "en" << QStringList{"--lang", "it", "contacts", "bogus"} << false;
        QTest::newRow("help") << QStringList{"LANG=en_GB.UTF-8"} << "-" << QStringList{"--help"} << true;
    }

    void commandLineLanguage()
    {
        QFETCH(QStringList, env);
        QFETCH(QString, setting);
        QFETCH(QStringList, args);
        QFETCH(bool, english);
        QTemporaryDir dir;
        if (setting != QLatin1String("-")) {
            const QString ini = dir.filePath(QStringLiteral("settings.ini"));
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Options]\nLanguage=" + setting.toUtf8() + "\n");
            file.close();
            args << QStringLiteral("--settings") << ini;
        }
        const ProgramRun run = runProgram(dir, env, args);
        const bool help = args.contains(QStringLiteral("--help"));
        QCOMPARE(run.code, help ? 0 : 1);
        const QString text = help ? run.outText() : run.errText();
        if (english) {
            QVERIFY2(text.contains(help ? QStringLiteral("Usage: ") : QStringLiteral("Give contacts list or contacts export.")),
                     qPrintable(text));
            QVERIFY2(text.contains(help ? QStringLiteral("Exit codes:") : QStringLiteral("For help: briosms --help")),
                     qPrintable(text));
        } else {
            QVERIFY2(text.contains(help ? QStringLiteral("Uso: ") : QStringLiteral("Indicare contacts list oppure contacts export.")),
                     qPrintable(text));
            QVERIFY2(text.contains(help ? QStringLiteral("Codici di uscita:") : QStringLiteral("Per l'aiuto: briosms --help")),
                     qPrintable(text));
        }
    }

    void wrongLanguageOption_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("italian");
        QTest::newRow("unknown") << "de" << "Unknown language for --lang: \"de\"" << "Lingua sconosciuta per --lang: \"de\"";
        QTest::newRow("missing") << "" << "The value of --lang is missing." << "Manca il valore di --lang.";
    }

    // Said in the language chosen without it, and nothing else is done.
    void wrongLanguageOption()
    {
        QFETCH(QString, lang);
        QFETCH(QString, english);
        QFETCH(QString, italian);
        QStringList args{QStringLiteral("contacts"), QStringLiteral("list"), QStringLiteral("--lang")};
        if (!lang.isEmpty())
            args << lang;
        for (const bool inEnglish : {true, false}) {
            QTemporaryDir dir;
            const ProgramRun run = runProgram(dir, {inEnglish ? QStringLiteral("LANG=en_US.UTF-8") : QStringLiteral("LANG=it_IT.UTF-8")}, args);
            QCOMPARE(run.code, 1);
            QVERIFY2(run.errText().contains(inEnglish ? english : italian), run.err.constData());
            QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("data"))));
        }
    }

    // Qt's own texts (standard buttons) and dates follow the language.
    void qtTextsAndDates()
    {
        const QDate date(2026, 1, 5);
        {
            const UiLanguage language(QStringLiteral("it"), QString());
            QCOMPARE(interfaceLanguage(), Language::Italian);
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annulla"));
            QCOMPARE(QLocale().toString(date, QStringLiteral("MMMM")), QStringLiteral("gennaio"));
        }
        {
            const UiLanguage language(QStringLiteral("en"), QString());
            QCOMPARE(language.language(), Language::English);
            QCOMPARE(interfaceLanguage(), Language::English);
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
            QCOMPARE(QCoreApplication::translate("Texts", "Indicare contacts list oppure contacts export."),
                     QStringLiteral("Give contacts list or contacts export."));
            QCOMPARE(QLocale().toString(date, QStringLiteral("MMMM")), QStringLiteral("January"));
            QCOMPARE(qgetenv(kPluginLanguageVariable), QByteArray("en"));
        }
        QCOMPARE(QCoreApplication::translate("Texts", "Indicare contacts list oppure contacts export."),
             QStringLiteral("Indicare contacts list oppure contacts export."));
    }
};

QTEST_GUILESS_MAIN(TestUiLanguage)
#include "tst_uilanguage.moc"
