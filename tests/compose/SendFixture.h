#pragma once

#include "compose/SendProcedure.h"
#include "gateway/SandboxGateway.h"
#include "mock/FakeWindows.h"
#include "mock/TestEnv.h"

#include <QStringList>
#include <functional>

namespace brio::test {

// The main window as the send sees it: fields, status panel and pointer,
// with RefreshStatus and NewMessage doing what the window's do.
class FakeSendView final : public SendView
{
public:
    explicit FakeSendView(TestEnv &env);

    bool wholeAddressBook() const override;
    int recipientEntries() const override; // the lists mirror the tables
    QString messageText() const override;
    bool deferred() const override;
    QString dateText() const override;
    QString timeText() const override;
    void setDateText(const QString &text) override;
    void setTimeText(const QString &text) override;
    void focusField(Field field, bool selectAll) override;
    QString statusText() const override;
    void setStatusText(const QString &text) override;
    void setBusy(bool busy) override;
    void processEvents() override;
    void refreshStatus() override;
    void newMessage() override;

    bool whole = false;
    QString text = QStringLiteral("ciao");
    bool deferredSend = false;
    QString date = QStringLiteral("__-__-____");
    QString time = QStringLiteral("__:__");

    QString status = QStringLiteral("Credito residuo: ? SMS");
    QStringList statusHistory;
    bool busy = false;
    int processed = 0;
    int cleared = 0;
    QList<Field> focused;
    std::function<void()> onProcessEvents;

private:
    TestEnv &m_env;
};

// A data folder with the account "prova" already logged in on the control.
struct SendFixture
{
    explicit SendFixture(GatewayControl *gateway = nullptr); // null: the sandbox driver

    void logIn();
    qint64 addTypedNumber(const QString &number);
    void chooseContact(qint64 id);
    void chooseGroup(qint64 groupId);
    // Two chosen groups of three contacts, +393330000001..5, the third in both.
    void chooseOverlappingGroups();
    qint64 stateRows() const;                // rows of the three message-state tables
    QList<SandboxGateway::Message> outbox() const;
    QStringList sortedOutboxRecipients() const;

    // Runs the send with this answer to its confirmation.
    SendProcedure::Outcome sendAnswering(Answer answer = Answer::Yes);
    // Test check: the message is still there to send again, as prepared.
    void verifyMessageKept(qint64 rows) const;

    TestEnv env;
    FakeWindows &windows = env.windows;
    GatewayControl &gateway; // the session's
    FakeSendView view;
    SendProcedure send;
};

// The only send of the history, each recipient as "number outcome";
// fails the test when there is not exactly one.
QStringList historyOfOnlySend(Database &db);

} // namespace brio::test
