#pragma once

#include <QString>

namespace brio {

class Settings;

// Where the form posts go, from section "Server": "Host" as name or address
// with an optional ":port", "TLS", "Timeout" in seconds.
struct ServerEndpoint
{
    QString hostHeader; // the configured text, sent as the Host header
    QString host;
    quint16 port = 80;
    bool tls = false;
    int timeoutMs = 20000;

    static ServerEndpoint fromSettings(const Settings &settings);
};

// Posts the form body to the path on the gateway host and returns the page
// from two characters after its body tag. The empty text when there is no
// host, the connection or the sending failed, or nothing arrived in time.
QString HttpPost(const Settings &settings, const QString &body, const QString &path);

// Every character as "%" and two upper-case hex digits of its Windows-1252
// code, letters and digits included. Throws Error when the code page cannot
// be converted to.
QString URLEncode(const QString &text);

// IPv4 address of a dotted address or host name, in network byte order;
// 0xFFFFFFFF when it cannot be resolved.
quint32 ResolveHost(const QString &name);

} // namespace brio
