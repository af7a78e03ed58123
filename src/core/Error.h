#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace brio {

// Error numbers the program reacts to by number. Database numbers keep the
// values of the engine the program was first written for, since handlers and
// messages are keyed on them.
namespace ErrorNo {
constexpr int InvalidPath = 3044;
constexpr int NoCurrentRecord = 3021;
constexpr int DuplicateKey = 3022;
constexpr int FieldTooSmall = 3163;
constexpr int DatabaseLocked = 3260;
constexpr int NotADatabase = 3343;
constexpr int DatabaseGeneric = 3146;
constexpr int InvalidText = 3421; // a NUL or text that is not valid Unicode

// Gateway control failures.
constexpr int GatewayGeneric = 28374;
constexpr int GatewayBadCredentials = 28375;
constexpr int GatewayBadParameters = 28376;
constexpr int GatewayCredit = 28377;
constexpr int GatewayMaxQueue = 28378;
constexpr int GatewayNoConnection = 28379;
constexpr int GatewayWrongNumbers = 28380;
constexpr int GatewaySender = 28381;
constexpr int GatewayDate = 28382;
constexpr int GatewayServer = 28383;
constexpr int GatewayAppCode = 28384;

// Outside the gateway's range, so that the server is not blamed for them; shown
// with their own description.
// A gateway address (setting Gateway/URL or --gateway) that names no usable
// gateway; the description names the setting and the value.
constexpr int BadGatewayAddress = 29001;
// A server whose certificate was refused; the description names the server.
constexpr int UntrustedServer = 29002;
// The address book's sync with a CardDAV server: no account set, the server
// out of reach, user or password refused, a reply that is no usable answer,
// a card changed on the server meanwhile (412).
constexpr int CardDavSetup = 29010;
constexpr int CardDavNetwork = 29011;
constexpr int CardDavAuth = 29012;
constexpr int CardDavGarbage = 29013;
constexpr int CardDavChanged = 29014;
// The receiver of delivery reports cannot listen on its address and port.
constexpr int ReportsListen = 29020;

constexpr int Internal = 5; // "invalid procedure call": a program fault
} // namespace ErrorNo

// A failing operation: a number and a description, thrown to the event handler,
// which shows it with ReportError.
class Error final : public std::exception
{
public:
    Error(int number, QString description);

    int number() const noexcept;
    const QString &description() const noexcept;
    const char *what() const noexcept override;

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

} // namespace brio
