#include "plugins/OldAddressBook.h"

#include "addressbook/Contacts.h"
#include "compose/NumberRules.h"
#include "context/Context.h"
#include "context/Notifier.h"
#include "core/Error.h"
#include "core/ProgramFolder.h"
#include "core/Texts.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <cmath>
#include <memory>
#include <vector>

// glib first: mdbtools.h includes it inside its extern "C" block.
#include <glib.h>
#include <mdbtools.h>

namespace brio {

namespace {

constexpr int kBatchRows = 2000;
constexpr int kFileAccessError = 75;
constexpr int kRowOffsetMask = 0x1fff; // the flags live above it

[[noreturn]] void unreadable(const QString &path)
{
    throw Error(ErrorNo::InvalidPath,
                Texts::tr("'%1' non è una rubrica di BrioSMS 1.1.4 leggibile").arg(path));
}

// The library trusts the file it is given; only files that start like a
// Jet 3 or Jet 4 database reach it.
bool looksLikeJet(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 3 * 2048)
        return false;
    const QByteArray head = file.read(0x15);
    return head.size() == 0x15 && head.startsWith(QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20))
        && (head.at(0x14) == 0 || head.at(0x14) == 1);
}

constexpr auto kStreamVersion = QDataStream::Qt_6_0;

// The reader helper: beside the program when built, in libexec when
// installed.
QString readerProgram()
{
    const QDir program(programFolder());
    const QString built = program.filePath(QStringLiteral(BRIOSMS_OLD_BOOK_READER_NAME));
    if (QFileInfo(built).isExecutable())
        return QDir::cleanPath(built);
    return QDir::cleanPath(program.filePath(QStringLiteral(BRIOSMS_INSTALLED_OLD_BOOK_READER)));
}

// The fields of the book the old one fills, with their sizes in
// characters.
struct FieldSize
{
    QString Contact::*value;
    const char *column;
    int size;
};
constexpr FieldSize kFieldSizes[] = {
    {&Contact::name, "Nominativo", 50}, {&Contact::address, "Indirizzo", 100},
    {&Contact::postCode, "CAP", 10},    {&Contact::city, "Citta", 50},
    {&Contact::province, "Prov", 20},   {&Contact::region, "Regione", 50},
    {&Contact::email, "e_mail", 100},
};

// The text cut to size characters, as the book counts them (a character
// outside the basic plane is one), never in the middle of one.
QString cutTo(const QString &text, int size)
{
    if (text.size() <= size)
        return text;
    int characters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isLowSurrogate())
            continue;
        if (++characters > size)
            return text.left(i);
    }
    return text;
}

struct MdbCloser
{
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
struct TableFree
{
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};

} // namespace

QList<Contact> readJetAddressBook(const QString &path)
{
    if (!QFileInfo(path).isFile() || !looksLikeJet(path))
        unreadable(path);
    const QByteArray file = QFile::encodeName(path);
    std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(file.constData(), MDB_NOFLAGS));
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE))
        unreadable(path);
    std::unique_ptr<MdbTableDef, TableFree> table(
        mdb_read_table_by_name(mdb.get(), const_cast<gchar *>(kContactTable), MDB_TABLE));
    if (!table || !mdb_read_columns(table.get()))
        unreadable(path);

    // The old book's columns.
    const char *const names[] = {"Nominativo", "numero", "Indirizzo", "CAP", "Citta", "Prov", "Regione", "e_mail"};
    constexpr int kFields = int(std::size(names));
    std::vector<std::vector<char>> values(kFields, std::vector<char>(mdb->bind_size + 1));
    std::vector<int> lengths(kFields);
    int numberColumn = -1;
    for (int i = 0; i < kFields; ++i) {
        const int column = mdb_bind_column_by_name(table.get(), const_cast<gchar *>(names[i]), values[i].data(),
                                                   &lengths[i]);
        if (column < 1)
            unreadable(path);
        if (i == 1)
            numberColumn = column - 1;
    }

    QList<Contact> contacts;
    contacts.reserve(qsizetype(table->num_rows));
    auto text = [&](int i) { return QString::fromUtf8(values[i].data(), lengths[i]); };
    std::vector<MdbField> fields(std::max<unsigned>(table->num_cols, 256));
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        // Binding gives a null and an empty text alike; the row itself tells
        // them apart. Read again only then: it doubles the library's work.
        bool numberNull = false;
        if (lengths[1] == 0) {
            int start = 0;
            size_t size = 0;
            numberNull = true;
            if (mdb_find_row(mdb.get(), int(table->cur_row) - 1, &start, &size) == 0
                && mdb_crack_row(table.get(), start & kRowOffsetMask, size, fields.data()) >= 0)
                numberNull = fields[size_t(numberColumn)].is_null;
        }
        Contact c;
        c.name = text(0);
        // A null number stays null; an empty one is kept apart from it.
        c.number = numberNull ? QString() : text(1).isNull() ? QString(QLatin1String("")) : text(1);
        c.address = text(2);
        c.postCode = text(3);
        c.city = text(4);
        c.province = text(5);
        c.region = text(6);
        c.email = text(7);
        contacts.append(std::move(c));
    }
    return contacts;
}

bool writeOldContacts(QIODevice &out, const QList<Contact> &contacts)
{
    QDataStream stream(&out);
    stream.setVersion(kStreamVersion);
    for (const Contact &c : contacts)
        stream << c.name << c.number << c.address << c.postCode << c.city << c.province << c.region << c.email;
    return stream.status() == QDataStream::Ok;
}

QList<Contact> readOldAddressBook(const QString &path)
{
    if (!QFileInfo(path).isFile() || !looksLikeJet(path))
        unreadable(path);
    // A user action: started directly rather than through the plug-in
    // launcher, and waited for, since the import needs its rows.
    QProcess reader;
    reader.setProcessChannelMode(QProcess::SeparateChannels);
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.start(readerProgram(), {path});
    if (!reader.waitForStarted()) {
        throw Error(ErrorNo::InvalidPath,
                    Texts::tr("Impossibile avviare il programma di lettura '%1': %2")
                        .arg(reader.program(), reader.errorString()));
    }
    constexpr int kLongestMs = 5 * 60 * 1000; // a damaged file may also keep the library going round
    // Waited for in an event loop, so that the windows keep painting; the
    // user's input waits with the import.
    QEventLoop wait;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&reader, &QProcess::finished, &wait, &QEventLoop::quit);
    QObject::connect(&reader, &QProcess::errorOccurred, &wait, &QEventLoop::quit);
    QObject::connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
    limit.start(kLongestMs);
    if (reader.state() != QProcess::NotRunning)
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    if (reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished();
        unreadable(path);
    }
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
        unreadable(path);
    QByteArray bytes = reader.readAllStandardOutput();
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    stream.setVersion(kStreamVersion);
    QList<Contact> contacts;
    while (!stream.atEnd()) {
        Contact c;
        stream >> c.name >> c.number >> c.address >> c.postCode >> c.city >> c.province >> c.region >> c.email;
        if (stream.status() != QDataStream::Ok)
            unreadable(path);
        contacts.append(std::move(c));
    }
    return contacts;
}

QString NormaliseOldNumber(const Context &ctx, const QString &stored, const QSet<QString> *allowedPrefixes)
{
    QString digits;
    for (const QChar c : stored) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    }
    if (digits.startsWith(QLatin1Char('0')))
        digits.replace(0, 1, QStringLiteral("39"));
    if (!digits.startsWith(QLatin1String("39")))
        digits.prepend(QStringLiteral("39"));
    const QString candidate = QLatin1Char('+') + digits;
    const QString prefix = candidate.mid(3, 3);
    const bool prefixOk = allowedPrefixes ? allowedPrefixes->contains(prefix) : CheckPrefix(ctx, prefix);
    const bool numberOk = CheckSubscriberNumber(ctx, candidate.mid(6));
    return prefixOk && numberOk ? candidate : QString();
}

bool importOldAddressBook(const Context &ctx, const QString &path, OldImportCounts &counts,
                          const std::function<void(int percent)> &progress)
{
    counts = {};
    const QList<Contact> contacts = readOldAddressBook(path);
    if (contacts.isEmpty())
        return false;

    QFile errors(oldImportErrorFile(ctx));
    if (!errors.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(kFileAccessError,
                    Texts::tr("Impossibile scrivere il file %1").arg(QDir::toNativeSeparators(errors.fileName())));
    auto writeLine = [&errors](const QString &line) {
        if (errors.write((line + QLatin1String("\r\n")).toUtf8()) < 0)
            throw Error(kFileAccessError, errors.errorString());
    };
    writeLine(Texts::tr("I seguenti contatti di BrioSMS 1.1.4 non sono stati \r\n"
                        "importati a causa di errori nel formato del numero di cellulare:"));

    Database &db = ctx.db();
    const QSet<QString> allowed = allowedPrefixSet(db);
    ContactBatch book(db);
    const qsizetype total = contacts.size();
    int percent = 0;
    struct Added
    {
        qint32 id;
        QString name;
        QString number;
    };
    QList<Added> added;
    QStringList cuts; // of the batches stored
    for (qsizetype first = 0; first < total; first += kBatchRows) {
        OldImportCounts batch;
        QStringList batchCuts;
        added.clear();
        Transaction tx(db);
        for (qsizetype i = first; i < std::min(total, first + kBatchRows); ++i) {
            const Contact &c = contacts.at(i);
            if (c.number.isNull())
                continue;
            const QString number = NormaliseOldNumber(ctx, c.number, &allowed);
            if (number.isEmpty()) {
                ++batch.badNumbers;
                writeLine(c.name + QLatin1Char(',') + c.number);
                continue;
            }
            if (book.hasNumber(number)) {
                ++batch.duplicates;
            } else {
                Contact fitted = c;
                for (const FieldSize &f : kFieldSizes) {
                    QString &value = fitted.*f.value;
                    const QString cut = cutTo(value, f.size);
                    if (cut.size() == value.size())
                        continue;
                    ++batch.cutValues;
                    batchCuts << c.name + QLatin1Char(',') + QLatin1String(f.column) + QStringLiteral(": ")
                            + value + QStringLiteral(" -> ") + cut;
                    value = cut;
                }
                fitted.number = number;
                added.append({qint32(book.add(fitted)), fitted.name, number});
                ++batch.imported;
            }
            percent = std::min(100, int(std::lround(double(i) * 100.0 / double(total))));
        }
        tx.commit();
        counts.imported += batch.imported;
        counts.duplicates += batch.duplicates;
        counts.badNumbers += batch.badNumbers;
        counts.cutValues += batch.cutValues;
        cuts += batchCuts;
        // Open windows hear of a contact only once it is stored.
        for (const Added &a : added)
            emit ctx.notifier().contactChanged(a.id, a.name, a.number, false);
        if (progress)
            progress(percent);
    }
    if (!cuts.isEmpty()) {
        writeLine(QString());
        writeLine(Texts::tr("I seguenti valori erano più lunghi del campo della rubrica e sono stati accorciati:"));
        for (const QString &line : std::as_const(cuts))
            writeLine(line);
    }
    if (!errors.flush())
        throw Error(kFileAccessError, errors.errorString());
    return true;
}

QString oldImportErrorFile(const Context &ctx)
{
    return QDir(ctx.state.InstallDir).filePath(QStringLiteral("brioERR.txt"));
}

QString oldImportSummary(const OldImportCounts &counts, const QString &errorFile)
{
    QStringList lines{Texts::tr("Rubrica importata."),
                      Texts::tr("Totale contatti importati: %1").arg(counts.imported)};
    if (counts.duplicates == 1)
        lines << Texts::tr("1 duplicato non importato");
    else if (counts.duplicates > 1)
        lines << Texts::tr("%1 duplicati non importati").arg(counts.duplicates);
    if (counts.badNumbers == 1)
        lines << Texts::tr("1 numero errato non importato");
    else if (counts.badNumbers > 1)
        lines << Texts::tr("%1 numeri errati non importati").arg(counts.badNumbers);
    if (counts.cutValues == 1)
        lines << Texts::tr("1 valore accorciato alla dimensione del campo");
    else if (counts.cutValues > 1)
        lines << Texts::tr("%1 valori accorciati alla dimensione del campo").arg(counts.cutValues);
    if (counts.badNumbers > 0 || counts.cutValues > 0)
        lines << QString()
              << Texts::tr("Consultare il file %1 per vedere la lista degli errori")
                     .arg(QDir::toNativeSeparators(errorFile));
    return lines.join(QLatin1String("\r\n"));
}

bool oldImportRequested(const QStringList &arguments)
{
    const QString line = arguments.join(QLatin1Char(' '));
    return line == QLatin1String("/IMPORTBRIO1") || line == QLatin1String("--import-old");
}

} // namespace brio
