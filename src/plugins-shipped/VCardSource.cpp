#include "VCardSource.h"

#include "CsvSource.h"
#include "core/Error.h"
#include "core/Texts.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <cctype>
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
QStringList values(VF_PROP_T *prop, const QStringList &params)
{
    void *raw = nullptr;
    uint32_t count = 0;
    vf_encoding_t encoding = VF_ENC_UNKNOWN;
    if (!vf_get_prop_value(prop, &raw, &count, &encoding)
        || (encoding != VF_ENC_7BIT && encoding != VF_ENC_QUOTEDPRINTABLE))
        return {};
    auto *strings = static_cast<char **>(raw);
    QList<QByteArray> parts;
    bool joinNext = false;
    for (uint32_t i = 0; i < count; ++i) {
        const QByteArray part = strings[i] ? QByteArray(strings[i]) : QByteArray();
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

QString part(const QStringList &list, int index)
{
    return index < list.size() ? list.at(index) : QString();
}

bool isMobile(const QStringList &params)
{
    for (const QString &p : params) {
        const QString types = p.startsWith(QLatin1String("TYPE=")) ? p.mid(5) : p;
        if (types.split(QLatin1Char(',')).contains(QLatin1String("CELL")))
            return true;
    }
    return false;
}

QString telNumber(const QString &value)
{
    QString v = value;
    if (v.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
        v = v.mid(4).section(QLatin1Char(';'), 0, 0);
    return v;
}

// A physical line without its line break.
QByteArrayView lineText(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line;
}

// Past the line break of the line at from: CR LF, LF or a lone CR, as the
// library takes them.
qsizetype lineEnd(const QByteArray &bytes, qsizetype from)
{
    const auto at = std::find_if(bytes.cbegin() + from, bytes.cend(), [](char ch) { return ch == '\r' || ch == '\n'; });
    if (at == bytes.cend())
        return bytes.size();
    const qsizetype end = at - bytes.cbegin() + 1;
    return *at == '\r' && end < bytes.size() && bytes.at(end) == '\n' ? end + 1 : end;
}

bool isBase64Line(QByteArrayView line)
{
    return !line.isEmpty() && std::all_of(line.begin(), line.end(), [](char ch) {
        return std::isalnum(static_cast<unsigned char>(ch)) || ch == '+' || ch == '/' || ch == '=';
    });
}

// The file without its properties of more than a kilobyte. The library
// measures a value again for every character it adds to it, so a phone's
// export with a photo on each card took minutes; no field the import keeps
// comes near that size, only photos, logos, sounds and keys do. A property
// runs on over folded lines, quoted-printable soft breaks and, in version
// 2.1, base64 lines up to the blank line that ends them; anything else is
// left as it is for the library.
QByteArray withoutLongProperties(const QByteArray &bytes)
{
    constexpr qsizetype kLongest = 1024;
    QByteArray out;
    out.reserve(bytes.size());
    qsizetype begin = 0; // of the property being read
    bool quotedPrintable = false;
    bool base64 = false;
    const auto endProperty = [&](qsizetype end) {
        if (end - begin <= kLongest)
            out.append(QByteArrayView(bytes).sliced(begin, end - begin));
        begin = end;
    };
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype next = lineEnd(bytes, at);
        const QByteArrayView line = QByteArrayView(bytes).sliced(at, next - at);
        const QByteArrayView previous = lineText(QByteArrayView(bytes).sliced(begin, at - begin));
        const bool continues = at > begin
                               && (line.front() == ' ' || line.front() == '\t'
                                   || (quotedPrintable && previous.endsWith('='))
                                   || (base64 && isBase64Line(lineText(line))));
        if (!continues) {
            endProperty(at);
            const QByteArray head = lineText(line).first(std::max<qsizetype>(lineText(line).indexOf(':'), 0))
                                        .toByteArray()
                                        .toUpper();
            quotedPrintable = head.contains("QUOTED-PRINTABLE");
            base64 = head.contains("BASE64");
        }
        at = next;
    }
    endProperty(bytes.size());
    return out;
}

ImportRow readCard(VF_OBJECT_T *card, int index)
{
    ImportRow c;
    c.wherePattern = Texts::tr("Scheda %1");
    c.whereNumber = index;
    QStringList mobiles;
    QStringList others;
    QString structuredName;
    VF_PROP_T *prop = nullptr;
    if (!vf_get_property(&prop, card, VFGP_FIND, nullptr, VFP_ANY, nullptr))
        return c;
    do {
        const QString name = QString::fromLatin1(vf_get_prop_name_string(prop, 0)).toUpper();
        const QStringList params = parameters(prop);
        const QStringList v = values(prop, params);
        if (name == QLatin1String("FN") && c.name.isEmpty()) {
            c.name = v.join(QLatin1Char(';')).toUtf8();
        } else if (name == QLatin1String("N") && structuredName.isEmpty()) {
            structuredName = QStringList{part(v, 3), part(v, 1), part(v, 2), part(v, 0), part(v, 4)}
                                 .filter(QRegularExpression(QStringLiteral("\\S")))
                                 .join(QLatin1Char(' '));
        } else if (name == QLatin1String("TEL")) {
            (isMobile(params) ? mobiles : others) << telNumber(v.join(QLatin1Char(';')));
        } else if (name == QLatin1String("ADR") && c.address.isEmpty() && c.city.isEmpty()) {
            c.address = QStringList{part(v, 2), part(v, 1)}.filter(QRegularExpression(QStringLiteral("\\S")))
                            .join(QStringLiteral(", "))
                            .toUtf8();
            c.city = part(v, 3).toUtf8();
            c.province = part(v, 4).toUtf8();
            c.cap = part(v, 5).toUtf8();
        } else if (name == QLatin1String("EMAIL") && c.email.isEmpty()) {
            c.email = part(v, 0).toUtf8();
        } else if (name == QLatin1String("BDAY")) {
            c.birthDate = part(v, 0).toUtf8();
        } else if (name == QLatin1String("GENDER") || name == QLatin1String("X-GENDER")) {
            c.sex = part(v, 0).toUtf8();
        } else if (name == QLatin1String("X-REGIONE")) {
            c.region = part(v, 0).toUtf8();
        }
    } while (vf_get_next_property(&prop));
    if (c.name.isEmpty())
        c.name = structuredName.toUtf8();
    for (const QString &number : mobiles + others)
        c.numbers << number.toUtf8();
    return c;
}

} // namespace

QList<ImportRow> readVCards(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile leggere il file '%1'").arg(path));
    QByteArray text = withoutLongProperties(file.readAll());
    VF_OBJECT_T *cards = nullptr;
    VF_PARSER_T *parser = nullptr;
    bool parsed = vf_parse_init(&parser, &cards);
    if (parsed) {
        constexpr qsizetype kBlock = 64 * 1024;
        for (qsizetype at = 0; parsed && at < text.size(); at += kBlock)
            parsed = vf_parse_text(parser, text.data() + at, int(std::min(kBlock, text.size() - at)));
        parsed = vf_parse_end(parser) && parsed;
    }
    if (!parsed || !cards) {
        if (cards)
            vf_delete_object(cards, TRUE);
        throw Error(ErrorNo::NotExpectedFormat, Texts::tr("Il file '%1' non è un file vCard leggibile").arg(path));
    }
    QList<ImportRow> out;
    VF_OBJECT_T *first = cards;
    int index = 0;
    do {
        ++index;
        if (QByteArray(vf_get_object_type(cards)).toUpper() == "VCARD")
            out << readCard(cards, index);
    } while (vf_get_next_object(&cards));
    vf_delete_object(first, TRUE);
    return out;
}

} // namespace brio::kit
