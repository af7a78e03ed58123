#include "sms/GsmText.h"

#include <QTest>

using namespace brio;

namespace {

// The two GSM 03.38 tables as the standard prints them, septet by septet.
const QString kBasicTable = QStringLiteral(
    "@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞ\x1b" "ÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
    "¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà");
const QList<QPair<QChar, int>> kExtensionTable{{u'\f', 0x0A}, {u'^', 0x14}, {u'{', 0x28}, {u'}', 0x29}, {u'\\', 0x2F},
                                               {u'[', 0x3C},  {u'~', 0x3D}, {u']', 0x3E}, {u'|', 0x40}, {u'€', 0x65}};

} // namespace

class TestGsmText final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every character of both tables encodes to its septet(s) and back.
    void bothTables()
    {
        QCOMPARE(kBasicTable.size(), 128);
        for (int code = 0; code < 128; ++code) {
            if (code == 0x1B)
                continue;
            const QString c = kBasicTable.mid(code, 1);
            QCOMPARE(gsmSeptets(c.at(0).unicode()), 1);
            QCOMPARE(encodeGsm7(c), std::optional<QByteArray>(QByteArray(1, char(code))));
            QCOMPARE(decodeGsm7(QByteArray(1, char(code))), c);
        }
        for (const auto &[c, code] : kExtensionTable) {
            const QByteArray septets{"\x1b", 1};
            QCOMPARE(gsmSeptets(c.unicode()), 2);
            QCOMPARE(encodeGsm7(QString(c)), std::optional<QByteArray>(septets + char(code)));
            QCOMPARE(decodeGsm7(septets + char(code)), QString(c));
        }
        // The escape itself and characters of neither table.
        for (const char32_t c : {U'\x1b', U'È', U'’', U'`', U'ç', U'\t', U'😀'})
            QCOMPARE(gsmSeptets(c), 0);
        QVERIFY(!encodeGsm7(QStringLiteral("L’ora")));
        QCOMPARE(decodeGsm7(QByteArray("\x1b\x41", 2)), QStringLiteral("A")); // unknown extension: basic
    }

    void sizes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("coding");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("parts");
        const auto g = int(SmsCoding::Gsm7);
        const auto u = int(SmsCoding::Ucs2);
        const QString e = QStringLiteral("È");
        QTest::newRow("empty") << QString() << g << 0 << 0;
        QTest::newRow("160 septets") << QString(160, u'a') << g << 160 << 1;
        QTest::newRow("161 septets") << QString(161, u'a') << g << 161 << 2;
        QTest::newRow("306 septets") << QString(306, u'a') << g << 306 << 2;
        QTest::newRow("307 septets") << QString(307, u'a') << g << 307 << 3;
        QTest::newRow("153 + one more") << QString(154, u'a') << g << 154 << 1;
        QTest::newRow("80 euro") << QString(80, u'€') << g << 160 << 1;
        QTest::newRow("escape pair not split") << QString(152, u'a') + u'€' + QString(7, u'a') << g << 161 << 2;
        QTest::newRow("escape pair at the boundary") << QString(152, u'a') + u'[' + QString(152, u'a') << g << 306 << 3;
        QTest::newRow("70 UCS-2") << e + QString(69, u'a') << u << 70 << 1;
        QTest::newRow("71 UCS-2") << e + QString(70, u'a') << u << 71 << 2;
        QTest::newRow("134 UCS-2") << e + QString(133, u'a') << u << 134 << 2;
        QTest::newRow("135 UCS-2") << e + QString(134, u'a') << u << 135 << 3;
        QTest::newRow("surrogate pair not split") << e + QString(65, u'a') + QStringLiteral("😀") + QString(4, u'a')
                                                  << u << 72 << 2;
        QTest::newRow("surrogate at the boundary") << e + QString(65, u'a') + QStringLiteral("😀") + QString(67, u'a')
                                                   << u << 135 << 3;
    }

    void sizes()
    {
        QFETCH(QString, text);
        QFETCH(int, coding);
        QFETCH(int, units);
        QFETCH(int, parts);
        const SmsSize size = smsSize(text);
        QCOMPARE(int(size.coding), coding);
        QCOMPARE(size.units, units);
        QCOMPARE(size.parts, parts);
        QCOMPARE(size.single, coding == int(SmsCoding::Gsm7) ? 160 : 70);
    }

    void causesAndLookalikes()
    {
        const QString text = QStringLiteral("L’appuntamento È «confermato»… ok – 😀 ✓");
        QStringList causes;
        for (const Ucs2Cause &c : ucs2Causes(text))
            causes << QStringLiteral("%1@%2>%3").arg(c.character).arg(c.position).arg(c.lookalike);
        QCOMPARE(causes, (QStringList{"’@2>'", "È@16>E'", "«@18>\"", "»@29>\"", "…@30>...", "–@35>-", "😀@37>",
                                      "✓@39>"}));

        int caret = int(text.indexOf(QStringLiteral("ok"))); // after two longer replacements
        const QString fixed = replaceLookalikes(text, &caret);
        QCOMPARE(fixed, QStringLiteral("L'appuntamento E' \"confermato\"... ok - 😀 ✓"));
        QCOMPARE(fixed.mid(caret, 2), QStringLiteral("ok"));
        QCOMPARE(replaceLookalikes(QStringLiteral("già così")), QStringLiteral("già così"));
    }
};

QTEST_GUILESS_MAIN(TestGsmText)
#include "tst_gsmtext.moc"
