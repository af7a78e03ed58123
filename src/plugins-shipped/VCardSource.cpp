#include "VCardSource.h"

#include "CsvSource.h"
#include "carddav/VCard.h"
#include "core/Error.h"
#include "core/Texts.h"

#include <QFile>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <optional>
#include <vf_iface.h>

namespace brio::kit {

namespace {

// The parameters after the property name ("CELL", "TYPE=cell,voice",
// "CHARSET=UTF-8"), upper-case.
QStringList parameters(VF_PROP_T *prop)
{
    QStringList out;
    for (uint32_t i = 1;; ++i) {
        const char *p = vf_get_prop_name_string(prop, i);
        if (!p)
            break;
        out << QString::fromLatin1(p).toUpper().remove(QLatin1Char('"'));
    }
    return out;
}

QString decode(const QByteArray &bytes, const QStringList &params)
{
    for (const QString &p : params) {
        if (p.startsWith(QLatin1String("CHARSET="))) {
            QStringDecoder d(p.mid(8).toLatin1().constData());
            if (d.isValid())
                return d(bytes);
        }
    }
    return decodeText(bytes);
}

// Later versions escape ',' ';' '\' and new lines; the library splits at
// every ';', escaped or not, so the escaped ones are joined back first.
QStringList values(const QList<QByteArray> &strings, const QStringList &params)
{
    QList<QByteArray> parts;
    bool joinNext = false;
    for (const QByteArray &part : strings) {
        if (joinNext)
            parts.last() += ';' + part;
        else
            parts << part;
        int slashes = 0;
        for (qsizetype k = part.size() - 1; k >= 0 && part.at(k) == '\\'; --k)
            ++slashes;
        joinNext = slashes % 2 == 1;
        if (joinNext)
            parts.last().chop(1);
    }
    QStringList out;
    for (const QByteArray &part : parts) {
        const QString text = decode(part, params);
        QString plain;
        for (qsizetype k = 0; k < text.size(); ++k) {
            if (text.at(k) == QLatin1Char('\\') && k + 1 < text.size()) {
                const QChar next = text.at(++k);
                plain += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QChar(QLatin1Char(' ')) : next;
            } else {
                plain += text.at(k);
            }
        }
        out << plain.trimmed();
    }
    return out;
}

bool isBase64Byte(char ch)
{
    return std::isalnum(static_cast<unsigned char>(ch)) || ch == '+' || ch == '/' || ch == '=';
}

// A property longer than this is skipped. The library measures a value
// again for every character it adds to it, so a phone's export with a photo
// on each card took minutes; no field the import keeps comes near that
// size, only photos, logos, sounds and keys do.
constexpr qsizetype kLongest = 1024;

// A physical line as far as the reading needs it: no more than its first
// bytes are kept, whatever its length.
struct Line
{
    QByteArray head; // at most kLongest + 1 bytes, without the line break
    QByteArrayView lineBreak; // CR LF, LF, a lone CR (as the library takes them) or none at the end
    qsizetype length = 0;     // the whole line's, without the line break
    bool base64 = true;       // every byte is one of base64's, and there is one
    char last = 0;

    void clear()
    {
        head.resize(0); // its room kept for the next line
        lineBreak = {};
        length = 0;
        base64 = true;
        last = 0;
    }
};

// A property: its first line and the lines that continue it (folded lines,
// quoted-printable soft breaks and, in version 2.1, base64 lines up to the
// blank line that ends them). Only a short one's text is kept.
struct Property
{
    QByteArray text; // with its line breaks, when size <= kLongest
    qsizetype size = 0;
};

} // namespace

struct VCardStream::Reading
{
    QIODevice *file = nullptr;
    QByteArray block;
    qsizetype at = 0; // in block
    qint64 total = 0; // bytes read
    bool ended = false;
    bool afterCr = false; // a CR ended the last block: an LF opening the next is the same break
    Line ahead;
    bool haveAhead = false;
    QByteArray card;
    int depth = 0; // of BEGIN:VCARD inside one another (2.1's AGENT)
    int cards = 0;
    const QString where = Texts::tr("Scheda %1");

    // False at the file's end. Throws past the size limit.
    bool fill()
    {
        if (ended)
            return false;
        block = file->read(64 * 1024);
        at = 0;
        if (block.isEmpty()) {
            if (!file->atEnd() && file->bytesAvailable() == 0) {
                const auto *named = qobject_cast<const QFile *>(file);
                throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile leggere il file '%1': %2")
                                                      .arg(named ? named->fileName() : QString(), file->errorString()));
            }
            ended = true;
            return false;
        }
        if (total == 0 && block.startsWith("\xEF\xBB\xBF"))
            at = 3; // a BOM would be taken for the first line's text
        total += block.size();
        if (total > kMostVCardBytes) {
            const auto *named = qobject_cast<const QFile *>(file);
            throw Error(ErrorNo::NotExpectedFormat, Texts::tr("Il file '%1' è troppo grande: il limite è di %2 MB")
                                                        .arg(named ? named->fileName() : QString())
                                                        .arg(kMostVCardBytes >> 20));
        }
        if (afterCr && block.at(at) == '\n')
            ++at;
        afterCr = false;
        return true;
    }

    // False at the file's end.
    bool readLine(Line &line)
    {
        line.clear();
        bool any = false;
        for (;;) {
            if (at == block.size() && !fill())
                return any;
            any = true;
            const auto begin = block.cbegin() + at;
            const auto stop = std::find_if(begin, block.cend(), [](char ch) { return ch == '\r' || ch == '\n'; });
            const QByteArrayView part(begin, stop);
            if (line.head.size() <= kLongest)
                line.head += part.first(std::min(part.size(), kLongest + 1 - line.head.size()));
            if (line.base64)
                line.base64 = std::all_of(part.begin(), part.end(), isBase64Byte);
            if (!part.isEmpty())
                line.last = part.back();
            line.length += part.size();
            at = stop - block.cbegin();
            if (stop == block.cend())
                continue;
            ++at;
            if (*stop == '\n') {
                line.lineBreak = "\n";
            } else if (at < block.size()) {
                line.lineBreak = block.at(at) == '\n' ? "\r\n" : "\r";
                at += block.at(at) == '\n';
            } else {
                line.lineBreak = "\r\n";
                afterCr = true;
            }
            line.base64 = line.base64 && line.length > 0;
            return true;
        }
    }

    // False at the file's end.
    bool readProperty(Property &property)
    {
        if (!haveAhead && !readLine(ahead))
            return false;
        haveAhead = false;
        const QByteArray name = ahead.head.left(std::max<qsizetype>(ahead.head.indexOf(':'), 0)).toUpper();
        const bool quotedPrintable = name.contains("QUOTED-PRINTABLE");
        const bool base64 = name.contains("BASE64");
        property.text.resize(0); // its room kept for the next property
        property.size = 0;
        for (;;) {
            property.size += ahead.length + ahead.lineBreak.size();
            if (property.size <= kLongest) {
                property.text += ahead.head;
                property.text += ahead.lineBreak;
            }
            const char last = ahead.last;
            if (!readLine(ahead))
                return true;
            const bool continues = ahead.length > 0
                                   && (ahead.head.front() == ' ' || ahead.head.front() == '\t'
                                       || (quotedPrintable && last == '=') || (base64 && ahead.base64));
            if (!continues) {
                haveAhead = true;
                return true;
            }
        }
    }
};

namespace {

// The parts that are not blank, one after the other.
// A property as the card gives it: its name and parameters upper-case, its
// value split at each ';' as written.
struct CardProperty
{
    QString name;
    QStringList params;
    QList<QByteArray> strings;
};

QList<CardProperty> libraryProperties(VF_OBJECT_T *card)
{
    QList<CardProperty> out;
    VF_PROP_T *prop = nullptr;
    if (!vf_get_property(&prop, card, VFGP_FIND, nullptr, VFP_ANY, nullptr))
        return out;
    do {
        CardProperty p{QString::fromLatin1(vf_get_prop_name_string(prop, 0)).toUpper(), parameters(prop), {}};
        void *raw = nullptr;
        uint32_t count = 0;
        vf_encoding_t encoding = VF_ENC_UNKNOWN;
        if (vf_get_prop_value(prop, &raw, &count, &encoding)
            && (encoding == VF_ENC_7BIT || encoding == VF_ENC_QUOTEDPRINTABLE)) {
            auto *strings = static_cast<char **>(raw);
            for (uint32_t i = 0; i < count; ++i)
                p.strings << (strings[i] ? QByteArray(strings[i]) : QByteArray());
        }
        out << std::move(p);
    } while (vf_get_next_property(&prop));
    return out;
}

// A value's parts as values() gives them, in UTF-8: mostly views of the
// value's bytes, with no copy.
using Parts = QVarLengthArray<QByteArray, 8>;

void plainValues(QByteArrayView value, Parts &out)
{
    out.clear();
    // Escapes, a BOM or bytes of another encoding: read as the library's values are.
    if (value.contains('\\') || value.contains("\xEF\xBB\xBF") || !value.isValidUtf8()) {
        for (const QString &text : values(value.toByteArray().split(';'), {}))
            out.append(text.toUtf8());
        return;
    }
    for (qsizetype begin = 0;;) {
        const qsizetype semicolon = value.indexOf(';', begin);
        const qsizetype end = semicolon < 0 ? value.size() : semicolon;
        out.append(trimmedUtf8(value.sliced(begin, end - begin)));
        if (semicolon < 0)
            return;
        begin = end + 1;
    }
}

QByteArray partAt(const Parts &parts, qsizetype index)
{
    return index < parts.size() ? parts.at(index) : QByteArray();
}

QByteArray joined(const Parts &parts, char separator)
{
    if (parts.size() == 1)
        return parts.front();
    QByteArray out;
    for (const QByteArray &p : parts) {
        if (&p != &parts.front())
            out += separator;
        out += p;
    }
    return out;
}

// The parts that are not empty, one after the other.
QByteArray joinedNonEmpty(std::initializer_list<QByteArray> parts, QByteArrayView separator)
{
    QByteArray out;
    for (const QByteArray &p : parts) {
        if (p.isEmpty())
            continue;
        if (out.isEmpty())
            out = p; // a view stays one
        else
            out = QByteArray(out).append(separator).append(p);
    }
    return out;
}

// Whether one of a list's items, separated by separator, is item.
bool listHas(QByteArrayView list, char separator, QByteArrayView item)
{
    for (qsizetype begin = 0;;) {
        const qsizetype found = list.indexOf(separator, begin);
        const qsizetype end = found < 0 ? list.size() : found;
        if (list.sliced(begin, end - begin) == item)
            return true;
        if (found < 0)
            return false;
        begin = end + 1;
    }
}

// As isMobileTel() for parameters upper-case and without quotes: CELL,
// TYPE=CELL or TYPE=CELL,VOICE among them.
bool hasCellType(QByteArrayView params)
{
    for (qsizetype begin = 0; begin <= params.size();) {
        const qsizetype found = params.indexOf(';', begin);
        const qsizetype end = found < 0 ? params.size() : found;
        QByteArrayView param = params.sliced(begin, end - begin);
        if (param.startsWith("TYPE="))
            param = param.sliced(5);
        if (listHas(param, ',', "CELL"))
            return true;
        begin = end + 1;
    }
    return false;
}

// What a card's properties give the contact, whichever reader split their
// values: the first name, address and e-mail, the mobile numbers first.
class CardFields final
{
public:
    explicit CardFields(ImportRow &c)
        : m_c(c)
    {
    }

    // name upper-case; v the value's parts, unescaped and trimmed, in UTF-8.
    void take(QByteArrayView name, bool mobile, const Parts &v)
    {
        if (name == "FN" && m_c.name.isEmpty()) {
            m_c.name = joined(v, ';');
        } else if (name == "N" && m_structuredName.isEmpty()) {
            if (std::any_of(v.cbegin(), v.cbegin() + std::min<qsizetype>(v.size(), 5),
                            [](const QByteArray &p) { return !p.isEmpty(); }))
                m_structuredName = v;
        } else if (name == "TEL") {
            // A "tel:" URI is rare: read as telNumber() reads it.
            const QByteArray &first = v.front();
            QByteArray number = first.size() >= 4 && qstrnicmp(first.constData(), 4, "tel:", 4) == 0
                                    ? telNumber(QString::fromUtf8(joined(v, ';'))).toUtf8()
                                    : joined(v, ';');
            if (mobile)
                m_c.numbers << std::move(number);
            else
                m_others << std::move(number);
        } else if (name == "ADR" && m_c.address.isEmpty() && m_c.city.isEmpty()) {
            m_c.address = joinedNonEmpty({partAt(v, 2), partAt(v, 1)}, ", ");
            m_c.city = partAt(v, 3);
            m_c.province = partAt(v, 4);
            m_c.cap = partAt(v, 5);
        } else if (name == "EMAIL" && m_c.email.isEmpty()) {
            m_c.email = v.front();
        } else if (name == "BDAY") {
            m_c.birthDate = v.front();
        } else if (name == "GENDER" || name == "X-GENDER") {
            m_c.sex = v.front();
        } else if (name == "X-REGIONE") {
            m_c.region = v.front();
        }
    }

    // The properties that matter.
    static bool wanted(QByteArrayView name)
    {
        for (const char *n : {"FN", "N", "TEL", "ADR", "EMAIL", "BDAY", "GENDER", "X-GENDER", "X-REGIONE"}) {
            if (name == n)
                return true;
        }
        return false;
    }

    void finish()
    {
        const Parts &n = m_structuredName;
        if (m_c.name.isEmpty())
            m_c.name = joinedNonEmpty({partAt(n, 3), partAt(n, 1), partAt(n, 2), partAt(n, 0), partAt(n, 4)}, " ");
        for (QByteArray &number : m_others)
            m_c.numbers << std::move(number);
    }

private:
    ImportRow &m_c;
    Parts m_structuredName; // of the first N with a part not blank
    QVarLengthArray<QByteArray, 4> m_others; // numbers after the mobile ones
};

// Most cards are one line a property, with no encoding, character set,
// folding, group or quoted parameter: those are read here in place, as the
// library reads them and readCard() takes them, at a fraction of the
// library's cost (it allocates for every character). The texts are mostly
// views of card. False for any other card, which the library reads.
bool readPlainCard(QByteArrayView card, ImportRow &c)
{
    for (QByteArray *text : {&c.name, &c.address, &c.cap, &c.city, &c.province, &c.region, &c.email,
                             &c.birthDate, &c.sex})
        *text = QByteArray();
    c.numbers.clear(); // keeps its room for the next card's
    c.badText = false;
    CardFields fields(c);
    Parts v;
    QVarLengthArray<char, 64> upper;
    int begins = 0;
    for (qsizetype at = 0; at < card.size();) {
        const qsizetype lineEnd = card.indexOf('\n', at);
        QByteArrayView line = card.sliced(at, (lineEnd < 0 ? card.size() : lineEnd) - at);
        at += line.size() + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if (line.front() == ' ' || line.front() == '\t' || line.contains('\r'))
            return false; // folded, or lone CRs
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return false;
        upper.resize(colon);
        std::transform(line.begin(), line.begin() + colon, upper.begin(),
                       [](char ch) { return ch >= 'a' && ch <= 'z' ? char(ch - 'a' + 'A') : ch; });
        const QByteArrayView head(upper.data(), colon);
        if (head.contains('.') || head.contains('"') || head.contains("ENCODING") || head.contains("CHARSET")
            || head.contains("QUOTED-PRINTABLE") || head.contains("BASE64") || head.contains(' '))
            return false;
        if (head == "BEGIN") {
            if (++begins > 1)
                return false; // a card inside the card
            continue;
        }
        const qsizetype semicolon = head.indexOf(';');
        const QByteArrayView name = semicolon < 0 ? head : head.first(semicolon);
        const QByteArrayView params = semicolon < 0 ? QByteArrayView() : head.sliced(semicolon + 1);
        const QByteArrayView value = line.sliced(colon + 1);
        if (CardFields::wanted(name)) {
            plainValues(value, v);
            fields.take(name, name == "TEL" && hasCellType(params), v);
        }
    }
    fields.finish();
    return true;
}

ImportRow readCard(const QList<CardProperty> &properties, int index, const QString &where)
{
    ImportRow c;
    c.wherePattern = where;
    c.whereNumber = index;
    CardFields fields(c);
    Parts v;
    for (const CardProperty &prop : properties) {
        const QByteArray name = prop.name.toLatin1();
        if (!CardFields::wanted(name))
            continue;
        v.clear();
        for (const QString &text : values(prop.strings, prop.params))
            v.append(text.toUtf8());
        if (v.isEmpty())
            v.append(QByteArray()); // a property with no value at all
        fields.take(name, name == "TEL" && isMobileTel(prop.params), v);
    }
    fields.finish();
    return c;
}

} // namespace

VCardStream::VCardStream(QIODevice &file)
    : m_reading(std::make_unique<Reading>())
{
    m_reading->file = &file;
}

VCardStream::~VCardStream() = default;

qsizetype VCardStream::mostContacts() const
{
    constexpr qint64 kSmallestCard = 40;
    return qsizetype(std::min<qint64>(m_reading->file->size() / kSmallestCard + 1, kMostContacts));
}

bool VCardStream::next(ImportRow &contact)
{
    Reading &r = *m_reading;
    Property property;
    while (r.readProperty(property)) {
        if (property.size > kLongest)
            continue;
        // Compared in place, with no copy of every property in capitals.
        const QByteArrayView word = QByteArrayView(property.text).trimmed();
        const bool begins = word.compare("BEGIN:VCARD", Qt::CaseInsensitive) == 0;
        if (begins && r.depth++ == 0)
            r.card.resize(0); // its room kept for the next card
        if (r.depth == 0)
            continue; // outside the cards
        r.card += property.text;
        if (r.card.size() > kMostCardBytes)
            throw Error(ErrorNo::NotExpectedFormat,
                        Texts::tr("Scheda %1: supera il limite di %2 KB, senza contare foto e altri allegati")
                            .arg(r.cards + 1)
                            .arg(kMostCardBytes >> 10));
        if (word.compare("END:VCARD", Qt::CaseInsensitive) != 0 || --r.depth > 0)
            continue;
        ++r.cards;
        if (readPlainCard(r.card, contact)) {
            contact.wherePattern = r.where;
            contact.whereNumber = r.cards;
            return true;
        }
        VF_OBJECT_T *card = nullptr;
        VF_PARSER_T *parser = nullptr;
        bool parsed = vf_parse_init(&parser, &card);
        if (parsed) {
            parsed = vf_parse_text(parser, r.card.data(), int(r.card.size()));
            parsed = vf_parse_end(parser) && parsed;
        }
        if (!parsed || !card) {
            if (card)
                vf_delete_object(card, TRUE);
            throw Error(ErrorNo::NotExpectedFormat, Texts::tr("Scheda %1: non è leggibile come vCard").arg(r.cards));
        }
        contact = readCard(libraryProperties(card), r.cards, r.where);
        vf_delete_object(card, TRUE);
        return true;
    }
    if (r.depth > 0)
        throw Error(ErrorNo::NotExpectedFormat, Texts::tr("Scheda %1: il file finisce prima di END:VCARD").arg(r.cards + 1));
    if (r.cards == 0) {
        const auto *named = qobject_cast<const QFile *>(r.file);
        throw Error(ErrorNo::NotExpectedFormat,
                    Texts::tr("Il file '%1' non è un file vCard leggibile").arg(named ? named->fileName() : QString()));
    }
    return false;
}

} // namespace brio::kit
