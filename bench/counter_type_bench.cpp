// counter-type: one character typed into a message of ten parts (1,520
// characters, written in lines) against one typed into a message of one
// part, in the same window: the counter, the alphabet check and the box's
// limit must not make a long text slow to write.
// counter-type-paragraph: the ten parts written as one paragraph, which Qt's
// text box lays out again whole at every key, against a bare text box of the
// same size holding the same paragraph: what the window adds to Qt's own cost.
#include "BenchCommon.h"
#include "mock/TestEnv.h"
#include "mock/Widgets.h"

#include "settings/Settings.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MessageTextEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <cstdio>

using namespace brio;
using brio::bench::median;

namespace {

constexpr int kRounds = 300;
constexpr double kTarget = 2.0;

// Milliseconds of each key press into a text of `length` characters, the
// character taken back (untimed) before the next one. The text is written
// in lines, as a long message is; `oneParagraph` makes it a single line.
QList<double> typeInto(QPlainTextEdit *edit, int length, bool oneParagraph = false)
{
    const QString base = oneParagraph ? QStringLiteral("Riunione di giovedì alle 18:30 in sala B, portate il verbale. ")
                                      : QStringLiteral("Riunione di giovedì alle 18:30 in sala B, portate il verbale.\n");
    edit->setPlainText(base.repeated(length / int(base.size()) + 1).left(length));
    edit->moveCursor(QTextCursor::End);
    QApplication::processEvents();
    QList<double> out;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer t;
        t.start();
        QTest::keyClick(edit, Qt::Key_A);
        QApplication::processEvents();
        out << bench::ms(t);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QApplication::processEvents();
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    bench::useOffscreenByDefault();
    QApplication app(argc, argv);
    test::TestEnv env;
    env.settings->set(Key::GatewayMaxParts, 10);
    MainWindow window(*env.ctx);
    window.show();
    QApplication::processEvents();
    auto *edit = test::child<MessageTextEdit>(window, "txt_messaggio");
    auto *counter = test::child<QLabel>(window, "lbl_messaggio");
    edit->setFocus();

    // Alternated, so that both meet the same state of the machine.
    QList<double> one, ten;
    for (int pass = 0; pass < 3; ++pass) {
        one += typeInto(edit, 140);
        ten += typeInto(edit, 1520);
    }
    // The last key press must have gone in and been counted.
    QTest::keyClick(edit, Qt::Key_A);
    if (edit->text().size() != 1521 || counter->text() != QStringLiteral("Testo (9, 10 SMS):")) {
        std::fprintf(stderr, "counter-type: the text has %d characters, the counter says %s\n",
                     int(edit->text().size()), qPrintable(counter->text()));
        return 1;
    }
    const double ratio = median(ten) / median(one);
    // One paragraph of 1,520 characters, in this window and in a bare text
    // box as wide, alternated; the bare box's own growth from one part to ten
    // is printed to show it is Qt's.
    QList<double> paragraph, plainOne, plainTen;
    QPlainTextEdit plain;
    plain.resize(edit->size());
    plain.show();
    for (int pass = 0; pass < 3; ++pass) {
        edit->activateWindow();
        edit->setFocus();
        paragraph += typeInto(edit, 1520, true);
        plain.activateWindow();
        plain.setFocus();
        plainOne += typeInto(&plain, 140, true);
        plainTen += typeInto(&plain, 1520, true);
    }
    const double paragraphRatio = median(paragraph) / median(plainTen);
    std::printf("# counter-type: one part %.3f ms, ten parts %.3f ms a key\n", median(one), median(ten));
    std::printf("counter-type: %.2f x (target <= %g) %s\n", ratio, kTarget, ratio <= kTarget ? "PASS" : "MISS");
    std::printf("# counter-type-paragraph: %.3f ms a key; bare text box %.3f ms (one part %.3f ms, %.2f x)\n",
                median(paragraph), median(plainTen), median(plainOne), median(plainTen) / median(plainOne));
    std::printf("counter-type-paragraph: %.2f x (target <= %g) %s\n", paragraphRatio, kTarget,
                paragraphRatio <= kTarget ? "PASS" : "MISS");
    return 0;
}
