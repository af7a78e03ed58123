#include "compose/Compression.h"

#include <QTest>

using namespace brio;

namespace {

// The button as the tool bar shows it.
QString shown(const CompressButton &b)
{
    const CompressButton::State &s = b.button();
    return s.key + QStringLiteral(", ") + s.toolTip + QLatin1String(s.pressed ? ", pressed" : "")
        + QLatin1String(s.enabled ? "" : ", disabled");
}

const QString kCompress = QStringLiteral("Comprimi, Comprimi SMS");
const QString kRestore = QStringLiteral("Decomprimi, Annulla Compressione, pressed");

} // namespace

class TestCompression final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compressText_data()
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

    void compressText()
    {
        QFETCH(QString, text);
        QFETCH(QString, compressed);
        QCOMPARE(CompressText(text), compressed);
    }

    void buttonFollowsText()
    {
        CompressButton b;
        QCOMPARE(shown(b), kCompress + QStringLiteral(", disabled"));
        // A single word leaves it disabled (the main window's test); a
        // trailing space is enough.
        b.UpdateCompressButton(QStringLiteral("ciao "));
        QCOMPARE(shown(b), kCompress);

        // Compressed, the text has no space but the button stays to undo it.
        QCOMPARE(b.press(QStringLiteral("ciao a te")), QStringLiteral("CiaoATe"));
        b.UpdateCompressButton(QStringLiteral("CiaoATe"));
        QCOMPARE(shown(b), kRestore);
        b.UpdateCompressButton(QString());
        QVERIFY(!b.button().enabled);

        b.UpdateCompressButton(QStringLiteral("CiaoATe"));
        QCOMPARE(b.press(QStringLiteral("CiaoATe")), QStringLiteral("ciao a te"));
        b.UpdateCompressButton(QStringLiteral("ciao a te"));
        QCOMPARE(shown(b), kCompress);

        // A new message releases the button; the key stays until a text with
        // a space comes.
        b.press(QStringLiteral("ciao a te"));
        b.release();
        b.UpdateCompressButton(QString());
        QCOMPARE(shown(b), QStringLiteral("Decomprimi, Annulla Compressione, disabled"));
        b.UpdateCompressButton(QStringLiteral("nuovo testo"));
        QCOMPARE(shown(b), kCompress);
    }

    void editingCompressedText()
    {
        CompressButton b;
        b.UpdateCompressButton(QStringLiteral("a b"));
        b.UpdateCompressButton(b.press(QStringLiteral("a b")));
        // Edits without a space keep "Decomprimi", which restores the text
        // saved before compression.
        b.UpdateCompressButton(QStringLiteral("ABx"));
        QCOMPARE(shown(b), kRestore);
        QCOMPARE(b.DecomprimiSMS(), QStringLiteral("a b"));

        // A space typed turns the button back into "Comprimi", released; the
        // next compression saves the edited text instead.
        b.UpdateCompressButton(QStringLiteral("ABx c"));
        QCOMPARE(shown(b), kCompress);
        QCOMPARE(b.press(QStringLiteral("ABx c")), QStringLiteral("ABxC"));
        QCOMPARE(b.savedText(), QStringLiteral("ABx c"));
        QCOMPARE(b.DecomprimiSMS(), QStringLiteral("ABx c"));
    }
};

QTEST_GUILESS_MAIN(TestCompression)
#include "tst_compression.moc"
