#pragma once

#include "core/Language.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace brio {

// One line of the help's contents: a section heading (file empty) or a page.
struct HelpEntry
{
    QString title;
    QString file; // "primi-passi.html"; empty for a heading
};

// The program's help: HTML pages shipped in the resources, Italian and an
// English copy of each, in the interface's language. The
// contents are the links of the contents page, in its order, under its
// headings; the search looks at each page's keywords, title and text.
class HelpBook final
{
public:
    static const HelpBook &instance(); // in the interface's language
    static const HelpBook &inLanguage(Language language);

    static constexpr int kSupportTopic = 40;
    static QString contentsPage();                             // "index.html"
    static QString pageForTopic(int topic);                    // empty when unknown
    static QString pageForWindow(const QString &objectName);   // empty when the window has none
    static QUrl url(const QString &file);                      // qrc:/help/[en/]<file>

    QStringList files() const; // every page shipped, contents page included
    QString title(const QString &file) const;
    const QList<HelpEntry> &contents() const;

    // Pages holding every word of the query (case and accents ignored, a word
    // matches the words it begins), best first: keywords, then title, then
    // how often in the text.
    QStringList search(const QString &query) const;

private:
    struct Page
    {
        QString file;
        QString title;
        QStringList keywords; // folded words
        QStringList titleWords;
        QStringList textWords;
    };

    explicit HelpBook(const QString &root);
    void loadContents();

    QString m_root; // ":/help/" or ":/help/en/"
    QList<Page> m_pages;
    QHash<QString, int> m_index; // file -> position in m_pages
    QList<HelpEntry> m_contents;
};

// The words of a text for matching: lower case, without accents, split at
// everything that is not a letter or a digit.
QStringList helpWords(const QString &text);

// The href targets of the links in an HTML text, in order.
QStringList helpLinks(const QString &html);

} // namespace brio
