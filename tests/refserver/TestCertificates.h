#pragma once

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>

namespace brio::test {

// A throw-away certificate authority and a server certificate it signed for
// 127.0.0.1 and localhost, made in `folder` with Debian's openssl. `error` is
// empty when it worked.
struct TestCertificates
{
    QSslCertificate authority;
    QSslConfiguration server; // for ReferenceServer
    QString error;

    static TestCertificates make(const QString &folder);
};

} // namespace brio::test
