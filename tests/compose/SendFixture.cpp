#include "SendFixture.h"

#include "gateway/GatewayFactory.h"
#include "history/SentHistory.h"
#include "store/Database.h"

#include <QTest>

namespace brio::test {

FakeSendView::FakeSendView(TestEnv &env)
    : m_env(env)
{
}

int FakeSendView::recipientEntries() const
{
    return int(m_env.db().scalar(QStringLiteral("SELECT (SELECT COUNT(*) FROM tab_dest_number) + "
                                                "(SELECT COUNT(*) FROM tab_dest_msg) + "
                                                "(SELECT COUNT(*) FROM tab_dest_liste)")));
}

// The fields and the pointer as the window holds them.
bool FakeSendView::wholeAddressBook() const { return whole; }
QString FakeSendView::messageText() const { return text; }
bool FakeSendView::deferred() const { return deferredSend; }
QString FakeSendView::dateText() const { return date; }
QString FakeSendView::timeText() const { return time; }
void FakeSendView::setDateText(const QString &t) { date = t; }
void FakeSendView::setTimeText(const QString &t) { time = t; }
void FakeSendView::focusField(Field field, bool) { focused.append(field); }
QString FakeSendView::statusText() const { return status; }
void FakeSendView::setBusy(bool b) { busy = b; }

void FakeSendView::setStatusText(const QString &t)
{
    status = t;
    statusHistory << t;
}

void FakeSendView::processEvents()
{
    ++processed;
    if (onProcessEvents)
        onProcessEvents();
}

void FakeSendView::refreshStatus()
{
    setStatusText(QStringLiteral("Credito residuo: %1 SMS").arg(m_env.session.refreshCredit()));
}

void FakeSendView::newMessage()
{
    ++cleared;
    for (const char *table : {"tab_dest_msg", "tab_dest_number", "tab_dest_liste", "tab_stringa_messaggio"})
        m_env.db().run(QStringLiteral("DELETE FROM ") + QLatin1String(table));
    text.clear();
}

namespace {

GatewayControl &pick(GatewayControl *given, TestEnv &env)
{
    if (given)
        env.session.useGateway(*given);
    return env.session.gateway();
}

} // namespace

SendFixture::SendFixture(GatewayControl *given)
    : gateway(pick(given, env))
    , view(env)
    , send(*env.ctx, view)
{
    // The checks that follow a send talk to the provider; they have their
    // own tests.
    env.session.setServerChecksDone(true);
}

void SendFixture::logIn()
{
    env.session.setAccount(QStringLiteral("prova"), QStringLiteral("prova"));
    env.session.logIn();
}

qint64 SendFixture::addTypedNumber(const QString &number)
{
    env.db().run(QStringLiteral("INSERT INTO tab_dest_number (Numero) VALUES (?)"), {number});
    return env.db().lastInsertId();
}

void SendFixture::chooseContact(qint64 id)
{
    env.db().run(QStringLiteral("INSERT INTO tab_dest_msg (IDDestinatario) VALUES (?)"), {id});
}

void SendFixture::chooseGroup(qint64 groupId)
{
    env.db().run(QStringLiteral("INSERT INTO tab_dest_liste (IDLista) VALUES (?)"), {groupId});
}

void SendFixture::chooseOverlappingGroups()
{
    QList<qint64> c;
    for (int i = 1; i <= 5; ++i)
        c << env.addContact(QStringLiteral("Contatto %1").arg(i), QStringLiteral("+39333000000%1").arg(i));
    chooseGroup(env.addGroup(QStringLiteral("Uno"), {c[0], c[1], c[2]}));
    chooseGroup(env.addGroup(QStringLiteral("Due"), {c[2], c[3], c[4]}));
}

qint64 SendFixture::stateRows() const
{
    return view.recipientEntries();
}

QList<SandboxGateway::Message> SendFixture::outbox() const
{
    return SandboxGateway::outbox(sandboxFile(env.state.InstallDir));
}

QStringList SendFixture::sortedOutboxRecipients() const
{
    QStringList out;
    for (const auto &m : outbox())
        out << m.recipient;
    out.sort();
    return out;
}

SendProcedure::Outcome SendFixture::sendAnswering(Answer answer)
{
    env.prompter.answer(answer);
    return send.run();
}

void SendFixture::verifyMessageKept(qint64 rows) const
{
    QCOMPARE(stateRows(), rows);
    QCOMPARE(view.text, QStringLiteral("ciao"));
    QCOMPARE(view.cleared, 0);
    QVERIFY(!view.busy);
}

QStringList historyOfOnlySend(Database &db)
{
    const QList<SentEntry> sends = readSends(db, {});
    if (sends.size() != 1) {
        QTest::qFail(qPrintable(QStringLiteral("%1 sends in the history").arg(sends.size())), __FILE__, __LINE__);
        return {};
    }
    QStringList out;
    for (const SentRecipient &r : readSentRecipients(db, sends.first().id))
        out << r.number + QLatin1Char(' ') + outcomeWord(r.outcome);
    return out;
}

} // namespace brio::test
