#include "ui/main/MessageTextEdit.h"

#include "compose/Compression.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

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
    : MessageTextEdit(kMaxMessageLength, parent)
{
}

MessageTextEdit::MessageTextEdit(int maxLength, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_maxLength(maxLength)
{
}

QString MessageTextEdit::text() const
{
    return toPlainText();
}

void MessageTextEdit::setText(const QString &text)
{
    setPlainText(normalized(text).left(m_maxLength));
}

int MessageTextEdit::room() const
{
    const QTextCursor cursor = textCursor();
    const int selected = cursor.selectionEnd() - cursor.selectionStart();
    return m_maxLength - (int(toPlainText().size()) - selected);
}

void MessageTextEdit::keyPressEvent(QKeyEvent *event)
{
    const QString typed = event->text();
    const bool inserts = !typed.isEmpty() && (typed.at(0).isPrint() || typed == QLatin1String("\r")
                                              || typed == QLatin1String("\t"))
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (inserts && typed.size() > room()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MessageTextEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const int left = room();
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
    const int left = room();
    if (left <= 0)
        return;
    QTextCursor cursor = textCursor();
    cursor.insertText(normalized(source->text()).left(left));
    setTextCursor(cursor);
    ensureCursorVisible();
}

} // namespace brio
