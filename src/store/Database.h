#pragma once

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace brio {

class Statement;
class WriterLockWait;

// One open database file. Statements take bound parameters only: user text is
// never part of the SQL. A connection is used by one thread at a time.
class Database final
{
public:
    enum class Mode { Shared, Exclusive };

    // Opens an existing file (create = false) or creates it. With a key the
    // file is encrypted; an empty key means a plain file. Throws Error.
    static std::unique_ptr<Database> open(const QString &path, const QString &key = QString(),
                                          Mode mode = Mode::Shared, bool create = false);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    void exec(const QString &sql); // one or more statements, no parameters
    Statement prepare(const QString &sql);
    void run(const QString &sql, const QVariantList &params = {});
    // First column of the first row (0 when there is no row).
    qint64 scalar(const QString &sql, const QVariantList &params = {});

    qint64 lastInsertId() const;
    int changes() const;
    bool tableExists(const QString &name); // exact, case-sensitive comparison
    QStringList tableNames();

    QString path() const;
    Mode mode() const;
    sqlite3 *handle() const;

    // How long a statement waits for another program's lock before failing
    // with DatabaseLocked.
    void setBusyTimeout(int milliseconds);
    // The wait of connections opened from now on (tests shorten it).
    static void setDefaultBusyTimeout(int milliseconds);

    // Readers no longer wait for a writer, nor a writer for readers. Stored
    // in the file, so plug-ins work the same way. Does nothing where the
    // engine cannot keep the log (the file then stays as it was).
    void useWriteAheadLog();
    // Back to the rollback journal: the log is checkpointed into the file
    // and removed, so that the file alone holds every row. Throws
    // DatabaseLocked while another connection has the file open.
    void leaveWriteAheadLog();
    bool usesWriteAheadLog();

private:
    friend class ReusedStatement;
    struct Kept;

    Database(sqlite3 *db, QString path, Mode mode);
    static int waitForLock(void *self, int attempt);
    // After each statement: the writer wait learns whether a transaction is open.
    void statementEnded();
    void syncForJournalMode();

    sqlite3 *m_db;
    QString m_path;
    Mode m_mode;
    int m_busyTimeoutMs;
    QElapsedTimer m_waiting;
    std::unique_ptr<WriterLockWait> m_writerWait;
    std::unique_ptr<Kept> m_kept;

    friend class Statement;
    friend class Transaction;
};


// UTF-8 text checked once as a whole, with the refusals of checkText (a
// NUL, bytes that are no Unicode text): its parts then bind without being
// looked at again, which matters to an import of many thousand rows.
class CheckedUtf8 final
{
public:
    CheckedUtf8() = default;
    explicit CheckedUtf8(QByteArray utf8); // throws Error
    QByteArrayView bytes() const;

private:
    QByteArray m_utf8;
};

class Statement final
{
public:
    Statement(Database &db, sqlite3_stmt *stmt);
    ~Statement();
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&) = delete;
    Statement(const Statement &) = delete;

    // Positions count from 1. A null QVariant binds NULL.
    Statement &bind(int position, const QVariant &value);
    Statement &bindAll(const QVariantList &values);
    // The same as bind() without the QVariant: for statements run once a row
    // of a large batch.
    Statement &bindText(int position, const QString &text);
    Statement &bindInteger(int position, qint64 value);
    // Bytes [begin, end) of checked text, bound without a copy: the text
    // must stay as it is until the statement has run. A part that begins or
    // ends inside a character is refused.
    Statement &bindUtf8(int position, const CheckedUtf8 &text, qsizetype begin, qsizetype end);

    bool next();  // true while a row is available
    void run();   // step to the end, for statements without rows
    void reset(); // ready to run again; bindings stay
    void clearBindings();

    // Column access by name without regard to case, as the program writes
    // names in several spellings.
    int column(const QString &name) const; // throws when missing
    QVariant value(const QString &name) const;
    QString text(const QString &name) const;
    qint64 integer(const QString &name) const;
    QString text(int index) const;
    qint64 integer(int index) const;
    bool isNull(const QString &name) const;
    bool isNull(int index) const;
    int columnCount() const;

private:
    Database *m_db;
    sqlite3_stmt *m_stmt;
};

// A statement prepared once and kept by the connection, for routines that
// run once per contact inside a long batch (a sync applies thousands): the
// same text is not parsed again each time. Reset, its bindings cleared,
// when the guard ends; a text already in use gets a statement of its own.
class ReusedStatement final
{
public:
    ReusedStatement(Database &db, const QString &sql);
    ~ReusedStatement();
    ReusedStatement(const ReusedStatement &) = delete;
    ReusedStatement &operator=(const ReusedStatement &) = delete;

    Statement &operator*() { return *m_st; }
    Statement *operator->() { return m_st; }

private:
    Database &m_db;
    QString m_sql;
    std::unique_ptr<Statement> m_own; // when the kept one was in use
    Statement *m_st = nullptr;
};

// Rolls back unless commit() was reached, so a change is never half done.
class Transaction final
{
public:
    explicit Transaction(Database &db, bool immediate = true);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Database &m_db;
    bool m_open;
};

// The engine's failure as the program's error (numbers as handlers expect).
[[noreturn]] void throwDatabaseError(sqlite3 *db, int rc, const QString &context = QString());

// Compares two names as a person expects: accented letters with their base
// letter ("Èrica" beside "erica", before "Fabio"), case ignored; equal names
// in different spellings keep a fixed order. Every connection has it as the
// collation NAME_ORDER, for lists: "ORDER BY Nominativo COLLATE NAME_ORDER".
// It lives on the program's connections only, never in the schema, so that
// plug-ins and the sqlite3 shell can still read and write the file.
int compareNames(const QString &a, const QString &b);
// The same for names already in UTF-8, as the engine hands them out.
int compareNamesUtf8(QByteArrayView a, QByteArrayView b);

// Builds the engine's LIKE pattern (with '\' as escape) from a pattern that
// uses '*' and '?' as wildcards. Matching ignores case, accented letters too.
QString likePattern(const QString &wildcardPattern);

// Throws InvalidText for text the engine would store wrongly: a NUL, half
// a surrogate pair. bind() checks every text it is given.
void checkText(const QString &text);

// A table or index name as SQL text, whatever characters it holds.
QString quotedName(const QString &name);

} // namespace brio
