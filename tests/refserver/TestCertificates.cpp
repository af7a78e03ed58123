#include "refserver/TestCertificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslKey>

namespace brio::test {

namespace {

QString openssl(const QString &folder, const QStringList &args)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("openssl %1: %2").arg(args.first(), QString::fromLocal8Bit(p.readAllStandardError()));
    return QString();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TestCertificates TestCertificates::make(const QString &folder)
{
    TestCertificates out;
    const QStringList ec{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                         QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    QFile ext(QDir(folder).filePath(QStringLiteral("server.ext")));
    if (!ext.open(QIODevice::WriteOnly)
        || ext.write("basicConstraints=CA:FALSE\nsubjectAltName=IP:127.0.0.1,DNS:localhost\n") < 0) {
        out.error = QStringLiteral("cannot write server.ext");
        return out;
    }
    ext.close();
    const QList<QStringList> steps{
        QStringList{"req", "-x509"} + ec
            + QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj", "/CN=BrioSMS test CA",
                          "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=keyCertSign,cRLSign"},
        QStringList{"req"} + ec + QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1"},
        QStringList{"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                    "-out", "server.pem", "-days", "2", "-extfile", "server.ext"},
    };
    for (const QStringList &step : steps) {
        out.error = openssl(folder, step);
        if (!out.error.isEmpty())
            return out;
    }
    const QDir dir(folder);
    out.authority = QSslCertificate(readFile(dir.filePath(QStringLiteral("ca.pem"))));
    out.server = QSslConfiguration::defaultConfiguration();
    out.server.setLocalCertificate(QSslCertificate(readFile(dir.filePath(QStringLiteral("server.pem")))));
    out.server.setPrivateKey(QSslKey(readFile(dir.filePath(QStringLiteral("server.key"))), QSsl::Ec));
    out.server.setPeerVerifyMode(QSslSocket::VerifyNone);
    if (out.authority.isNull() || out.server.localCertificate().isNull() || out.server.privateKey().isNull())
        out.error = QStringLiteral("openssl made no usable certificate");
    return out;
}

} // namespace brio::test
