#include "mock/FakeGateway.h"

#include "core/Error.h"

namespace brio::test {

void FakeGateway::setUserName(const QString &u)
{
    calls << QStringLiteral("UserName=") + u;
    user = u;
}

void FakeGateway::setPassword(const QString &p)
{
    calls << QStringLiteral("Password");
    password = p;
}

void FakeGateway::setAuthenticated(bool a)
{
    calls << QStringLiteral("Authenticated");
    authenticated = a;
}

void FakeGateway::check()
{
    if (user != acceptUser || password != acceptPassword)
        throw Error(ErrorNo::GatewayBadCredentials, QStringLiteral("refused"));
}

bool FakeGateway::isDemo()
{
    calls << QStringLiteral("IsDemo");
    check();
    return demo;
}

qint64 FakeGateway::getCredit()
{
    calls << QStringLiteral("GetCredit");
    check();
    if (failCreditOnceDelivered && !delivered.isEmpty())
        throw Error(failCreditOnceDelivered, QStringLiteral("scripted"));
    return credit;
}

void FakeGateway::transmit()
{
    calls << QStringLiteral("Transmit");
    // Like the real drivers: a refused send is dropped whole, never kept for the next one.
    if (failTransmitWith) {
        added.clear();
        throw Error(failTransmitWith, QStringLiteral("scripted"));
    }
    for (int i = 0; i < wrongNumbers; ++i)
        Q_EMIT wrongNumber();
}

void FakeGateway::closeConnection()
{
    calls << QStringLiteral("CloseConnection");
    if (failCloseWith) {
        added.clear();
        throw Error(failCloseWith, QStringLiteral("scripted"));
    }
    delivered += added;
    credit -= added.size();
    added.clear();
}

} // namespace brio::test
