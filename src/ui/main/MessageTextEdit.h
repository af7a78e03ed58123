#pragma once

#include <QPlainTextEdit>

namespace brio {

// A plain text field that never holds more than maxLength characters, however
// the text arrives: typed, pasted, dropped, composed or set by the program.
class MessageTextEdit final : public QPlainTextEdit
{
public:
    explicit MessageTextEdit(QWidget *parent = nullptr); // the message limit
    explicit MessageTextEdit(int maxLength, QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text); // cut to maxLength

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // Characters that can still be added in place of the selection.
    int room() const;

    int m_maxLength;
};

} // namespace brio
