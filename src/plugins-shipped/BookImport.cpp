#include "BookImport.h"

#include "PhoneNumbers.h"
#include "addressbook/ContactBulk.h"
#include "compose/NumberRules.h"
#include "core/Error.h"
#include "core/FaultPoint.h"
#include "core/Texts.h"
#include "store/Database.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <algorithm>
#include <bitset>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace brio::kit {

namespace {

bool startsCharacter(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

// UTF-8 text cut to one of the book's field sizes, counted in characters
// as the book counts them: longer text would make the whole import fail,
// and so would half a character cut off at the end.
QByteArrayView fit(QByteArrayView text, int size)
{
    if (text.size() <= size)
        return text; // never more characters than bytes
    int characters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (startsCharacter(text[i]) && ++characters > size)
            return text.first(i);
    }
    return text;
}

class NumberChecker final
{
public:
    // The prefix rule read beforehand: the checks run away from the
    // connection, which only one thread may use.
    explicit NumberChecker(QSet<QString> allowedPrefixes)
        : m_allowedPrefixes(std::move(allowedPrefixes))
    {
        for (const QString &prefix : std::as_const(m_allowedPrefixes)) {
            if (prefix.size() == 3 && std::all_of(prefix.cbegin(), prefix.cend(), isDigit))
                m_allowedThreeDigits.set(size_t(prefix.toInt()));
        }
    }

    // The stored form ("+" and digits) of the first candidate that is a
    // valid mobile number; empty when none is.
    QByteArray storedNumber(const QList<QByteArray> &candidates) const
    {
        for (const QByteArray &written : candidates) {
            QByteArray stored;
            if (const auto prefix = plainMobile(written, stored)) {
                if (m_allowedThreeDigits.test(*prefix))
                    return stored;
                continue;
            }
            SplitNumber n;
            if (splitNumber(QString::fromUtf8(written), n) && m_allowedPrefixes.contains(n.prefix)
                && isValidSubscriberNumber(n.subscriber))
                return n.full().toLatin1();
        }
        return QByteArray();
    }

private:
    static bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

    // What splitNumber() reads without the library (an Italian mobile
    // number of digits and blanks, "+39" or "0039" at most), read here from
    // the bytes with no text made on the way: stored receives "+39" and
    // the digits, and the prefix's three digits are returned as a number.
    // Nullopt for any other text, which splitNumber() reads.
    static std::optional<size_t> plainMobile(QByteArrayView written, QByteArray &stored)
    {
        const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
        while (!written.isEmpty() && blank(written.front()))
            written = written.sliced(1);
        while (!written.isEmpty() && blank(written.back()))
            written.chop(1);
        bool international = false;
        if (written.startsWith("+39")) {
            international = true;
            written = written.sliced(3);
        } else if (written.startsWith("0039")) {
            international = true;
            written = written.sliced(4);
        }
        constexpr int kMost = 10;
        char digits[kMost + 3] = {'+', '3', '9'};
        int n = 0;
        for (const char c : written) {
            if (c == ' ')
                continue;
            if (c < '0' || c > '9' || n == kMost)
                return std::nullopt;
            digits[3 + n++] = c;
        }
        if (n < 9 || digits[3] != '3' || (!international && digits[4] == '9') || n - 3 > kSubscriberMaxLength)
            return std::nullopt;
        stored = QByteArray(digits, 3 + n);
        return size_t((digits[3] - '0') * 100 + (digits[4] - '0') * 10 + (digits[5] - '0'));
    }

    const QSet<QString> m_allowedPrefixes;
    std::bitset<1000> m_allowedThreeDigits; // those of m_allowedPrefixes
};

constexpr int kFields = ContactBulkWriter::kFields; // the columns the insert writes

// Contacts ready for the insert: the ten fields of each in UTF-8, one after
// the other, so that a thousand contacts cost two allocations.
class PreparedChunk final
{
public:
    qsizetype size() const { return qsizetype(m_ends.size()) / kFields; }

    void reserve(qsizetype contacts)
    {
        m_text.resize(contacts * kFields * kUsualFieldBytes);
        m_ends.reserve(size_t(contacts * kFields));
    }

    // Ten to a contact. Copied by hand: a QByteArray's own append checks
    // more than a field needs, and this is done a million times.
    void add(QByteArrayView field)
    {
        if (!field.isEmpty()) {
            if (m_used + field.size() > m_text.size())
                m_text.resize(std::max(2 * m_text.size(), m_used + field.size()));
            std::memcpy(m_text.data() + m_used, field.data(), size_t(field.size()));
            m_used += field.size();
        }
        m_ends.push_back(m_used);
    }

    // Checks the whole text once, in the preparing thread, so that the
    // writing one binds its fields as they are.
    void seal()
    {
        m_text.truncate(m_used);
        m_checked = CheckedUtf8(std::exchange(m_text, {}));
    }

    const CheckedUtf8 &text() const { return m_checked; }
    const std::vector<qsizetype> &ends() const { return m_ends; }

private:
    static constexpr qsizetype kUsualFieldBytes = 16;
    QByteArray m_text;
    qsizetype m_used = 0; // of m_text
    CheckedUtf8 m_checked;
    std::vector<qsizetype> m_ends;
};

// A stored number, "+" and its digits, as one integer with a leading 1 that
// keeps the digits' count: a set of these costs far less to fill and to
// free than one of texts. Text of any other form gives nothing; no import
// stores it, so no imported number can equal it.
std::optional<quint64> numberKey(QByteArrayView number)
{
    constexpr qsizetype kMostDigits = 18; // a 1 and eighteen digits still fit
    if (number.size() < 2 || number.size() > kMostDigits + 1 || number.front() != '+')
        return std::nullopt;
    quint64 key = 1;
    for (const char c : number.sliced(1)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        key = key * 10 + quint64(c - '0');
    }
    return key;
}

// The keys of the numbers met so far, in one array with open addressing: a
// probe or two for each number, where a QSet took a sixth of the
// preparation. No key is 0, which marks a free place.
class KeySet final
{
public:
    explicit KeySet(qsizetype expected) { resize(expected); }

    // False when the key was there already.
    bool insert(quint64 key)
    {
        if (2 * (m_size + 1) > qsizetype(m_slots.size()))
            resize(2 * m_size + 2);
        for (size_t i = slot(key);; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i] == key)
                return false;
            if (m_slots[i] == 0) {
                m_slots[i] = key;
                ++m_size;
                return true;
            }
        }
    }

private:
    // At least twice expected places, a power of two.
    void resize(qsizetype expected)
    {
        int bits = 10;
        while ((qsizetype(1) << bits) < 2 * expected)
            ++bits;
        std::vector<quint64> old = std::exchange(m_slots, std::vector<quint64>(size_t(1) << bits));
        m_shift = 64 - bits;
        m_size = 0;
        for (const quint64 key : old) {
            if (key != 0)
                insert(key);
        }
    }

    // The key mixed with the process's random seed, as QSet does: no file
    // can be written whose numbers all fall on the same few places.
    size_t slot(quint64 key) const { return qHash(key, m_seed) >> m_shift; }

    const size_t m_seed = QHashSeed::globalSeed();
    std::vector<quint64> m_slots;
    int m_shift = 0;
    qsizetype m_size = 0;
};

// What the import does with each contact before it is written: the number
// checked and in stored form, the duplicates and bad rows counted, the
// fields cut to the book's sizes.
class ContactPreparer final
{
public:
    // The rows left out are listed in badRows as they come, not held.
    ContactPreparer(QSet<QString> allowedPrefixes, KeySet known, QSaveFile &badRows)
        : m_checker(std::move(allowedPrefixes))
        , m_known(std::move(known))
        , m_badRows(badRows)
        , m_noNumber(Texts::tr("nessun numero"))
        , m_notText(Texts::tr("testo non leggibile (byte non UTF-8)"))
    {
    }

    void add(const ImportRow &row, PreparedChunk &chunk)
    {
        if (++m_read > kMostContacts)
            throw Error(ErrorNo::NotExpectedFormat,
                        Texts::tr("Il file ha più di %1 contatti: il limite di un'importazione").arg(kMostContacts));
        if (row.badText) {
            ++m_summary.badText;
            listLeftOut(row, m_notText);
            return;
        }
        const QByteArray stored = m_checker.storedNumber(row.numbers);
        if (stored.isEmpty()) {
            ++m_summary.badNumbers;
            listLeftOut(row, row.numbers.isEmpty() ? m_noNumber : QString::fromUtf8(row.numbers.join(", ")));
            return;
        }
        // A stored number always has a key; were it ever without one, the
        // book's number index would still refuse a repeat.
        const auto key = numberKey(stored);
        if (!key || !m_known.insert(*key)) {
            ++m_summary.duplicates;
            return;
        }
        chunk.add(fit(row.name.isEmpty() ? stored : row.name, 50));
        chunk.add(stored);
        for (const auto &[text, size] : {std::pair{&row.address, 100}, {&row.cap, 10}, {&row.city, 50},
                                         {&row.province, 20}, {&row.region, 50}, {&row.email, 100}})
            chunk.add(fit(*text, size));
        chunk.add(storedBirthDate(row.birthDate));
        chunk.add(storedSex(row.sex));
        ++m_summary.imported;
    }

    const ImportSummary &summary() const { return m_summary; }
    bool badRowsWritten() const { return m_badRowsWritten; }

private:
    // One line, its texts cut short: a file's field may be long.
    void listLeftOut(const ImportRow &row, const QString &why)
    {
        constexpr int kShown = 100;
        if (m_summary.leftOut() == 1)
            m_badRowsWritten = m_badRows.open(QIODevice::WriteOnly | QIODevice::Text);
        if (m_badRowsWritten)
            m_badRowsWritten = m_badRows.write(QStringLiteral("%1: %2 - %3\n")
                                                   .arg(row.where(), QString::fromUtf8(fit(row.name, kShown)), why.left(kShown))
                                                   .toUtf8())
                               >= 0;
    }

    const NumberChecker m_checker;
    KeySet m_known;
    QSaveFile &m_badRows;
    bool m_badRowsWritten = false;
    const QString m_noNumber;
    const QString m_notText;
    qsizetype m_read = 0;
    ImportSummary m_summary;
};

// Hands the prepared contacts from the thread that prepares them to the one
// that writes them, a few chunks at most so that memory stays small.
class ChunkQueue final
{
public:
    // Waits while the queue is full. False once the writer has given up.
    bool push(PreparedChunk chunk)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_chunks.size() < kMostChunks || m_cancelled; });
        if (m_cancelled)
            return false;
        m_chunks.push_back(std::move(chunk));
        m_changed.notify_all();
        return true;
    }

    // No more chunks: all of them were given, or error stopped the work.
    void finish(std::exception_ptr error = nullptr)
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
        m_error = std::move(error);
        m_changed.notify_all();
    }

    // Waits for the next chunk; false after the last. Throws the error that
    // stopped the preparation once the chunks before it are written.
    bool pop(PreparedChunk &chunk)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_chunks.empty() || m_finished; });
        if (m_chunks.empty()) {
            if (m_error)
                std::rethrow_exception(m_error);
            return false;
        }
        chunk = std::move(m_chunks.front());
        m_chunks.pop_front();
        m_changed.notify_all();
        return true;
    }

    // The writer gives up: the preparation stops at its next chunk.
    void cancel()
    {
        const std::lock_guard lock(m_mutex);
        m_cancelled = true;
        m_changed.notify_all();
    }

private:
    static constexpr size_t kMostChunks = 4;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<PreparedChunk> m_chunks;
    bool m_finished = false;
    bool m_cancelled = false;
    std::exception_ptr m_error;
};

// The thread that reads and prepares the contacts while this one writes
// them: the two take about as long, and the machine has a second core.
// However the writing ends, the thread is stopped and waited for.
class Preparation final
{
public:
    Preparation(ContactPreparer &preparer, const NextContact &next)
        : m_thread([this, &preparer, &next] { run(preparer, next); })
    {
    }

    ~Preparation() { finish(); }

    ChunkQueue &queue() { return m_queue; }

    // Waits for the thread; after the last chunk, its summary is complete.
    void finish()
    {
        m_queue.cancel();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    static constexpr qsizetype kChunkContacts = 1000;

    void run(ContactPreparer &preparer, const NextContact &next)
    {
        try {
            PreparedChunk chunk;
            chunk.reserve(kChunkContacts);
            ImportRow row;
            while (next(row)) {
                preparer.add(row, chunk);
                if (chunk.size() == kChunkContacts) {
                    chunk.seal();
                    if (!m_queue.push(std::exchange(chunk, {})))
                        return;
                    chunk.reserve(kChunkContacts);
                }
            }
            chunk.seal();
            m_queue.push(std::move(chunk));
            m_queue.finish();
        } catch (...) {
            m_queue.finish(std::current_exception());
        }
    }

    ChunkQueue m_queue; // before the thread, which uses it from its first moment
    std::thread m_thread;
};

// A large import into a smaller book that no other program has open
// writes its pages once, straight into the file under the rollback
// journal, instead of into the log and then again from the log into the
// file when the connection closes: that copy took a third of the import.
// The journal rolls back a stop half-way; the log is back afterwards.
// With the book open elsewhere the log stays, so that the other program
// reads on meanwhile.
class LogSetAside final
{
public:
    LogSetAside(Database &db, qsizetype adding, qsizetype existing)
        : m_db(db)
    {
        if (adding < kWorthIt || adding < existing || !db.usesWriteAheadLog())
            return;
        try {
            db.leaveWriteAheadLog();
            m_left = true;
        } catch (const Error &e) {
            if (e.number() != ErrorNo::DatabaseLocked)
                throw;
        }
    }
    ~LogSetAside()
    {
        if (!m_left)
            return;
        try {
            m_db.useWriteAheadLog();
        } catch (const Error &) {
            // The program puts the log back when it next opens the book.
        }
    }
    LogSetAside(const LogSetAside &) = delete;
    LogSetAside &operator=(const LogSetAside &) = delete;

private:
    static constexpr qsizetype kWorthIt = 1000;
    Database &m_db;
    bool m_left = false;
};

QString badRowsPath(const QString &sourcePath)
{
    const QFileInfo source(sourcePath);
    return source.dir().filePath(source.completeBaseName() + QStringLiteral("-scartati.txt"));
}

} // namespace

ImportSummary importContacts(Database &db, const QList<ImportRow> &rows, const QString &sourcePath)
{
    qsizetype i = 0;
    return importContacts(
        db, rows.size(),
        [&rows, &i](ImportRow &contact) {
            if (i == rows.size())
                return false;
            contact = rows.at(i++);
            return true;
        },
        sourcePath);
}

ImportSummary importContacts(Database &db, qsizetype count, const NextContact &next, const QString &sourcePath)
{
    KeySet known(std::min(count, kMostContacts)); // grown once, not step by step as the file's numbers arrive
    const qsizetype existing = forEachStoredNumber(db, [&known](const QString &number) {
        if (const auto key = numberKey(number.toLatin1()))
            known.insert(*key);
    });
    QSaveFile badRows(badRowsPath(sourcePath));
    ContactPreparer preparer(allowedPrefixSet(db), std::move(known), badRows);

    // The whole import is one transaction: with the engine's small default
    // cache its index pages would be written out and read back many times.
    db.exec(QStringLiteral("PRAGMA cache_size=-65536"));
    const LogSetAside log(db, count, existing);
    Transaction transaction(db);
    ContactBulkWriter writer(db, count, existing);
    {
        Preparation preparation(preparer, next);
        PreparedChunk chunk;
        while (preparation.queue().pop(chunk))
            writer.write(chunk.text(), chunk.ends());
    }
    writer.finish();
    faultPoint("import-before-commit");
    transaction.commit();

    ImportSummary summary = preparer.summary();
    if (preparer.badRowsWritten() && badRows.commit())
        summary.badRowsFile = badRows.fileName();
    return summary;
}

QString summaryText(const ImportSummary &summary)
{
    QString text = Texts::tr("Importazione completata.\n\nContatti importati: %1\n"
                             "Già presenti in rubrica: %2\nNumeri non validi: %3")
                       .arg(summary.imported)
                       .arg(summary.duplicates)
                       .arg(summary.badNumbers);
    if (summary.badText > 0)
        text += Texts::tr("\nRighe con testo non leggibile: %1").arg(summary.badText);
    if (!summary.badRowsFile.isEmpty())
        text += Texts::tr("\n\nL'elenco dei contatti non importati è in:\n%1").arg(summary.badRowsFile);
    else if (summary.leftOut() > 0)
        text += Texts::tr("\n\nNon è stato possibile salvare l'elenco dei contatti non importati.");
    return text;
}

} // namespace brio::kit
