#include "compose/Compression.h"

#include <QTest>

using namespace brio;

class TestCompression : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compressText_data();
    void compressText();
    void counter_data();
    void counter();
    void buttonFollowsText();
    void compressTypeSpaceCompressAgain();
    void editCompressedThenRestore();
    void newMessageReleases();
};

void TestCompression::compressText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("compressed");

    QTest::newRow("sentence") << "ciao a tutti, ci vediamo domani" << "CiaoATutti,CiVediamoDomani";
    QTest::newRow("two spaces") << "a  b" << "AB";
    QTest::newRow("leading and trailing spaces") << " ciao mondo " << "CiaoMondo";
    QTest::newRow("only spaces") << "   " << "";
    QTest::newRow("later letters keep their case") << "buON giORNO" << "BuONGiORNO";
    QTest::newRow("line break and tab stay inside") << "uno\ndue\ttre quattro" << "Uno\ndue\ttreQuattro";
    QTest::newRow("accented first letter") << "è già ora" << "ÈGiàOra";
    QTest::newRow("digits and punctuation") << "alle 8, domani!" << "Alle8,Domani!";
}

void TestCompression::compressText()
{
    QFETCH(QString, text);
    QFETCH(QString, compressed);
    QCOMPARE(CompressText(text), compressed);
}

void TestCompression::counter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("label");

    QTest::newRow("empty") << "" << "Testo (160):";
    QTest::newRow("one") << "a" << "Testo (159):";
    QTest::newRow("full") << QString(160, QLatin1Char('x')) << "Testo (0):";
}

void TestCompression::counter()
{
    QFETCH(QString, text);
    QFETCH(QString, label);
    QCOMPARE(messageCounterText(text), label);
}

void TestCompression::buttonFollowsText()
{
    CompressButton b;
    QVERIFY(!b.button().enabled);

    // A single word, however it grows, never enables the button.
    for (const char *t : {"c", "ci", "cia", "ciao"}) {
        b.UpdateCompressButton(QString::fromLatin1(t));
        QVERIFY(!b.button().enabled);
    }
    b.UpdateCompressButton(QStringLiteral("ciao "));
    QVERIFY(b.button().enabled);
    QCOMPARE(b.button().key, QStringLiteral("Comprimi"));
    QCOMPARE(b.button().toolTip, QStringLiteral("Comprimi SMS"));
    QVERIFY(!b.button().pressed);

    // Compressing: the result has no space but the button stays to undo it.
    QCOMPARE(b.press(QStringLiteral("ciao a te")), QStringLiteral("CiaoATe"));
    b.UpdateCompressButton(QStringLiteral("CiaoATe"));
    QVERIFY(b.button().enabled);
    QVERIFY(b.button().pressed);
    QCOMPARE(b.button().key, QStringLiteral("Decomprimi"));
    QCOMPARE(b.button().toolTip, QStringLiteral("Annulla Compressione"));

    // Emptying the text disables it, even when compressed.
    b.UpdateCompressButton(QString());
    QVERIFY(!b.button().enabled);

    // Restoring through the button.
    b.UpdateCompressButton(QStringLiteral("CiaoATe"));
    QCOMPARE(b.press(QStringLiteral("CiaoATe")), QStringLiteral("ciao a te"));
    b.UpdateCompressButton(QStringLiteral("ciao a te"));
    QVERIFY(b.button().enabled);
    QVERIFY(!b.button().pressed);
    QCOMPARE(b.button().key, QStringLiteral("Comprimi"));
    QCOMPARE(b.button().toolTip, QStringLiteral("Comprimi SMS"));
}

void TestCompression::compressTypeSpaceCompressAgain()
{
    CompressButton b;
    b.UpdateCompressButton(QStringLiteral("a b"));
    const QString first = b.press(QStringLiteral("a b"));
    b.UpdateCompressButton(first);
    QCOMPARE(b.savedText(), QStringLiteral("a b"));

    // Typing a space turns the button back into "Comprimi", released.
    const QString edited = first + QStringLiteral(" c");
    b.UpdateCompressButton(edited);
    QCOMPARE(b.button().key, QStringLiteral("Comprimi"));
    QVERIFY(!b.button().pressed);

    QCOMPARE(b.press(edited), QStringLiteral("ABC"));
    QCOMPARE(b.savedText(), QStringLiteral("AB c"));
    QCOMPARE(b.DecomprimiSMS(), QStringLiteral("AB c"));
}

void TestCompression::editCompressedThenRestore()
{
    CompressButton b;
    b.UpdateCompressButton(QStringLiteral("ci vediamo"));
    b.UpdateCompressButton(b.press(QStringLiteral("ci vediamo")));

    // Edits without a space keep "Decomprimi"; pressing brings back the
    // text saved before compression and the edits are lost.
    b.UpdateCompressButton(QStringLiteral("CiVediamoDopo"));
    QVERIFY(b.button().enabled);
    QCOMPARE(b.button().key, QStringLiteral("Decomprimi"));
    QCOMPARE(b.press(QStringLiteral("CiVediamoDopo")), QStringLiteral("ci vediamo"));
}

void TestCompression::newMessageReleases()
{
    CompressButton b;
    b.UpdateCompressButton(QStringLiteral("a b"));
    b.press(QStringLiteral("a b"));
    b.release();
    b.UpdateCompressButton(QString());
    QVERIFY(!b.button().pressed);
    QVERIFY(!b.button().enabled);
    // The key stays until a text with a space comes.
    QCOMPARE(b.button().key, QStringLiteral("Decomprimi"));
    b.UpdateCompressButton(QStringLiteral("nuovo testo"));
    QCOMPARE(b.button().key, QStringLiteral("Comprimi"));
    QVERIFY(b.button().enabled);
}

QTEST_GUILESS_MAIN(TestCompression)
#include "tst_compression.moc"
