#include "store/Database.h"

#include "core/Error.h"
#include "core/Texts.h"
#include "store/DiskErrors.h"
#include "store/WriterLockWait.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <array>
#include <cstring>
#include <sqlite3.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace brio {

namespace {

constexpr int kExclusiveWaitMs = 500;
// Log pages after which a commit of the program copies the log into the file.
constexpr int kCheckpointPages = 10000;

int g_defaultBusyTimeoutMs = 15000;

// --- names in lists ----------------------------------------------------------

// One character of a name as it sorts: its base letter folded to lower case,
// at most two characters (ß sorts as "ss"); none for a combining accent.
struct Fold
{
    char32_t first = 0;
    char32_t second = 0;
};

// Latin, Greek and Cyrillic with their accented forms; the rest is only
// case-folded.
constexpr char32_t kFoldTableSize = 0x2000;

const Fold *foldTable()
{
    static const std::vector<Fold> table = [] {
        // Letters of their own that people read as their base letters.
        const QHash<char32_t, QString> letters{
            {U'ß', QStringLiteral("ss")}, {U'æ', QStringLiteral("ae")}, {U'œ', QStringLiteral("oe")},
            {U'ø', QStringLiteral("o")},  {U'đ', QStringLiteral("d")},  {U'ð', QStringLiteral("d")},
            {U'ł', QStringLiteral("l")},  {U'ı', QStringLiteral("i")},  {U'þ', QStringLiteral("th")},
        };
        std::vector<Fold> t(kFoldTableSize);
        for (char32_t c = 1; c < kFoldTableSize; ++c) {
            QString base;
            for (const QChar d : QString(QChar(char16_t(c))).normalized(QString::NormalizationForm_D)) {
                if (d.category() != QChar::Mark_NonSpacing)
                    base += d;
            }
            base = base.toCaseFolded();
            if (base.size() == 1)
                base = letters.value(base.at(0).unicode(), base);
            if (!base.isEmpty())
                t[c] = {base.at(0).unicode(), base.size() > 1 ? char32_t(base.at(1).unicode()) : 0};
        }
        return t;
    }();
    return table.data();
}

// The folded characters of a UTF-8 name, one at a time; 0 at its end.
class FoldedName final
{
public:
    FoldedName(const unsigned char *text, int size, const Fold *table)
        : m_p(text)
        , m_end(text + size)
        , m_table(table)
    {
    }

    char32_t next()
    {
        if (m_pending) {
            return std::exchange(m_pending, 0);
        }
        while (m_p < m_end) {
            const char32_t c = decode();
            if (c < kFoldTableSize) {
                const Fold &f = m_table[c];
                if (!f.first)
                    continue;
                m_pending = f.second;
                return f.first;
            }
            if (QChar::category(c) == QChar::Mark_NonSpacing)
                continue;
            return QChar::toCaseFolded(c);
        }
        return 0;
    }

private:
    char32_t decode()
    {
        const unsigned char lead = *m_p++;
        int more = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        if (lead < 0x80 || m_end - m_p < more)
            return lead;
        char32_t c = lead & (0x3F >> more);
        while (more-- > 0)
            c = (c << 6) | (*m_p++ & 0x3F);
        return c;
    }

    const unsigned char *m_p;
    const unsigned char *m_end;
    const Fold *m_table;
    char32_t m_pending = 0;
};

int compareNameBytes(int aSize, const void *a, int bSize, const void *b)
{
    const Fold *table = foldTable();
    FoldedName x(static_cast<const unsigned char *>(a), aSize, table);
    FoldedName y(static_cast<const unsigned char *>(b), bSize, table);
    for (;;) {
        const char32_t p = x.next();
        const char32_t q = y.next();
        if (p != q)
            return p < q ? -1 : 1;
        if (!p)
            break;
    }
    // The same name in other accents or case: the bytes decide, so the
    // order is total.
    const int n = std::memcmp(a, b, size_t(std::min(aSize, bSize)));
    if (n != 0)
        return n < 0 ? -1 : 1;
    return aSize < bSize ? -1 : aSize > bSize ? 1 : 0;
}

int collateNames(void *, int aSize, const void *a, int bSize, const void *b)
{
    return compareNameBytes(aSize, a, bSize, b);
}

// LIKE with Unicode case folding: the engine's own only folds ASCII, and
// names such as "Nicolò" must match "NICOLÒ". Matched with one resumable
// '%' at a time, in steps bounded by the pattern's length times the text's:
// trying every split for every '%' would take seconds per row for a search
// with many stars.
bool likeMatch(const QString &pattern, const QString &text, QChar escape)
{
    struct Token
    {
        enum Kind { Any, One, Char } kind;
        QChar c;
    };
    QList<Token> tokens;
    tokens.reserve(pattern.size());
    for (qsizetype p = 0; p < pattern.size(); ++p) {
        const QChar pc = pattern.at(p);
        if (pc == escape && p + 1 < pattern.size())
            tokens.append({Token::Char, pattern.at(++p)});
        else if (pc == QLatin1Char('%'))
            tokens.append({Token::Any, pc});
        else if (pc == QLatin1Char('_'))
            tokens.append({Token::One, pc});
        else
            tokens.append({Token::Char, pc});
    }
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype anyAt = -1;   // the last '%' met
    qsizetype anyFrom = -1; // where the text it covers ends for now
    while (t < text.size()) {
        if (p < tokens.size() && tokens.at(p).kind == Token::Any) {
            anyAt = p++;
            anyFrom = t;
        } else if (p < tokens.size()
                   && (tokens.at(p).kind == Token::One || tokens.at(p).c == text.at(t))) {
            ++p;
            ++t;
        } else if (anyAt >= 0) {
            // The last '%' takes one character more; the earlier ones keep
            // what they took, which cannot lose a match.
            p = anyAt + 1;
            t = ++anyFrom;
        } else {
            return false;
        }
    }
    while (p < tokens.size() && tokens.at(p).kind == Token::Any)
        ++p;
    return p == tokens.size();
}

void likeFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    auto str = [](sqlite3_value *v) {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)),
                                 sqlite3_value_bytes(v))
            .toCaseFolded();
    };
    QChar escape(0xFFFF);
    if (argc == 3 && sqlite3_value_type(argv[2]) != SQLITE_NULL) {
        const QString e = str(argv[2]);
        if (e.size() != 1)
            return sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
        escape = e.at(0);
    }
    sqlite3_result_int(ctx, likeMatch(str(argv[0]), str(argv[1]), escape) ? 1 : 0);
}

void bindValue(sqlite3 *db, sqlite3_stmt *stmt, int position, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(stmt, position);
    } else {
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt, position, value.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(stmt, position, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob(stmt, position, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QString text = value.toString();
            checkText(text);
            const QByteArray u = text.toUtf8();
            rc = sqlite3_bind_text(stmt, position, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        throwDatabaseError(db, rc);
}

} // namespace

// --- text the engine would store wrongly --------------------------------------

namespace {

[[noreturn]] void refuseNul()
{
    throw Error(ErrorNo::InvalidText, Texts::tr("Il testo contiene un carattere nullo, che non è ammesso"));
}

[[noreturn]] void refuseInvalidText()
{
    throw Error(ErrorNo::InvalidText, Texts::tr("Il testo contiene un carattere non valido"));
}

} // namespace

// The engine measures and compares text up to a NUL, and a lone surrogate
// would silently become '?'.
void checkText(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isNull())
            refuseNul();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            refuseInvalidText();
    }
}

[[noreturn]] void throwDatabaseError(sqlite3 *db, int rc, const QString &context)
{
    const int extended = db ? sqlite3_extended_errcode(db) : rc;
    const QString engine = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    switch (extended) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        throw Error(ErrorNo::DuplicateKey,
                    Texts::tr("Impossibile apportare le modifiche richieste alla tabella: verrebbero "
                              "creati valori duplicati nell'indice o nella chiave primaria"));
    case SQLITE_CONSTRAINT_CHECK:
        throw Error(ErrorNo::FieldTooSmall,
                    Texts::tr("Campo troppo piccolo per la quantità di dati che si è tentato di aggiungere"));
    case SQLITE_CONSTRAINT_NOTNULL:
        throw Error(3314, Texts::tr("Il campo deve contenere un valore"));
    default:
        break;
    }
    // The engine's own words follow the explanation, for whoever looks further.
    const QString detail = Texts::tr(" (dettaglio: %1)").arg(engine);
    switch (rc & 0xFF) {
    case SQLITE_READONLY:
        throw Error(ErrorNo::ReadOnly,
                    Texts::tr("La rubrica è in sola lettura: il file, la sua cartella o i file accanto che ne "
                              "tengono le modifiche non si possono scrivere")
                        + detail);
    case SQLITE_FULL:
        throw Error(ErrorNo::DiskFull, Texts::tr("Il disco è pieno: la rubrica non può essere scritta") + detail);
    case SQLITE_IOERR:
        throw Error(ErrorNo::DiskError, Texts::tr("Il sistema non è riuscito a leggere o scrivere il disco") + detail);
    case SQLITE_CORRUPT:
        throw Error(ErrorNo::NotADatabase, Texts::tr("Il file della rubrica è danneggiato") + detail);
    case SQLITE_CANTOPEN:
        throw Error(ErrorNo::InvalidPath,
                    Texts::tr("'%1' non è un percorso valido o il file non è accessibile").arg(context));
    case SQLITE_NOTADB:
        throw Error(ErrorNo::NotADatabase,
                    Texts::tr("Formato di database non riconosciuto o password errata"));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw Error(ErrorNo::DatabaseLocked,
                    Texts::tr("Il database è bloccato da un altro programma"));
    default:
        throw Error(ErrorNo::DatabaseGeneric, Texts::tr("Errore del database") + detail);
    }
}

int compareNames(const QString &a, const QString &b)
{
    const QByteArray x = a.toUtf8();
    const QByteArray y = b.toUtf8();
    return compareNameBytes(int(x.size()), x.constData(), int(y.size()), y.constData());
}

int compareNamesUtf8(QByteArrayView a, QByteArrayView b)
{
    return compareNameBytes(int(a.size()), a.data(), int(b.size()), b.data());
}

QString quotedName(const QString &name)
{
    QString n = name;
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString likePattern(const QString &wildcardPattern)
{
    QString out;
    out.reserve(wildcardPattern.size() + 4);
    for (const QChar c : wildcardPattern) {
        if (c == QLatin1Char('*'))
            out += QLatin1Char('%');
        else if (c == QLatin1Char('?'))
            out += QLatin1Char('_');
        else if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + QString(c);
        else
            out += c;
    }
    return out;
}

// --- Database -------------------------------------------------------------

struct Database::Kept
{
    // Texts built with a varying number of marks would fill it without end.
    static constexpr qsizetype kMost = 64;
    struct Entry
    {
        std::unique_ptr<Statement> statement;
        bool inUse = false;
    };
    std::unordered_map<QString, Entry> entries;
};

Database::Database(sqlite3 *db, QString path, Mode mode)
    : m_db(db)
    , m_path(std::move(path))
    , m_mode(mode)
    , m_busyTimeoutMs(g_defaultBusyTimeoutMs)
    , m_writerWait(std::make_unique<WriterLockWait>(m_path))
    , m_kept(std::make_unique<Kept>())
{
}

std::unique_ptr<Database> Database::open(const QString &path, const QString &key, Mode mode, bool create)
{
    if (!create && !QFileInfo(path).isFile())
        throw Error(ErrorNo::InvalidPath, Texts::tr("'%1' non è un percorso valido").arg(path));

    // The engine's memory counters take one lock for the whole process at
    // every allocation: a send writing two files from two threads spent more
    // time waiting on it than writing. Nothing here reads them.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    Q_UNUSED(configured);
    sqlite3 *raw = nullptr;
    // A connection belongs to one thread at a time, as the class does: the
    // engine's own lock on every call would only cost time.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    const QByteArray file = QFile::encodeName(path);
    int rc = sqlite3_open_v2(file.constData(), &raw, flags, nullptr);
    std::unique_ptr<Database> db(new Database(raw, path, mode));
    if (rc != SQLITE_OK)
        throwDatabaseError(raw, rc, path);
    if (!key.isEmpty()) {
        const QByteArray k = key.toUtf8();
        rc = sqlite3_key(raw, k.constData(), int(k.size()));
        if (rc != SQLITE_OK)
            throwDatabaseError(raw, rc, path);
    }
    sqlite3_extended_result_codes(raw, 1);
    // Before the first read: a plug-in committing holds the file for a
    // moment, and opening must wait for it rather than fail.
    sqlite3_busy_handler(raw, &Database::waitForLock, db.get());
    // A checkpoint copies the log into the file and syncs it: tens of
    // milliseconds that would fall inside whatever the user just did. A
    // plug-in writing with the engine's settings checkpoints at a thousand
    // pages on its own; this connection only once the log is far longer.
    sqlite3_wal_autocheckpoint(raw, kCheckpointPages);
    for (int args : {2, 3}) {
        rc = sqlite3_create_function(raw, "like", args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, likeFunction,
                                     nullptr, nullptr);
        if (rc != SQLITE_OK)
            throwDatabaseError(raw, rc, path);
    }
    rc = sqlite3_create_collation(raw, "NAME_ORDER", SQLITE_UTF8, nullptr, collateNames);
    if (rc != SQLITE_OK)
        throwDatabaseError(raw, rc, path);
    // Reading the schema is the first access to the pages: a wrong key, a
    // plain file read with a key or a file that is no database fails here.
    db->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    db->syncForJournalMode();

    if (mode == Mode::Exclusive) {
        db->setBusyTimeout(kExclusiveWaitMs);
        db->exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
        // The lock is taken by the first write transaction and then kept.
        db->exec(QStringLiteral("BEGIN EXCLUSIVE; COMMIT"));
        db->setBusyTimeout(g_defaultBusyTimeoutMs);
    }
    return db;
}

// The engine's own wait sleeps longer and longer, up to a tenth of a second
// past the moment the other program lets go. A plug-in writing in batches
// lets go only for the moment it takes to read its next batch, a few
// hundredths of a millisecond: a wait that polls misses it and stays behind
// batch after batch, and polling often slows the plug-in down.
int Database::waitForLock(void *self, int attempt)
{
    auto *db = static_cast<Database *>(self);
    if (attempt == 0)
        db->m_waiting.start();
    const qint64 left = db->m_busyTimeoutMs - db->m_waiting.elapsed();
    if (left <= 0) {
        db->m_writerWait->cancel();
        return 0;
    }
    db->m_writerWait->wait(left);
    return 1;
}

void Database::statementEnded()
{
    m_writerWait->statementEnded(sqlite3_get_autocommit(m_db) != 0);
}

void Database::setDefaultBusyTimeout(int milliseconds)
{
    g_defaultBusyTimeoutMs = milliseconds;
}

void Database::useWriteAheadLog()
{
    try {
        scalar(QStringLiteral("PRAGMA journal_mode=WAL"));
    } catch (const Error &e) {
        // Another program holds the file: the next start tries again.
        if (e.number() != ErrorNo::DatabaseLocked)
            throw;
    }
    syncForJournalMode();
}

// With the log, a commit need not wait for the disk: a power cut can lose
// the last changes but never damage the file. The rollback journal needs
// every sync.
void Database::syncForJournalMode()
{
    exec(usesWriteAheadLog() ? QStringLiteral("PRAGMA synchronous=NORMAL") : QStringLiteral("PRAGMA synchronous=FULL"));
}

bool Database::usesWriteAheadLog()
{
    Statement mode = prepare(QStringLiteral("PRAGMA journal_mode"));
    return mode.next() && mode.text(0).compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
}

void Database::leaveWriteAheadLog()
{
    {
        Statement st = prepare(QStringLiteral("PRAGMA journal_mode=DELETE"));
        if (st.next() && st.text(0).compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
            throw Error(ErrorNo::DatabaseLocked, Texts::tr("Il database è bloccato da un altro programma"));
    }
    syncForJournalMode();
}

Database::~Database()
{
    m_kept.reset(); // finalized while the connection is still there
    m_writerWait->cancel();
    sqlite3_close_v2(m_db);
}

void Database::exec(const QString &sql)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    sqlite3_free(message);
    statementEnded();
    if (rc != SQLITE_OK)
        throwDatabaseError(m_db, rc, m_path);
}

Statement Database::prepare(const QString &sql)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray u = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, u.constData(), int(u.size()), &stmt, nullptr);
    if (rc != SQLITE_OK)
        throwDatabaseError(m_db, rc, m_path);
    return Statement(*this, stmt);
}

void Database::run(const QString &sql, const QVariantList &params)
{
    ReusedStatement st(*this, sql);
    st->bindAll(params).run();
}

qint64 Database::scalar(const QString &sql, const QVariantList &params)
{
    ReusedStatement st(*this, sql);
    st->bindAll(params);
    return st->next() ? st->integer(0) : 0;
}

qint64 Database::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Database::changes() const
{
    return sqlite3_changes(m_db);
}

bool Database::tableExists(const QString &name)
{
    return tableNames().contains(name, Qt::CaseSensitive);
}

QStringList Database::tableNames()
{
    QStringList names;
    Statement st = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
    while (st.next())
        names << st.text(0);
    return names;
}

QString Database::path() const
{
    return m_path;
}

Database::Mode Database::mode() const
{
    return m_mode;
}

sqlite3 *Database::handle() const
{
    return m_db;
}

void Database::setBusyTimeout(int milliseconds)
{
    m_busyTimeoutMs = milliseconds;
}

// --- ReusedStatement ------------------------------------------------------

ReusedStatement::ReusedStatement(Database &db, const QString &sql)
    : m_db(db)
    , m_sql(sql)
{
    Database::Kept &kept = *db.m_kept;
    auto entry = kept.entries.find(sql);
    if (entry == kept.entries.end() && qsizetype(kept.entries.size()) < Database::Kept::kMost)
        entry = kept.entries.emplace(sql, Database::Kept::Entry{std::make_unique<Statement>(db.prepare(sql)), false})
                    .first;
    if (entry != kept.entries.end() && !entry->second.inUse) {
        entry->second.inUse = true;
        m_st = entry->second.statement.get();
    } else {
        m_own = std::make_unique<Statement>(db.prepare(sql));
        m_st = m_own.get();
    }
}

ReusedStatement::~ReusedStatement()
{
    if (m_own)
        return;
    m_st->reset();
    m_st->clearBindings();
    m_db.m_kept->entries.at(m_sql).inUse = false;
}

// --- Statement ------------------------------------------------------------

Statement::Statement(Database &db, sqlite3_stmt *stmt)
    : m_db(&db)
    , m_stmt(stmt)
{
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement &&other) noexcept
    : m_db(other.m_db)
    , m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

Statement &Statement::bind(int position, const QVariant &value)
{
    bindValue(m_db->handle(), m_stmt, position, value);
    return *this;
}

Statement &Statement::bindAll(const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
    return *this;
}

Statement &Statement::bindText(int position, const QString &text)
{
    // Short ASCII text, as most numbers and names of a large batch are, is
    // copied on the stack: no allocation per row. A NUL takes the long way,
    // which refuses it.
    std::array<char, 256> ascii;
    if (text.size() <= qsizetype(ascii.size())) {
        qsizetype n = 0;
        for (const QChar c : text) {
            if (c.unicode() == 0 || c.unicode() >= 0x80)
                break;
            ascii[size_t(n++)] = char(c.unicode());
        }
        if (n == text.size()) {
            const int rc = sqlite3_bind_text(m_stmt, position, ascii.data(), int(n), SQLITE_TRANSIENT);
            if (rc != SQLITE_OK)
                throwDatabaseError(m_db->handle(), rc);
            return *this;
        }
    }
    checkText(text);
    const QByteArray u = text.toUtf8();
    // Empty text stays text: a null pointer would bind NULL.
    const int rc = sqlite3_bind_text(m_stmt, position, u.isEmpty() ? "" : u.constData(), int(u.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        throwDatabaseError(m_db->handle(), rc);
    return *this;
}

Statement &Statement::bindInteger(int position, qint64 value)
{
    const int rc = sqlite3_bind_int64(m_stmt, position, value);
    if (rc != SQLITE_OK)
        throwDatabaseError(m_db->handle(), rc);
    return *this;
}

CheckedUtf8::CheckedUtf8(QByteArray utf8)
    : m_utf8(std::move(utf8))
{
    // The same refusals as checkText: a NUL, or bytes that are no Unicode
    // text (an encoded half surrogate pair among them).
    if (QByteArrayView(m_utf8).contains('\0'))
        refuseNul();
    if (!QByteArrayView(m_utf8).isValidUtf8())
        refuseInvalidText();
}

QByteArrayView CheckedUtf8::bytes() const
{
    return m_utf8;
}

namespace {

bool atCharacterEdge(QByteArrayView text, qsizetype at)
{
    return at == text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80;
}

} // namespace

Statement &Statement::bindUtf8(int position, const CheckedUtf8 &text, qsizetype begin, qsizetype end)
{
    const QByteArrayView all = text.bytes();
    if (begin < 0 || begin > end || end > all.size() || !atCharacterEdge(all, begin) || !atCharacterEdge(all, end))
        refuseInvalidText();
    // Empty text stays text: a null pointer would bind NULL.
    const char *data = begin == end ? "" : all.data() + begin;
    const int rc = sqlite3_bind_text(m_stmt, position, data, int(end - begin), SQLITE_STATIC);
    if (rc != SQLITE_OK)
        throwDatabaseError(m_db->handle(), rc);
    return *this;
}

bool Statement::next()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    m_db->statementEnded();
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    throwDatabaseError(m_db->handle(), rc, m_db->path());
}

void Statement::run()
{
    while (next()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

void Statement::clearBindings()
{
    sqlite3_clear_bindings(m_stmt);
}

int Statement::column(const QString &name) const
{
    const int n = sqlite3_column_count(m_stmt);
    for (int i = 0; i < n; ++i) {
        if (name.compare(QString::fromUtf8(sqlite3_column_name(m_stmt, i)), Qt::CaseInsensitive) == 0)
            return i;
    }
    throw Error(3265, Texts::tr("Elemento '%1' non trovato nell'insieme").arg(name));
}

QVariant Statement::value(const QString &name) const
{
    const int i = column(name);
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, i));
    default:
        return QVariant(text(i));
    }
}

QString Statement::text(const QString &name) const
{
    return text(column(name));
}

qint64 Statement::integer(const QString &name) const
{
    return integer(column(name));
}

QString Statement::text(int index) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, index));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, index)) : QString();
}

qint64 Statement::integer(int index) const
{
    return sqlite3_column_int64(m_stmt, index);
}

bool Statement::isNull(const QString &name) const
{
    return sqlite3_column_type(m_stmt, column(name)) == SQLITE_NULL;
}

bool Statement::isNull(int index) const
{
    return sqlite3_column_type(m_stmt, index) == SQLITE_NULL;
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

// --- Transaction ----------------------------------------------------------

Transaction::Transaction(Database &db, bool immediate)
    : m_db(db)
    , m_open(false)
{
    // Kept prepared: a save of one contact is a transaction of its own.
    ReusedStatement(m_db, immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"))->run();
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open) {
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        m_db.statementEnded();
    }
}

void Transaction::commit()
{
    ReusedStatement(m_db, QStringLiteral("COMMIT"))->run();
    m_open = false;
}

} // namespace brio
