#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace brio {

// When a message leaves: now, or at a date and time (to the minute, local).
// The stored files, the sandbox and the send log keep it as text ("NOW" or
// "dd-MM-yyyy HH:mm"): converted only there and where a request is built.
class SendTime final
{
public:
    SendTime(); // now
    static SendTime now();
    // An invalid moment is now.
    static SendTime at(const QDateTime &moment);
    // nullopt for a text that is neither.
    static std::optional<SendTime> fromStoredText(const QString &text);

    bool isNow() const;
    QDateTime moment() const; // invalid for now
    QString storedText() const;

    bool operator==(const SendTime &other) const;

private:
    QDateTime m_moment;
    QString m_text; // made once: a send hands it over with every message
};

} // namespace brio
