#include "mock/Widgets.h"
#include "ui/EntryListView.h"
#include "ui/ListRoutines.h"

#include <QApplication>
#include <QKeySequence>
#include <QListView>
#include <QScreen>
#include <QScrollBar>
#include <QStringListModel>
#include <QTest>

using namespace brio;
using namespace brio::test;

namespace {

// Where a list shows its rows and what it has scrolled, selected and reached,
// as text to compare.
QStringList placement(QListView *list)
{
    const auto bar = [](const QScrollBar *b) {
        return QStringLiteral("%1..%2 page %3 step %4 at %5 %6")
            .arg(b->minimum())
            .arg(b->maximum())
            .arg(b->pageStep())
            .arg(b->singleStep())
            .arg(b->value())
            .arg(b->isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"));
    };
    QStringList out{bar(list->verticalScrollBar()), bar(list->horizontalScrollBar()),
                    QStringLiteral("viewport %1x%2").arg(list->viewport()->width()).arg(list->viewport()->height()),
                    QStringLiteral("current %1").arg(list->currentIndex().row())};
    QStringList selected;
    for (const QModelIndex &i : list->selectionModel()->selectedIndexes())
        selected << QString::number(i.row());
    selected.sort();
    out << QStringLiteral("selected ") + selected.join(QLatin1Char(','));
    const int rows = list->model()->rowCount();
    for (const int row : {0, 1, rows / 2, rows - 2, rows - 1}) {
        if (row < 0 || row >= rows)
            continue;
        const QRect r = list->visualRect(list->model()->index(row, 0));
        out << QStringLiteral("row %1 at %2,%3 %4x%5").arg(row).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    for (int y = -1; y <= list->viewport()->height(); y += 7) {
        for (const int x : {-1, 0, 150, list->viewport()->width() - 1})
            out << QStringLiteral("%1,%2 row %3").arg(x).arg(y).arg(list->indexAt(QPoint(x, y)).row());
    }
    return out;
}

} // namespace

class TestEntryListView final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // EntryListView places its rows by arithmetic; plain QListView, laid out
    // row by row, is the reference for where rows are, what the keys and the
    // mouse reach and how the list scrolls, before and after rows come and go.
    void entryListPlacesRowsAsQListView_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("byPixel");
        QTest::addColumn<bool>("longEntry");
        QTest::addColumn<bool>("extended");
        QTest::newRow("empty") << 0 << false << false << false;
        QTest::newRow("fits") << 3 << false << false << false;
        QTest::newRow("scrolls by rows") << 200 << false << false << false;
        QTest::newRow("scrolls by pixels") << 200 << true << false << false;
        // One row more or less moves the slider by less than a pixel.
        QTest::newRow("long") << 20000 << false << false << false;
        QTest::newRow("long, by pixels") << 20000 << true << false << false;
        QTest::newRow("wider than the list") << 40 << false << true << false;
        QTest::newRow("wider, extended selection") << 40 << false << true << true;
        QTest::newRow("extended selection") << 60 << false << false << true;
    }

    void entryListPlacesRowsAsQListView()
    {
        QFETCH(int, rows);
        QFETCH(bool, byPixel);
        QFETCH(bool, longEntry);
        QFETCH(bool, extended);
        QStringList texts;
        for (int row = 0; row < rows; ++row)
            texts << QStringLiteral("Contatto %1,+39333%2").arg(row, 4, 10, QLatin1Char('0')).arg(row);
        if (longEntry)
            texts[rows / 2] = QStringLiteral("Un nome lunghissimo che non entra nella lista,+393331234567");
        QStringListModel model(texts);

        EntryListView entry;
        QListView reference;
        reference.setUniformItemSizes(true);
        entry.setModel(&model);
        reference.setModel(&model);
        showWholeEntries(&reference);
        for (QListView *list : {static_cast<QListView *>(&entry), &reference}) {
            list->setSelectionMode(extended ? QAbstractItemView::ExtendedSelection
                                            : QAbstractItemView::SingleSelection);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            list->setVerticalScrollMode(byPixel ? QAbstractItemView::ScrollPerPixel
                                                : QAbstractItemView::ScrollPerItem);
            list->resize(220, 167);
            list->show();
        }
        QVERIFY(QTest::qWaitForWindowExposed(&entry));
        QVERIFY(QTest::qWaitForWindowExposed(&reference));
        // Only one of the two takes the focus, which makes its first row current.
        for (QListView *list : {static_cast<QListView *>(&entry), &reference})
            list->selectionModel()->setCurrentIndex(model.index(0), QItemSelectionModel::NoUpdate);
        const auto same = [&](const char *step) {
            // Drawing may post more drawing (a scroll bar shown).
            for (int round = 0; round < 3; ++round)
                QApplication::processEvents();
            const QStringList got = placement(&entry);
            const QStringList wanted = placement(&reference);
            if (got != wanted)
                qWarning() << step << "\n got:" << got << "\n wanted:" << wanted;
            // What is on screen, partly moved rather than drawn, is what
            // drawing the whole list gives.
            const bool drawn = entry.screen()->grabWindow(entry.winId()).toImage() == entry.grab().toImage();
            if (!drawn)
                qWarning() << step << "the list shows something else than it draws";
            return got == wanted && drawn;
        };
        QVERIFY(same("shown"));

        const QList<QKeyCombination> keys{Qt::Key_Down, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_Up,
                                          Qt::Key_Home, Qt::Key_PageDown, Qt::SHIFT | Qt::Key_PageDown,
                                          Qt::Key_Right, Qt::SHIFT | Qt::Key_Down, Qt::Key_PageDown};
        for (const QKeyCombination key : keys) {
            QTest::keyClick(&entry, key.key(), key.keyboardModifiers());
            QTest::keyClick(&reference, key.key(), key.keyboardModifiers());
            QVERIFY(same(qPrintable(QKeySequence(key).toString())));
        }
        for (const QPoint at : {QPoint(30, 40), QPoint(200, 5), QPoint(10, 160)}) {
            QTest::mouseClick(entry.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseClick(reference.viewport(), Qt::LeftButton, {}, at);
            QVERIFY(same("click"));
            QTest::mouseClick(entry.viewport(), Qt::LeftButton, Qt::ShiftModifier, at + QPoint(0, 60));
            QTest::mouseClick(reference.viewport(), Qt::LeftButton, Qt::ShiftModifier, at + QPoint(0, 60));
            QVERIFY(same("shift click"));
        }
        if (rows > 10) {
            for (const auto hint : {QAbstractItemView::PositionAtBottom, QAbstractItemView::PositionAtCenter,
                                    QAbstractItemView::EnsureVisible, QAbstractItemView::PositionAtTop}) {
                entry.scrollTo(model.index(rows / 2), hint);
                reference.scrollTo(model.index(rows / 2), hint);
                QVERIFY(same("scrolled to"));
            }
        }

        // Rows come and go among those shown, above them, below them, a
        // longer one among them; the list grows and shrinks.
        const int shownRow = std::max(0, entry.indexAt(QPoint(1, 1)).row());
        model.insertRows(std::min(shownRow + 2, model.rowCount()), 1);
        QVERIFY(same("inserted among those shown"));
        model.removeRows(std::min(shownRow + 1, model.rowCount() - 1), 1);
        QVERIFY(same("removed among those shown"));
        model.insertRows(std::min(shownRow + 3, model.rowCount()), 1);
        model.setData(model.index(shownRow), QStringLiteral("Cambiato,+39340"));
        QVERIFY(same("changed while one came"));
        model.insertRows(0, 1);
        model.setData(model.index(0), QStringLiteral("Aaa nuovo contatto dal nome piuttosto lungo,+39347"));
        QVERIFY(same("inserted first"));
        model.insertRows(model.rowCount(), 3);
        QVERIFY(same("appended"));
        model.removeRows(0, 2);
        QVERIFY(same("removed"));
        entry.resize(180, 240);
        reference.resize(180, 240);
        QVERIFY(same("resized"));
        QTest::keyClick(&entry, Qt::Key_End);
        QTest::keyClick(&reference, Qt::Key_End);
        model.removeRows(model.rowCount() - 1, 1);
        QVERIFY(same("last removed"));
    }
};

QTEST_MAIN(TestEntryListView)
#include "tst_entrylistview.moc"
