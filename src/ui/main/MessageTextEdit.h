#pragma once

#include <QPlainTextEdit>

namespace brio {

// A plain text field that never holds more than the gateway's message (one
// SMS, or as many parts as it joins, by the network's count), however the
// text arrives: typed, pasted, dropped, composed or set by the program.
class MessageTextEdit final : public QPlainTextEdit
{
public:
    explicit MessageTextEdit(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text); // cut to what fits
    // Parts one message may take; a text already longer stays as it is.
    void setMaxParts(int parts);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // How much of `inserted` fits in place of the selection.
    int fittingLength(const QString &inserted) const;
    int longestFitting(const QString &before, const QString &inserted, const QString &after) const;

    int m_maxParts = 1;
};

} // namespace brio
