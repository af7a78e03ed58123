#include "carddav/VCard.h"

#include "core/Error.h"
#include "core/Texts.h"

#include <QStringDecoder>
#include <vf_iface.h>

namespace brio {

namespace {

// A property longer than this is not read (photos, logos, sounds, keys):
// the library measures a value again for every character it adds.
constexpr qsizetype kLongest = 1024;

// One property of a card: the text as written (its folds and line break
// kept, so that an untouched line goes back byte for byte) and unfolded.
struct Line
{
    QByteArray raw;
    QByteArray text;

    // "item1.TEL;TYPE=CELL" -> "TEL"
    QByteArray name() const
    {
        QByteArray head = text.left(headEnd());
        const qsizetype semicolon = head.indexOf(';');
        if (semicolon >= 0)
            head.truncate(semicolon);
        const qsizetype dot = head.lastIndexOf('.');
        return (dot >= 0 ? head.mid(dot + 1) : head).toUpper();
    }
    // Where the value begins: after the first colon outside quotes.
    qsizetype headEnd() const
    {
        bool quoted = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == '"')
                quoted = !quoted;
            else if (text.at(i) == ':' && !quoted)
                return i;
        }
        return text.size();
    }
    QByteArray head() const { return text.left(headEnd()); }
    QByteArray value() const { return text.mid(headEnd() + 1); }
};

QList<Line> unfold(const QByteArray &card)
{
    QList<Line> out;
    qsizetype at = 0;
    while (at < card.size()) {
        qsizetype end = card.indexOf('\n', at);
        end = end < 0 ? card.size() : end + 1;
        const QByteArray physical = card.mid(at, end - at);
        at = end;
        QByteArray content = physical;
        while (content.endsWith('\n') || content.endsWith('\r'))
            content.chop(1);
        if (!out.isEmpty() && (physical.startsWith(' ') || physical.startsWith('\t'))) {
            out.last().raw += physical;
            out.last().text += content.mid(1);
        } else if (!content.isEmpty()) {
            out.append({physical, content});
        }
    }
    return out;
}

// The parts of a value split at separators not escaped, escapes undone;
// a line break becomes a blank, as the imports have it.
QStringList splitValue(const QString &raw, QChar separator)
{
    QStringList out{QString()};
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c == QLatin1Char('\\') && i + 1 < raw.size()) {
            const QChar next = raw.at(++i);
            out.last() += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QChar(QLatin1Char(' ')) : next;
        } else if (c == separator) {
            out << QString();
        } else {
            out.last() += c;
        }
    }
    for (QString &part : out)
        part = part.trimmed();
    return out;
}

QByteArray escaped(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(';') || c == QLatin1Char(','))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c != QLatin1Char('\r'))
            out += c;
    }
    return out.toUtf8();
}

// A line cut every 75 bytes, never inside a character, with CR LF.
QByteArray folded(const QByteArray &text)
{
    QByteArray out;
    qsizetype at = 0;
    qsizetype room = 75;
    while (text.size() - at > room) {
        qsizetype cut = at + room;
        while (cut > at && (static_cast<unsigned char>(text.at(cut)) & 0xC0) == 0x80)
            --cut;
        out += text.mid(at, cut - at) + "\r\n ";
        at = cut;
        room = 74;
    }
    return out + text.mid(at) + "\r\n";
}

QString part(const QStringList &list, int index)
{
    return index < list.size() ? list.at(index) : QString();
}

QString joinedNonBlank(const QStringList &parts, const QString &separator)
{
    QStringList kept;
    for (const QString &p : parts) {
        if (!p.isEmpty())
            kept << p;
    }
    return kept.join(separator);
}

struct Property
{
    QString name;
    QStringList params; // upper-case, quotes removed
    QString raw;        // the value as written, escapes kept
};

QList<Property> libraryProperties(const QByteArray &card)
{
    // The library reads the card without the long properties and unfolded.
    QByteArray text;
    for (const Line &line : unfold(card)) {
        if (line.text.size() <= kLongest)
            text += line.text + "\r\n";
    }
    VF_OBJECT_T *object = nullptr;
    VF_PARSER_T *parser = nullptr;
    bool parsed = vf_parse_init(&parser, &object);
    if (parsed) {
        parsed = vf_parse_text(parser, text.data(), int(text.size()));
        parsed = vf_parse_end(parser) && parsed;
    }
    if (!parsed || !object) {
        if (object)
            vf_delete_object(object, TRUE);
        throw Error(ErrorNo::CardDavGarbage, Texts::tr("Una scheda del server non è leggibile come vCard"));
    }
    QList<Property> out;
    VF_PROP_T *prop = nullptr;
    if (vf_get_property(&prop, object, VFGP_FIND, nullptr, VFP_ANY, nullptr)) {
        do {
            Property p{QString::fromLatin1(vf_get_prop_name_string(prop, 0)).toUpper(), {}, {}};
            for (uint32_t i = 1;; ++i) {
                const char *param = vf_get_prop_name_string(prop, i);
                if (!param)
                    break;
                p.params << QString::fromLatin1(param).toUpper().remove(QLatin1Char('"'));
            }
            void *raw = nullptr;
            uint32_t count = 0;
            vf_encoding_t encoding = VF_ENC_UNKNOWN;
            QByteArray value;
            if (vf_get_prop_value(prop, &raw, &count, &encoding)
                && (encoding == VF_ENC_7BIT || encoding == VF_ENC_QUOTEDPRINTABLE)) {
                // The library splits at every ';', escaped or not: joined back
                // here, the escapes are undone by splitValue.
                auto *strings = static_cast<char **>(raw);
                for (uint32_t i = 0; i < count; ++i) {
                    if (i > 0)
                        value += ';';
                    value += strings[i] ? QByteArray(strings[i]) : QByteArray();
                }
            }
            QStringDecoder decoder(QStringDecoder::Utf8);
            for (const QString &param : p.params) {
                if (param.startsWith(QLatin1String("CHARSET="))) {
                    QStringDecoder named(param.mid(8).toLatin1().constData());
                    if (named.isValid())
                        decoder = std::move(named);
                }
            }
            p.raw = decoder(value);
            out << std::move(p);
        } while (vf_get_next_property(&prop));
    }
    vf_delete_object(object, TRUE);
    return out;
}

QString digitsOf(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.isDigit())
            out += c;
    }
    return out;
}

// The lines of a card and the changes to them.
class Patch final
{
public:
    explicit Patch(const QByteArray &original)
        : m_lines(unfold(original))
    {
        for (const Line &l : m_lines) {
            if (l.name() == "VERSION")
                m_version4 = l.value().trimmed().startsWith('4');
        }
    }

    bool version4() const { return m_version4; }

    // The first line of one of the names, or -1.
    qsizetype find(std::initializer_list<QByteArrayView> names, qsizetype from = 0) const
    {
        for (qsizetype i = from; i < m_lines.size(); ++i) {
            const QByteArray n = m_lines.at(i).name();
            for (QByteArrayView wanted : names) {
                if (n == wanted)
                    return i;
            }
        }
        return -1;
    }

    // The line's value replaced, its name and parameters kept; an empty value
    // removes the line. A missing line (-1) is added as `head`.
    void set(qsizetype index, const QByteArray &head, const QByteArray &value)
    {
        if (index < 0) {
            if (value.isEmpty())
                return;
            qsizetype end = find({"END"});
            if (end < 0)
                end = m_lines.size();
            const QByteArray text = head + ':' + value;
            m_lines.insert(end, Line{folded(text), text});
            return;
        }
        if (value.isEmpty()) {
            m_lines.removeAt(index);
            return;
        }
        Line &line = m_lines[index];
        line.text = line.head() + ':' + value;
        line.raw = folded(line.text);
    }

    const Line &at(qsizetype index) const { return m_lines.at(index); }
    qsizetype size() const { return m_lines.size(); }
    void remove(qsizetype index) { m_lines.removeAt(index); }

    QByteArray text() const
    {
        QByteArray out;
        for (const Line &l : m_lines) {
            out += l.raw;
            if (!l.raw.endsWith('\n'))
                out += "\r\n";
        }
        return out;
    }

private:
    QList<Line> m_lines;
    bool m_version4 = false;
};

QByteArray writtenDate(const QString &yyyymmdd)
{
    if (yyyymmdd.size() != 8)
        return QByteArray();
    return (yyyymmdd.left(4) + QLatin1Char('-') + yyyymmdd.mid(4, 2) + QLatin1Char('-') + yyyymmdd.mid(6)).toLatin1();
}

} // namespace

CardFields readCard(const QByteArray &card)
{
    if (!card.trimmed().toUpper().startsWith("BEGIN:VCARD"))
        throw Error(ErrorNo::CardDavGarbage, Texts::tr("Una scheda del server non è leggibile come vCard"));
    CardFields c;
    QStringList mobiles;
    QStringList others;
    QString structuredName;
    bool haveAddress = false;
    for (const Property &p : libraryProperties(card)) {
        if (p.name == QLatin1String("UID") && c.uid.isEmpty()) {
            c.uid = splitValue(p.raw, QChar()).join(QString());
        } else if (p.name == QLatin1String("FN") && c.name.isEmpty()) {
            c.name = splitValue(p.raw, QChar()).join(QString());
        } else if (p.name == QLatin1String("N") && structuredName.isEmpty()) {
            const QStringList v = splitValue(p.raw, QLatin1Char(';'));
            structuredName = joinedNonBlank({part(v, 3), part(v, 1), part(v, 2), part(v, 0), part(v, 4)},
                                            QStringLiteral(" "));
        } else if (p.name == QLatin1String("TEL")) {
            (isMobileTel(p.params) ? mobiles : others) << telNumber(splitValue(p.raw, QChar()).join(QString()));
        } else if (p.name == QLatin1String("ADR") && !haveAddress) {
            const QStringList v = splitValue(p.raw, QLatin1Char(';'));
            haveAddress = true;
            c.address = joinedNonBlank({part(v, 2), part(v, 1)}, QStringLiteral(", "));
            c.city = part(v, 3);
            c.province = part(v, 4);
            c.postCode = part(v, 5);
        } else if (p.name == QLatin1String("EMAIL") && c.email.isEmpty()) {
            c.email = splitValue(p.raw, QChar()).join(QString());
        } else if (p.name == QLatin1String("BDAY")) {
            c.birthDate = splitValue(p.raw, QChar()).join(QString());
        } else if (p.name == QLatin1String("GENDER") || p.name == QLatin1String("X-GENDER")) {
            c.sex = part(splitValue(p.raw, QLatin1Char(';')), 0);
        } else if (p.name == QLatin1String("X-REGIONE")) {
            c.region = splitValue(p.raw, QChar()).join(QString());
        } else if (p.name == QLatin1String("CATEGORIES")) {
            for (const QString &category : splitValue(p.raw, QLatin1Char(','))) {
                if (!category.isEmpty() && !c.categories.contains(category, Qt::CaseInsensitive))
                    c.categories << category;
            }
        }
    }
    if (c.name.isEmpty())
        c.name = structuredName;
    c.numbers = mobiles + others;
    return c;
}

QString BookFields::fingerprint() const
{
    // Unit separators cannot be typed into any field.
    const QChar us(0x1F);
    return QStringList{name, number, address, postCode, city, province, region, email, birthDate, sex,
                       groups.join(QChar(0x1E))}
        .join(us);
}

QByteArray patchCard(const QByteArray &original, const BookFields &before, const BookFields &after,
                     const QString &uid)
{
    Patch card(original.isEmpty() ? QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + escaped(uid)
                                               + "\r\nEND:VCARD\r\n")
                                  : original);
    if (after.name != before.name) {
        card.set(card.find({"FN"}), "FN", escaped(after.name));
        card.set(card.find({"N"}), "N", escaped(after.name) + ";;;;");
    }
    if (after.number != before.number) {
        // The line the number was read from: the one that ends with its digits.
        const QString wanted = digitsOf(before.number).mid(2);
        qsizetype index = -1;
        for (qsizetype i = card.find({"TEL"}); i >= 0 && !wanted.isEmpty(); i = card.find({"TEL"}, i + 1)) {
            if (digitsOf(QString::fromUtf8(card.at(i).value())).endsWith(wanted)) {
                index = i;
                break;
            }
        }
        card.set(index, card.version4() ? "TEL;TYPE=cell" : "TEL;TYPE=CELL", after.number.toUtf8());
    }
    if (after.address != before.address || after.city != before.city || after.province != before.province
        || after.postCode != before.postCode) {
        const qsizetype index = card.find({"ADR"});
        QStringList parts(7);
        if (index >= 0) {
            const QStringList old = splitValue(QString::fromUtf8(card.at(index).value()), QLatin1Char(';'));
            for (int i = 0; i < 7; ++i)
                parts[i] = part(old, i);
        }
        if (after.address != before.address) {
            parts[1].clear();
            parts[2] = after.address;
        }
        parts[3] = after.city;
        parts[4] = after.province;
        parts[5] = after.postCode;
        QByteArray value;
        bool any = false;
        for (int i = 0; i < 7; ++i) {
            value += (i ? ";" : "") + escaped(parts.at(i));
            any = any || !parts.at(i).isEmpty();
        }
        card.set(index, "ADR;TYPE=HOME", any ? value : QByteArray());
    }
    if (after.email != before.email)
        card.set(card.find({"EMAIL"}), "EMAIL", escaped(after.email));
    if (after.birthDate != before.birthDate)
        card.set(card.find({"BDAY"}), "BDAY", writtenDate(after.birthDate));
    if (after.sex != before.sex)
        card.set(card.find({"GENDER", "X-GENDER"}), card.version4() ? "GENDER" : "X-GENDER", after.sex.toUtf8());
    if (after.region != before.region)
        card.set(card.find({"X-REGIONE"}), "X-REGIONE", escaped(after.region));
    if (after.groups != before.groups) {
        const qsizetype first = card.find({"CATEGORIES"});
        for (qsizetype i = card.find({"CATEGORIES"}, first + 1); first >= 0 && i >= 0;
             i = card.find({"CATEGORIES"}, i)) {
            card.remove(i);
        }
        QByteArray value;
        for (const QString &g : after.groups)
            value += (value.isEmpty() ? "" : ",") + escaped(g);
        card.set(first, "CATEGORIES", value);
    }
    return card.text();
}

bool isMobileTel(const QStringList &params)
{
    for (const QString &p : params) {
        const QString types = p.startsWith(QLatin1String("TYPE=")) ? p.mid(5) : p;
        if (types.split(QLatin1Char(',')).contains(QLatin1String("CELL")))
            return true;
    }
    return false;
}

QString telNumber(QString value)
{
    if (value.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
        value = value.mid(4).section(QLatin1Char(';'), 0, 0);
    return value.trimmed();
}

} // namespace brio
