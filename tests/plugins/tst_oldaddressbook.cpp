#include "mock/TestEnv.h"
#include "plugins/JetFixture.h"
#include "plugins/OldAddressBook.h"

#include <QProcess>
#include <QTest>

using namespace brio;
using namespace brio::test;

class TestOldAddressBook final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The written file is a Jet 4 database as Debian's own tools read it,
    // accents and all, over many pages.
    void fixtureIsReadByMdbtools()
    {
        TestEnv env;
        const QString file = env.path(QStringLiteral("old.mdb"));
        QList<std::pair<QString, JetText>> contacts{{QStringLiteral("Niccolò Àlberti"), QStringLiteral("333 1234567")},
                                                    {QStringLiteral("D’Amico €"), std::nullopt},
                                                    {QStringLiteral("Vuoto"), QString()}};
        for (int i = 0; i < 5000; ++i)
            contacts.append({QStringLiteral("Contatto %1").arg(i), QStringLiteral("333%1").arg(1000000 + i)});
        writeOldBook(file, contacts);

        auto run = [](const QStringList &args) {
            QProcess p;
            p.start(QStringLiteral("mdb-%1").arg(args.first()), args.mid(1));
            if (!p.waitForFinished(60000) || p.exitCode() != 0)
                return QStringList{QStringLiteral("failed: ") + QString::fromUtf8(p.readAllStandardError())};
            return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        };
        QCOMPARE(run({QStringLiteral("tables"), QStringLiteral("-1"), file}), QStringList{QStringLiteral("tab_destinatari")});
        const QStringList rows = run({QStringLiteral("export"), file, QStringLiteral("tab_destinatari")});
        QCOMPARE(rows.size(), 1 + 3 + 5000);
        QCOMPARE(rows.at(0), QStringLiteral("Nominativo,numero,Indirizzo,CAP,Citta,Prov,Regione,e_mail"));
        QCOMPARE(rows.at(1), QStringLiteral("\"Niccolò Àlberti\",\"333 1234567\",\"Via Garibaldi 7\",\"47121\",\"Forlì\",\"FC\",,"));
        QCOMPARE(rows.at(2).section(QLatin1Char(','), 0, 1), QStringLiteral("\"D’Amico €\","));
        QCOMPARE(rows.last().section(QLatin1Char(','), 0, 1), QStringLiteral("\"Contatto 4999\",\"3331004999\""));
    }

    // The reader itself tells a null number from an empty one, which the
    // import treats differently.
    void readsNullAndEmptyApart()
    {
        TestEnv env;
        const QString file = env.path(QStringLiteral("old.mdb"));
        writeOldBook(file, {{QStringLiteral("Nullo"), std::nullopt}, {QStringLiteral("Vuoto"), QString()}});
        const QList<OldContact> read = readOldAddressBook(file);
        QCOMPARE(read.size(), 2);
        QVERIFY(read[0].numeroIsNull);
        QVERIFY(!read[1].numeroIsNull);
        QCOMPARE(read[1].Citta, QStringLiteral("Forlì"));
    }

    void NormaliseOldNumber_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("normalised"); // empty: a bad number
        QTest::newRow("blank inside") << "333 1234567" << "+393331234567";
        QTest::newRow("plus, slash, 6 digits") << "+39 347/123456" << "+39347123456";
        QTest::newRow("leading zero") << "0347-1234567" << "+393471234567";
        QTest::newRow("dots and letters") << "tel. 338.123.4567" << "+393381234567";
        QTest::newRow("international zeros") << "0039 333 1234567" << "";
        QTest::newRow("own digits begin with 39") << "3921234567" << "";
        QTest::newRow("5 digits after the prefix") << "333 12345" << "";
        QTest::newRow("8 digits after the prefix") << "333 12345678" << "";
        QTest::newRow("prefix not allowed") << "999 1234567" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("no digits") << "cellulare" << "";
    }

    void NormaliseOldNumber()
    {
        QFETCH(QString, stored);
        QFETCH(QString, normalised);
        TestEnv env;
        QCOMPARE(brio::NormaliseOldNumber(*env.ctx, stored), normalised);
        QCOMPARE(env.state.PrefixOK && env.state.NumberOK, !normalised.isEmpty());
        // The prefixes read once for a whole import give the same answers.
        const QSet<QString> allowed = allowedPrefixSet(env.db());
        QCOMPARE(brio::NormaliseOldNumber(*env.ctx, stored, &allowed), normalised);
    }
};

QTEST_GUILESS_MAIN(TestOldAddressBook)
#include "tst_oldaddressbook.moc"
