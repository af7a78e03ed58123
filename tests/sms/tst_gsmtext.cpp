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

    // At and around every part boundary: 160 septets for one message, 153 a
    // part beyond; 70 UTF-16 units, then 67. An escape pair or a surrogate
    // pair that would straddle a boundary opens the next part.
    void sizes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("coding");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("parts");
        QTest::addColumn<int>("left");
        const auto g = int(SmsCoding::Gsm7);
        const auto u = int(SmsCoding::Ucs2);
        const QString e = QStringLiteral("È");
        const QString emoji = QStringLiteral("😀");
        auto a = [](int n) { return QString(n, u'a'); };
        QTest::newRow("empty") << QString() << g << 0 << 0 << 160;
        QTest::newRow("1 septet") << a(1) << g << 1 << 1 << 159;
        QTest::newRow("159 septets") << a(159) << g << 159 << 1 << 1;
        QTest::newRow("160 septets") << a(160) << g << 160 << 1 << 0;
        QTest::newRow("161 septets") << a(161) << g << 161 << 2 << 145;
        QTest::newRow("305 septets") << a(305) << g << 305 << 2 << 1;
        QTest::newRow("306 septets") << a(306) << g << 306 << 2 << 0;
        QTest::newRow("307 septets") << a(307) << g << 307 << 3 << 152;
        QTest::newRow("459 septets") << a(459) << g << 459 << 3 << 0;
        QTest::newRow("460 septets") << a(460) << g << 460 << 4 << 152;
        QTest::newRow("612 septets") << a(612) << g << 612 << 4 << 0;
        QTest::newRow("1530 septets") << a(1530) << g << 1530 << 10 << 0;
        QTest::newRow("1531 septets") << a(1531) << g << 1531 << 11 << 152;
        QTest::newRow("80 euro") << QString(80, u'€') << g << 160 << 1 << 0;
        QTest::newRow("79 euro and one") << QString(79, u'€') + a(1) << g << 159 << 1 << 1;
        QTest::newRow("79 euro and two") << QString(79, u'€') + a(2) << g << 160 << 1 << 0;
        QTest::newRow("81 euro") << QString(81, u'€') << g << 162 << 2 << 143;
        QTest::newRow("escape after 153") << a(153) + u'€' << g << 155 << 1 << 5;
        QTest::newRow("escape makes 161") << a(159) + u'€' << g << 161 << 2 << 145;
        QTest::newRow("escape pair not split") << a(152) + u'€' + a(7) << g << 161 << 2 << 144;
        QTest::newRow("escape pair at the boundary") << a(152) + u'[' + a(152) << g << 306 << 3 << 152;
        QTest::newRow("escape fills part 2") << a(304) + u'€' << g << 306 << 2 << 0;
        QTest::newRow("escape opens part 3") << a(305) + u'€' << g << 307 << 3 << 151;
        QTest::newRow("69 UCS-2") << e + a(68) << u << 69 << 1 << 1;
        QTest::newRow("70 UCS-2") << e + a(69) << u << 70 << 1 << 0;
        QTest::newRow("71 UCS-2") << e + a(70) << u << 71 << 2 << 63;
        QTest::newRow("133 UCS-2") << e + a(132) << u << 133 << 2 << 1;
        QTest::newRow("134 UCS-2") << e + a(133) << u << 134 << 2 << 0;
        QTest::newRow("135 UCS-2") << e + a(134) << u << 135 << 3 << 66;
        QTest::newRow("268 UCS-2") << e + a(267) << u << 268 << 4 << 0;
        QTest::newRow("269 UCS-2") << e + a(268) << u << 269 << 5 << 66;
        QTest::newRow("35 emoji") << emoji.repeated(35) << u << 70 << 1 << 0;
        QTest::newRow("34 emoji and one") << emoji.repeated(34) + e << u << 69 << 1 << 1;
        QTest::newRow("35 emoji and one") << emoji.repeated(35) + a(1) << u << 71 << 2 << 62;
        QTest::newRow("surrogate pair not split") << e + a(65) + emoji + a(4) << u << 72 << 2 << 61;
        QTest::newRow("surrogate at the boundary") << e + a(65) + emoji + a(67) << u << 135 << 3 << 65;
        QTest::newRow("surrogate fills part 2") << e + a(131) + emoji << u << 134 << 2 << 0;
    }

    void sizes()
    {
        QFETCH(QString, text);
        QFETCH(int, coding);
        QFETCH(int, units);
        QFETCH(int, parts);
        QFETCH(int, left);
        const SmsSize size = smsSize(text);
        QCOMPARE(int(size.coding), coding);
        QCOMPARE(size.units, units);
        QCOMPARE(size.parts, parts);
        QCOMPARE(size.left, left);
        QCOMPARE(size.single, coding == int(SmsCoding::Gsm7) ? 160 : 70);
        QCOMPARE(fitsParts(text, parts), true);
        QCOMPARE(fitsParts(text, parts - 1), parts <= 1);
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
