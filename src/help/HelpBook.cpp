#include "help/HelpBook.h"

#include "core/Language.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace brio {

namespace {

// The Italian pages, and beside them in en/ their English copies under the
// same names.
QString rootOf(Language language)
{
    return language == Language::English ? QStringLiteral(":/help/en/") : QStringLiteral(":/help/");
}

QString readPage(const QString &root, const QString &file)
{
    QFile f(root + file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

QString decodeEntities(QString text)
{
    text.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

QString plainText(const QString &html)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QString text = html;
    text.replace(tag, QStringLiteral(" "));
    return decodeEntities(text).simplified();
}

QString firstMatch(const QString &pattern, const QString &html)
{
    const QRegularExpression re(pattern, QRegularExpression::CaseInsensitiveOption
                                             | QRegularExpression::DotMatchesEverythingOption);
    return re.match(html).captured(1);
}

QString bodyOf(const QString &html)
{
    const QString body = firstMatch(QStringLiteral("<body[^>]*>(.*)</body>"), html);
    return body.isEmpty() ? html : body;
}

bool anyBegins(const QStringList &words, const QString &prefix)
{
    return std::any_of(words.cbegin(), words.cend(), [&](const QString &w) { return w.startsWith(prefix); });
}

int countBegins(const QStringList &words, const QString &prefix)
{
    return int(std::count_if(words.cbegin(), words.cend(), [&](const QString &w) { return w.startsWith(prefix); }));
}

} // namespace

QStringList helpWords(const QString &text)
{
    QString folded;
    const QString decomposed = text.normalized(QString::NormalizationForm_KD).toLower();
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.isMark())
            continue; // the accent of a decomposed letter
        folded += c.isLetterOrNumber() ? c : QChar(u' ');
    }
    return folded.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList helpLinks(const QString &html)
{
    static const QRegularExpression href(QStringLiteral("<a\\s[^>]*href=\"([^\"]*)\""),
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList links;
    for (auto it = href.globalMatch(html); it.hasNext();)
        links << decodeEntities(it.next().captured(1));
    return links;
}

const HelpBook &HelpBook::instance()
{
    return inLanguage(interfaceLanguage());
}

const HelpBook &HelpBook::inLanguage(Language language)
{
    static const HelpBook italian(rootOf(Language::Italian));
    static const HelpBook english(rootOf(Language::English));
    return language == Language::English ? english : italian;
}

HelpBook::HelpBook(const QString &root)
    : m_root(root)
{
    const QStringList names = QDir(m_root).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (const QString &file : names) {
        const QString html = readPage(m_root, file);
        Page page;
        page.file = file;
        page.title = decodeEntities(firstMatch(QStringLiteral("<title>(.*)</title>"), html)).trimmed();
        page.keywords = helpWords(firstMatch(QStringLiteral("<meta\\s+name=\"keywords\"\\s+content=\"([^\"]*)\""), html));
        page.titleWords = helpWords(page.title);
        page.textWords = helpWords(plainText(bodyOf(html)));
        m_index.insert(file, int(m_pages.size()));
        m_pages.append(page);
    }
    loadContents();
}

// The contents page's headings and links, in its order.
void HelpBook::loadContents()
{
    static const QRegularExpression item(
        QStringLiteral("<h2>(.*?)</h2>|<a\\s[^>]*href=\"([^\"]*)\"[^>]*>(.*?)</a>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QString body = bodyOf(readPage(m_root, contentsPage()));
    for (auto it = item.globalMatch(body); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength(1) > 0)
            m_contents.append({plainText(m.captured(1)), QString()});
        else
            m_contents.append({plainText(m.captured(3)), decodeEntities(m.captured(2))});
    }
}

QString HelpBook::contentsPage()
{
    return QStringLiteral("index.html");
}

QString HelpBook::pageForTopic(int topic)
{
    return topic == kSupportTopic ? QStringLiteral("supporto.html") : QString();
}

QString HelpBook::pageForWindow(const QString &objectName)
{
    static const QHash<QString, QString> pages{
        {QStringLiteral("frmMain"), QStringLiteral("finestra-principale.html")},
        {QStringLiteral("frmLogin"), QStringLiteral("login.html")},
        {QStringLiteral("frmOpzioni"), QStringLiteral("opzioni.html")},
        {QStringLiteral("frmPassword"), QStringLiteral("password-avvio.html")},
        {QStringLiteral("frmModificaPassword"), QStringLiteral("modifica-password.html")},
        {QStringLiteral("frmContatto"), QStringLiteral("contatto.html")},
        {QStringLiteral("frmTrovaDestinatari"), QStringLiteral("scelta-destinatari.html")},
        {QStringLiteral("frmTrovaContatti"), QStringLiteral("trova-contatti.html")},
        {QStringLiteral("frmGestioneGruppi"), QStringLiteral("gestione-gruppi.html")},
        {QStringLiteral("frmNuovoGruppo"), QStringLiteral("gestione-gruppi.html")},
        {QStringLiteral("frmGruppi"), QStringLiteral("modifica-gruppi.html")},
        {QStringLiteral("frmPlugins"), QStringLiteral("plugin.html")},
        {QStringLiteral("frmImport"), QStringLiteral("plugin.html")},
        {QStringLiteral("frmImportBRIO1"), QStringLiteral("importa-brio1.html")},
        {QStringLiteral("frmAbout"), QStringLiteral("informazioni.html")},
        {QStringLiteral("frmGuida"), QStringLiteral("guida.html")},
    };
    return pages.value(objectName);
}

QUrl HelpBook::url(const QString &file)
{
    return QUrl(QStringLiteral("qrc") + instance().m_root + file);
}

QStringList HelpBook::files() const
{
    QStringList out;
    for (const Page &p : m_pages)
        out << p.file;
    return out;
}

QString HelpBook::title(const QString &file) const
{
    const auto it = m_index.constFind(file);
    return it == m_index.cend() ? QString() : m_pages.at(*it).title;
}

const QList<HelpEntry> &HelpBook::contents() const
{
    return m_contents;
}

QStringList HelpBook::search(const QString &query) const
{
    const QStringList words = helpWords(query);
    if (words.isEmpty())
        return {};
    struct Hit
    {
        int score;
        int order;
        QString file;
    };
    QList<Hit> hits;
    for (int i = 0; i < m_pages.size(); ++i) {
        const Page &p = m_pages.at(i);
        int score = 0;
        bool all = true;
        for (const QString &w : words) {
            const int inText = countBegins(p.textWords, w);
            const bool inKeywords = anyBegins(p.keywords, w);
            if (!inText && !inKeywords) {
                all = false;
                break;
            }
            score += (inKeywords ? 1000 : 0) + (anyBegins(p.titleWords, w) ? 100 : 0) + std::min(inText, 99);
        }
        if (all)
            hits.append({score, i, p.file});
    }
    std::stable_sort(hits.begin(), hits.end(), [](const Hit &a, const Hit &b) { return a.score > b.score; });
    QStringList out;
    for (const Hit &h : hits)
        out << h.file;
    return out;
}

} // namespace brio
