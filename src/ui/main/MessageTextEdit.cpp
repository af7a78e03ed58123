#include "ui/main/MessageTextEdit.h"

#include "compose/Compression.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace brio {

namespace {

QString normalized(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

MessageTextEdit::MessageTextEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{
    // A block's layout drops its shaped glyphs once laid out, so placing the
    // caret and painting shaped the whole paragraph twice more at every key:
    // the changed blocks keep them.
    connect(document(), &QTextDocument::contentsChange, this, [this](int position, int, int added) {
        const QTextBlock last = document()->findBlock(position + added);
        for (QTextBlock b = document()->findBlock(position); b.isValid(); b = b.next()) {
            b.layout()->setCacheEnabled(true);
            if (b == last)
                break;
        }
    });
}

QString MessageTextEdit::text() const
{
    return toPlainText();
}

void MessageTextEdit::setMaxParts(int parts)
{
    m_maxParts = parts;
}

// The longest start of `inserted` that still fits between before and after.
// Fitting only shrinks as characters are added, so a binary search finds it.
int MessageTextEdit::longestFitting(const QString &before, const QString &inserted, const QString &after) const
{
    int low = 0;
    int high = int(inserted.size());
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (messageFits(before + inserted.left(mid) + after, m_maxParts))
            low = mid;
        else
            high = mid - 1;
    }
    // A surrogate pair is never cut in half.
    if (low > 0 && low < inserted.size() && inserted.at(low - 1).isHighSurrogate())
        --low;
    return low;
}

void MessageTextEdit::setText(const QString &text)
{
    const QString all = normalized(text);
    setPlainText(all.left(longestFitting(QString(), all, QString())));
}

int MessageTextEdit::fittingLength(const QString &inserted) const
{
    const QTextCursor cursor = textCursor();
    const QString all = toPlainText();
    return longestFitting(all.left(cursor.selectionStart()), inserted, all.mid(cursor.selectionEnd()));
}

void MessageTextEdit::keyPressEvent(QKeyEvent *event)
{
    const QString typed = event->text();
    const bool inserts = !typed.isEmpty() && (typed.at(0).isPrint() || typed == QLatin1String("\r")
                                              || typed == QLatin1String("\t"))
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (inserts && fittingLength(normalized(typed)) < typed.size()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MessageTextEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const int left = fittingLength(event->commitString());
    if (event->commitString().size() > left) {
        QInputMethodEvent cut(event->preeditString(), event->attributes());
        cut.setCommitString(event->commitString().left(qMax(0, left)), event->replacementStart(),
                            event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&cut);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void MessageTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText())
        return;
    const QString text = normalized(source->text());
    const int left = fittingLength(text);
    if (left <= 0)
        return;
    QTextCursor cursor = textCursor();
    cursor.insertText(text.left(left));
    setTextCursor(cursor);
    ensureCursorVisible();
}

} // namespace brio
