#pragma once

#include "core/Texts.h"

#include <QString>

namespace brio {

// The text shortened for an SMS: cut at every single space, each word written
// with a capital first letter, joined with nothing between them. Only the
// space separates words; line breaks, tabs and punctuation stay inside them.
QString CompressText(const QString &text);

// "Testo (N):" with N the characters still free in one message; past one
// message "Testo (N, P SMS):", N what the last of the P parts still holds.
QString messageCounterText(const QString &text);
// What makes the text travel as UCS-2, naming each character and its
// position; empty for a GSM 03.38 text.
QString ucs2NoticeText(const QString &text);
// Whether the box may hold the text: at most maxParts messages by the
// network's count (one message: at most 160 characters).
bool messageFits(const QString &text, int maxParts = 1);

// The two-state compression button of the tool bar and the text saved before
// the last compression. The window shows button() on its tool-bar action and
// puts the texts returned here into the message field.
class CompressButton final
{
public:
    static constexpr const char *kCompress = "Comprimi";
    static constexpr const char *kRestore = "Decomprimi";

    struct State
    {
        QString key = QString::fromLatin1(kCompress);
        QString toolTip = Texts::tr("Comprimi SMS");
        bool pressed = false;
        bool enabled = false;
    };

    // UpdateCompressButton, after every change of the text.
    void UpdateCompressButton(const QString &text);

    // The button was pressed with the current text: returns the text the
    // field gets (compressed, or the saved one).
    QString press(const QString &text);

    // DecomprimiSMS: the text before the last compression.
    QString DecomprimiSMS() const;

    // NewMessage releases the button; the key stays as it is.
    void release();

    const State &button() const;
    const QString &savedText() const;

private:
    State m_state;
    QString m_savedText;
};

} // namespace brio
