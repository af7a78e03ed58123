#include "Radicale.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace brio::test {

const QString kRadicaleUser = QStringLiteral("ufficio");
const QString kRadicalePassword = QStringLiteral("s3gr3ta");

namespace {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

Radicale::Radicale(const QString &folder)
    : m_folder(folder)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    m_port = probe.serverPort();
    probe.close();
    write(path(QStringLiteral("users")), (kRadicaleUser + QLatin1Char(':') + kRadicalePassword + QLatin1Char('\n')).toUtf8());
    write(path(QStringLiteral("config")), QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n"
                                                         "[auth]\ntype = htpasswd\nhtpasswd_filename = %2\n"
                                                         "htpasswd_encryption = plain\ndelay = 0\n"
                                                         "[storage]\nfilesystem_folder = %3\n"
                                                         "[rights]\ntype = owner_only\n"
                                                         "[logging]\nlevel = warning\n")
                                              .arg(m_port)
                                              .arg(path(QStringLiteral("users")), path(QStringLiteral("storage")))
                                              .toUtf8());
}

Radicale::~Radicale()
{
    stop();
}

bool Radicale::start()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("radicale"), {QStringLiteral("-C"), path(QStringLiteral("config"))});
    if (!m_process.waitForStarted(10000))
        return false;
    for (int i = 0; i < 300; ++i) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, m_port);
        if (s.waitForConnected(200))
            return true;
        if (m_process.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(100);
    }
    return false;
}

void Radicale::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QUrl Radicale::base() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_port));
}

QUrl Radicale::book() const
{
    return base().resolved(QUrl(QStringLiteral("/%1/ufficio/").arg(kRadicaleUser)));
}

bool Radicale::mkBook() const
{
    QProcess curl;
    curl.start(QStringLiteral("curl"),
               {QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-w"),
                QStringLiteral("%{http_code}"), QStringLiteral("-X"), QStringLiteral("MKCOL"), QStringLiteral("-u"),
                kRadicaleUser + QLatin1Char(':') + kRadicalePassword, QStringLiteral("-H"),
                QStringLiteral("Content-Type: application/xml"), QStringLiteral("--data"),
                QStringLiteral("<?xml version=\"1.0\"?><mkcol xmlns=\"DAV:\" "
                               "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><set><prop><resourcetype>"
                               "<collection/><C:addressbook/></resourcetype><displayname>Ufficio</displayname>"
                               "</prop></set></mkcol>"),
                book().toString()});
    return curl.waitForFinished(30000) && curl.readAllStandardOutput() == "201";
}

void Radicale::writeBook(const QList<QByteArray> &cards) const
{
    const QString folder = path(QStringLiteral("storage/collection-root/%1/ufficio").arg(kRadicaleUser));
    QDir().mkpath(folder);
    write(QDir(folder).filePath(QStringLiteral(".Radicale.props")),
          R"({"D:displayname": "Ufficio", "tag": "VADDRESSBOOK"})");
    for (qsizetype i = 0; i < cards.size(); ++i)
        write(QDir(folder).filePath(QStringLiteral("c%1.vcf").arg(i)), cards.at(i));
}

QString Radicale::path(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

} // namespace brio::test
