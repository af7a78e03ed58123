#include "BookImport.h"

#include "PhoneNumbers.h"
#include "compose/NumberRules.h"
#include "core/Texts.h"
#include "store/Database.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <utility>

namespace brio::kit {

namespace {

// The address book's field sizes: longer text would make the whole import
// fail, and so would half a character cut off at the end.
QString fit(const QString &text, int size)
{
    if (text.size() <= size)
        return text;
    return text.left(text.at(size - 1).isHighSurrogate() ? size - 1 : size);
}

class NumberChecker final
{
public:
    explicit NumberChecker(Database &db)
        : m_db(db)
    {
    }

    // The stored form of the first candidate that is a valid mobile number;
    // empty when none is.
    QString storedNumber(const QStringList &candidates)
    {
        for (const QString &written : candidates) {
            SplitNumber n;
            if (splitNumber(written, n) && allowed(n.prefix) && isValidSubscriberNumber(n.subscriber))
                return n.full();
        }
        return QString();
    }

private:
    // The prefix rule asked once per prefix: files repeat a few dozen of them.
    bool allowed(const QString &prefix)
    {
        auto it = m_prefixes.constFind(prefix);
        if (it == m_prefixes.cend())
            it = m_prefixes.insert(prefix, isAllowedPrefix(m_db, prefix));
        return *it;
    }

    Database &m_db;
    QHash<QString, bool> m_prefixes;
};

// A large import into a smaller book sets its index entries aside and
// makes them again after the rows, inside the same transaction: one sort
// costs far less than as many insertions into each index. The schema is
// the same once the transaction ends; nobody else ever sees it without
// them.
class IndexesSetAside final
{
public:
    IndexesSetAside(Database &db, qsizetype adding, qsizetype existing)
        : m_db(db)
    {
        if (adding < kWorthIt || adding < existing)
            return;
        Statement st = db.prepare(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' "
                                                 "AND tbl_name = 'tab_destinatari' AND sql IS NOT NULL"));
        QStringList names;
        while (st.next()) {
            names << st.text(0);
            m_definitions << st.text(1);
        }
        for (const QString &name : names)
            db.exec(QStringLiteral("DROP INDEX ") + quotedName(name));
    }

    // Before the commit. A rule an index enforces that the rows break (a
    // number twice) fails here, and the whole import with it.
    void restore()
    {
        for (const QString &definition : std::exchange(m_definitions, {}))
            m_db.exec(definition);
    }

private:
    static constexpr qsizetype kWorthIt = 1000;
    Database &m_db;
    QStringList m_definitions;
};

QString badRowsPath(const QString &sourcePath)
{
    const QFileInfo source(sourcePath);
    return source.dir().filePath(source.completeBaseName() + QStringLiteral("-scartati.txt"));
}

} // namespace

ImportSummary importContacts(Database &db, const QList<ImportRow> &rows, const QString &sourcePath)
{
    ImportSummary summary;
    NumberChecker checker(db);
    QSet<QString> known;
    {
        Statement existing = db.prepare(QStringLiteral("SELECT Numero FROM tab_destinatari"));
        while (existing.next())
            known.insert(existing.text(0));
    }

    // The whole import is one transaction: with the engine's small default
    // cache its index pages would be written out and read back many times.
    db.exec(QStringLiteral("PRAGMA cache_size=-65536"));
    Transaction transaction(db);
    IndexesSetAside indexes(db, rows.size(), known.size());
    Statement insert = db.prepare(QStringLiteral(
        "INSERT INTO tab_destinatari (Nominativo, Numero, Indirizzo, CAP, Citta, Prov, Regione, e_mail, "
        "DataNascita, Sesso) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const ImportRow &row : rows) {
        const QString number = checker.storedNumber(row.numbers);
        if (number.isEmpty()) {
            ++summary.badNumbers;
            summary.badRows << QStringLiteral("%1: %2 - %3")
                                   .arg(row.where, row.name,
                                        row.numbers.isEmpty() ? Texts::tr("nessun numero")
                                                              : row.numbers.join(QStringLiteral(", ")));
            continue;
        }
        if (known.contains(number)) {
            ++summary.duplicates;
            continue;
        }
        known.insert(number);
        const QString name = row.name.isEmpty() ? number : row.name;
        insert.bindAll({fit(name, 50), number, fit(row.address, 100), fit(row.cap, 10), fit(row.city, 50),
                        fit(row.province, 20), fit(row.region, 50), fit(row.email, 100),
                        storedBirthDate(row.birthDate), storedSex(row.sex)});
        insert.run();
        insert.reset();
        ++summary.imported;
    }
    indexes.restore();
    transaction.commit();

    if (!summary.badRows.isEmpty()) {
        QSaveFile out(badRowsPath(sourcePath));
        if (out.open(QIODevice::WriteOnly | QIODevice::Text)) {
            out.write(summary.badRows.join(QLatin1Char('\n')).toUtf8() + '\n');
            if (out.commit())
                summary.badRowsFile = out.fileName();
        }
    }
    return summary;
}

QString summaryText(const ImportSummary &summary)
{
    QString text = Texts::tr("Importazione completata.\n\nContatti importati: %1\n"
                             "Già presenti in rubrica: %2\nNumeri non validi: %3")
                       .arg(summary.imported)
                       .arg(summary.duplicates)
                       .arg(summary.badNumbers);
    if (!summary.badRowsFile.isEmpty())
        text += Texts::tr("\n\nL'elenco dei contatti non importati è in:\n%1").arg(summary.badRowsFile);
    else if (summary.badNumbers > 0)
        text += Texts::tr("\n\nNon è stato possibile salvare l'elenco dei contatti non importati.");
    return text;
}

} // namespace brio::kit
