#pragma once

#include <QListView>
#include <QPersistentModelIndex>
#include <functional>

class QMenu;

namespace brio {

// The lists of the windows: one entry selected at a time, rows of one
// height as wide as the longest entries, and the keyboard and mouse rules
// every list shares. Delete (and the window's other keys) acts on the entry
// the keyboard is on; the right button opens the pop-up only over an entry
// while one is selected; the menu key opens it for the selected entry; a
// drop is taken only of the drag type named (from one list).
//
// The rows are placed by arithmetic, row times height, where QListView keeps
// a position for every row and computes them all again on each insertion or
// removal: with a book of 100,000 contacts that made each saved contact cost
// every open list a pass over the whole book. Geometry, keys and scrolling
// follow QListView's list mode, one column from top to bottom, no spacing
// and no hidden rows, which is all these lists use.
class EntryListView final : public QListView
{
    Q_OBJECT
public:
    explicit EntryListView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    void setPopup(QMenu *popup);
    // Keys that emit keyCommand (Delete for removal, Enter or Insert for
    // adding) instead of their usual work.
    void setCommandKeys(QList<int> keys);
    // Entries dragged as that type (from the list whose model makes it)
    // may be dropped here while allowed() says so; the drop emits dropped().
    void acceptDropsOf(const QString &dragType, std::function<bool()> allowed = {});
    // The row of the selected entry, or -1.
    int selectedRow() const;

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;
    void doItemsLayout() override;
    void reset() override;

signals:
    void keyCommand(int key);
    void dropped();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

    void scrollContentsBy(int dx, int dy) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    void updateGeometries() override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    bool takesDrop(QDropEvent *event) const;
    int rows() const;
    QSize rowSize() const;
    QSize contents() const;
    bool enabledRow(int row) const;
    QModelIndex rowIndex(int row) const;
    // The row under a point of the contents, as QListView finds it.
    int rowAt(const QPoint &contentsPoint) const;
    // Rows that came (count > 0) or go (count < 0) at start move the rows
    // shown below them on screen, so that only the rows uncovered are drawn.
    void shiftShownRows(int start, int count);

    QMenu *m_popup = nullptr;
    QList<int> m_commandKeys;
    QString m_dropType;
    std::function<bool()> m_dropAllowed;
    mutable QSize m_rowSize;
    QPersistentModelIndex m_hover;
    QPoint m_pressedAt;
    // Since the last layout: rows were moved on screen; something else
    // changed, which redraws the whole list.
    bool m_shifted = false;
    bool m_redrawAll = false;
    // Rows went or changed: measured again at the next layout.
    bool m_remeasure = false;
};

} // namespace brio
