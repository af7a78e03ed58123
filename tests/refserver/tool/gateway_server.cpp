// The reference gateway on loopback, for trying the program by hand:
//
//     briosms_gateway_server [USER PASSWORD CREDIT]
//
// prints the --gateway argument to give the program and every message the
// gateway delivers, until interrupted.
#include "refserver/JsonGateway.h"
#include "refserver/ReferenceServer.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

using namespace brio::test;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString user = args.size() > 3 ? args.at(1) : QStringLiteral("prova");
    const QString password = args.size() > 3 ? args.at(2) : QStringLiteral("prova");
    const qint64 credit = args.size() > 3 ? args.at(3).toLongLong() : 100;

    JsonGateway gateway;
    ReferenceServer server;
    gateway.install(server);
    gateway.addAccount(user, password, credit);
    gateway.addAccount(QStringLiteral("demo"), QStringLiteral("demo"), 10, true);

    QTextStream out(stdout);
    out << "Account " << user << " / " << password << ", credit " << credit << "; demo account demo / demo\n"
        << "Start the program with:  ./run --gateway " << gateway.url(server) << "\n"
        << Qt::flush;

    qsizetype shown = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        const auto delivered = gateway.delivered();
        for (; shown < delivered.size(); ++shown) {
            const auto &m = delivered.at(shown);
            out << m.account << "\t+" << m.to << '\t' << m.when << '\t' << m.text << '\n';
        }
        out << Qt::flush;
    });
    poll.start(500);
    return QCoreApplication::exec();
}
