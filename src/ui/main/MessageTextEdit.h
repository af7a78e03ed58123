#pragma once

#include <QPlainTextEdit>

namespace brio {

// A plain text field that never holds more than one message (160 characters,
// and one SMS by the network's count), however the text arrives: typed,
// pasted, dropped, composed or set by the program.
class MessageTextEdit final : public QPlainTextEdit
{
public:
    explicit MessageTextEdit(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text); // cut to what fits

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // How much of `inserted` fits in place of the selection.
    int fittingLength(const QString &inserted) const;
};

} // namespace brio
