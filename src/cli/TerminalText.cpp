#include "cli/TerminalText.h"

namespace brio {

QString terminalText(const QString &text, bool keepLineBreaks, bool escapeBackslash)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' && escapeBackslash)
            out += QLatin1String("\\\\");
        else if (u == u'\n')
            out += keepLineBreaks ? QStringLiteral("\n") : QStringLiteral("\\n");
        else if (u == u'\t')
            out += keepLineBreaks ? QStringLiteral("\t") : QStringLiteral("\\t");
        else if (u == u'\r')
            out += QLatin1String("\\r");
        else if (c.category() != QChar::Other_Control)
            out += c;
        else if (u < 0x100)
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u{%1}").arg(int(u), 4, 16, QLatin1Char('0'));
    }
    return out;
}

std::optional<QByteArray> readAtMost(QIODevice &in, qint64 most)
{
    QByteArray bytes;
    while (bytes.size() <= most) {
        const QByteArray part = in.read(most + 1 - bytes.size());
        if (part.isEmpty())
            break;
        bytes += part;
    }
    if (bytes.size() > most)
        return std::nullopt;
    return bytes;
}

} // namespace brio
