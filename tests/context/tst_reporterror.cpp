#include "context/Context.h"
#include "mock/TestEnv.h"

#include <QTest>

using namespace brio;
using namespace brio::test;

class TestReportError final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gatewayNumbersShowTheirOwnText_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("28374") << 28374 << "Errore generico nel funzionamento di BrioSMS ActiveX. Contattare il supporto tecnico.";
        QTest::newRow("28375") << 28375 << "UserName o Password inserita errata. Riprovare.";
        QTest::newRow("28379") << 28379 << "La connessione ad Internet non è attiva. Connettersi e riprovare.";
        QTest::newRow("28384") << 28384 << "L'applicazione contiene un vcode errato. Contattare il supporto tecnico.";
        QTest::newRow("28373 is outside")
            << 28373 << "Si è verificato l'errore n. 28373 - descrizione. Se l'errore persiste, contattare il supporto tecnico.";
        QTest::newRow("28385 is outside")
            << 28385 << "Si è verificato l'errore n. 28385 - descrizione. Se l'errore persiste, contattare il supporto tecnico.";
    }

    void gatewayNumbersShowTheirOwnText()
    {
        QFETCH(int, number);
        QFETCH(QString, text);
        TestEnv env;
        ReportError(*env.ctx, Error(number, QStringLiteral("descrizione")));
        QCOMPARE(env.prompter.shown.size(), 1);
        QCOMPARE(env.prompter.last().text, text);
        QCOMPARE(env.prompter.last().icon, Icon::Critical);
        QCOMPARE(env.prompter.last().title, QStringLiteral("BrioSMS"));
        QVERIFY(env.shell.opened.isEmpty());
    }

    // The page with the account is tst_sendprocedure's insufficientCreditKeepsState
    // and, encoded, tst_menucommands' accountIsPercentEncoded; before any
    // login it gets empty values.
    void creditErrorOpensThePurchasePageFirst()
    {
        TestEnv env;
        ReportError(*env.ctx, Error(28377, QString()));
        QCOMPARE(env.shell.opened, QStringList{env.state.brand.buyLinkUrl + QStringLiteral("?user=&password=")});
        QCOMPARE(env.prompter.texts(),
                 QStringList{"Credito SMS insufficiente. E' necessario acquistare un nuovo pacchetto di SMS."});
    }

    void missingBrowserShowsTheAddress()
    {
        TestEnv env;
        env.shell.browserAvailable = false;
        OpenWebPage(*env.ctx, QStringLiteral("https://example.invalid/page"));
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY(env.prompter.last().text.contains(QStringLiteral("https://example.invalid/page")));
    }

    void guardedReportsAndStops()
    {
        TestEnv env;
        bool after = false;
        const bool ok = guarded(*env.ctx, [&] {
            throw Error(28379, QString());
            after = true;
        });
        QVERIFY(!ok);
        QVERIFY(!after);
        QCOMPARE(env.prompter.texts(), QStringList{"La connessione ad Internet non è attiva. Connettersi e riprovare."});
    }
};

QTEST_MAIN(TestReportError)
#include "tst_reporterror.moc"
