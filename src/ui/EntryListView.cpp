#include "ui/EntryListView.h"

#include "ui/ListRoutines.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>

#include <optional>

namespace brio {

namespace {

// What QListView tells a screen reader: the entry by its place in the list.
void announce(EntryListView *list, QAccessible::Event kind, const QModelIndex &index)
{
    if (!QAccessible::isActive() || !index.isValid())
        return;
    QAccessibleEvent event(list, kind);
    event.setChild(index.row());
    QAccessible::updateAccessibility(&event);
}

// A scroll bar that is not drawn again for a new range that looks the same:
// one row more among 100,000 moves the slider by less than a pixel, and
// drawing the bar cost more than drawing the row that came.
class EntryScrollBar final : public QScrollBar
{
public:
    EntryScrollBar(Qt::Orientation orientation, QWidget *parent)
        : QScrollBar(orientation, parent)
    {
    }

protected:
    void sliderChange(SliderChange change) override
    {
        if ((change == SliderRangeChange || change == SliderStepsChange) && m_drawn && look() == *m_drawn)
            return;
        QScrollBar::sliderChange(change);
    }

    void paintEvent(QPaintEvent *event) override
    {
        m_drawn = look();
        QScrollBar::paintEvent(event);
    }

private:
    // What the style draws from: the parts' places and the states.
    struct Look
    {
        QList<QRect> parts;
        QStyle::State state;
        QStyle::SubControls active;
        bool empty = false;
        bool atMinimum = false;
        bool atMaximum = false;

        bool operator==(const Look &) const = default;
    };

    Look look() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        Look out{{}, option.state, option.activeSubControls, minimum() == maximum(), value() == minimum(),
                 value() == maximum()};
        for (const QStyle::SubControl part :
             {QStyle::SC_ScrollBarGroove, QStyle::SC_ScrollBarSlider, QStyle::SC_ScrollBarAddLine,
              QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddPage, QStyle::SC_ScrollBarSubPage,
              QStyle::SC_ScrollBarFirst, QStyle::SC_ScrollBarLast})
            out.parts << style()->subControlRect(QStyle::CC_ScrollBar, &option, part, this);
        out.parts << option.rect;
        return out;
    }

    std::optional<Look> m_drawn;
};

} // namespace

EntryListView::EntryListView(QWidget *parent)
    : QListView(parent)
{
    setVerticalScrollBar(new EntryScrollBar(Qt::Vertical, this));
    setHorizontalScrollBar(new EntryScrollBar(Qt::Horizontal, this));
    // Equal rows: the view does not measure 100,000 entries one by one.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void EntryListView::setModel(QAbstractItemModel *model)
{
    m_rowSize = QSize();
    QListView::setModel(model);
    // The delegate follows the model it measures.
    showWholeEntries(this);
    if (!model)
        return;
    // Changes that are no plain insertion or removal draw the whole list again.
    const auto redrawAll = [this] { m_redrawAll = true; };
    connect(model, &QAbstractItemModel::layoutChanged, this, redrawAll);
    connect(model, &QAbstractItemModel::rowsMoved, this, redrawAll);
    connect(model, &QAbstractItemModel::modelReset, this, redrawAll);
    connect(model, &QAbstractItemModel::columnsInserted, this, redrawAll);
    connect(model, &QAbstractItemModel::columnsRemoved, this, redrawAll);
}

void EntryListView::setPopup(QMenu *popup)
{
    m_popup = popup;
}

void EntryListView::setCommandKeys(QList<int> keys)
{
    m_commandKeys = std::move(keys);
}

void EntryListView::acceptDropsOf(const QString &dragType, std::function<bool()> allowed)
{
    m_dropType = dragType;
    m_dropAllowed = std::move(allowed);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
}

int EntryListView::selectedRow() const
{
    return brio::selectedRow(this);
}

int EntryListView::rows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

QModelIndex EntryListView::rowIndex(int row) const
{
    return model()->index(row, modelColumn(), rootIndex());
}

bool EntryListView::enabledRow(int row) const
{
    return model()->flags(rowIndex(row)).testFlag(Qt::ItemIsEnabled);
}

// Every row takes the size of the last one, as in QListView.
QSize EntryListView::rowSize() const
{
    if (!m_rowSize.isValid() && rows() > 0) {
        const QModelIndex sample = rowIndex(rows() - 1);
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = viewport()->rect();
        m_rowSize = itemDelegateForIndex(sample)->sizeHint(option, sample);
    }
    return rows() > 0 ? m_rowSize : QSize();
}

QSize EntryListView::contents() const
{
    const QSize row = rowSize();
    return row.isValid() ? QSize(row.width(), row.height() * rows()) : QSize(0, 0);
}

int EntryListView::rowAt(const QPoint &contentsPoint) const
{
    const int height = rowSize().height();
    if (height <= 0 || contentsPoint.x() < 0 || contentsPoint.y() < 0)
        return -1;
    const int row = contentsPoint.y() / height;
    return row < rows() ? row : -1;
}

QRect EntryListView::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex()
        || index.column() != modelColumn() || index.row() >= rows() || isIndexHidden(index))
        return QRect();
    const QSize row = rowSize();
    // Each row is as wide as the list, or as the widest entry.
    const int width = qMax(row.width(), viewport()->width());
    return QRect(-horizontalOffset(), index.row() * row.height() - verticalOffset(), width, row.height());
}

QModelIndex EntryListView::indexAt(const QPoint &point) const
{
    const int row = rowAt(point + QPoint(horizontalOffset(), verticalOffset()));
    if (row < 0)
        return QModelIndex();
    const QModelIndex index = rowIndex(row);
    return visualRect(index).contains(point) ? index : QModelIndex();
}

int EntryListView::horizontalOffset() const
{
    const QScrollBar *bar = horizontalScrollBar();
    return isRightToLeft() ? bar->maximum() - bar->value() : bar->value();
}

int EntryListView::verticalOffset() const
{
    const int value = verticalScrollBar()->value();
    if (verticalScrollMode() == ScrollPerPixel)
        return value;
    // Scrolled by rows: the bar counts rows.
    return value > rows() ? 0 : value * rowSize().height();
}

void EntryListView::scrollContentsBy(int dx, int dy)
{
    if (isRightToLeft())
        dx = -dx;
    if (verticalScrollMode() == ScrollPerItem && dy != 0) {
        const int current = qBound(0, verticalScrollBar()->value(), rows());
        const int previous = qBound(0, current + dy, rows());
        dy = (previous - current) * rowSize().height();
    }
    scrollDirtyRegion(dx, dy);
    viewport()->scroll(dx, dy);
}

void EntryListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (index.parent() != rootIndex() || index.column() != modelColumn())
        return;
    const QRect rect = visualRect(index);
    if (!rect.isValid())
        return;
    const QRect area = viewport()->rect();
    if (hint == EnsureVisible && area.contains(rect)) {
        viewport()->update(rect);
        return;
    }
    if (hint == EnsureVisible && rect.top() < area.top())
        hint = PositionAtTop;
    else if (hint == EnsureVisible && rect.bottom() > area.bottom())
        hint = PositionAtBottom;
    QScrollBar *bar = verticalScrollBar();
    if (verticalScrollMode() == ScrollPerPixel) {
        int value = bar->value();
        if (hint == PositionAtTop)
            value += rect.top();
        else if (hint == PositionAtBottom)
            value += qMin(rect.top(), rect.bottom() - area.height() + 1);
        else if (hint == PositionAtCenter)
            value += rect.top() - (area.height() - rect.height()) / 2;
        bar->setValue(value);
        return;
    }
    // By rows: the rows that fit above it, itself included.
    const int row = index.row();
    const int fit = std::min(row, std::max(0, area.height() / rect.height() - 1)) + 1;
    int value = qBound(0, bar->value(), rows());
    if (hint == PositionAtTop)
        value = row;
    else if (hint == PositionAtBottom)
        value = row - fit + 1;
    else if (hint == PositionAtCenter)
        value = row - fit / 2;
    bar->setValue(value);
}

QModelIndex EntryListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const int count = rows();
    const auto forward = [&](int row) {
        while (row < count && !enabledRow(row))
            ++row;
        return row < count ? row : -1;
    };
    const auto backward = [&](int row) {
        while (row >= 0 && !enabledRow(row))
            --row;
        return row;
    };
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        const int row = forward(0);
        return row < 0 ? QModelIndex() : rowIndex(row);
    }
    const int row = current.row();
    const int height = rowSize().height();
    const int page = viewport()->height();
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious: {
        const int to = row > 0 ? backward(row - 1) : -1;
        return to < 0 ? current : rowIndex(to);
    }
    case MoveDown:
    case MoveNext: {
        const int to = forward(row + 1);
        return to < 0 ? current : rowIndex(to);
    }
    case MoveHome:
        return rowIndex(0);
    case MoveEnd:
        return rowIndex(count - 1);
    case MovePageUp:
        if (height <= 0)
            return rowIndex(0);
        if (height >= page)
            return moveCursor(MoveUp, modifiers);
        // The topmost row whose top is below the current row's bottom less a page.
        return rowIndex(std::max(0, row + 1 - page / height));
    case MovePageDown:
        if (height <= 0)
            return rowIndex(0);
        if (height >= page)
            return moveCursor(MoveDown, modifiers);
        // The last row whose bottom is above the current row's top plus a page.
        return rowIndex(std::min(count - 1, row + page / height - 1));
    default:
        // One column: nothing to the left or right.
        return current;
    }
}

void EntryListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel() || !model())
        return;
    const QPoint offset(horizontalOffset(), verticalOffset());
    QItemSelection selection;
    if (rect.width() == 1 && rect.height() == 1) {
        const int row = rowAt(rect.topLeft() + offset);
        if (row >= 0 && enabledRow(row))
            selection.select(rowIndex(row), rowIndex(row));
    } else if (state() == DragSelectingState) {
        // The rows the band crosses.
        const QRect area = rect.translated(offset);
        const int height = rowSize().height();
        if (height > 0 && area.right() >= 0 && area.bottom() >= 0) {
            const int first = std::max(0, area.top()) / height;
            const int last = std::min(rows() - 1, area.bottom() / height);
            if (first <= last)
                selection.select(rowIndex(first), rowIndex(last));
        }
    } else {
        // From the row at one corner to the row at the other.
        const int from = rowAt(rect.topLeft() + offset);
        const int to = rowAt(rect.bottomRight() + offset);
        if (from >= 0 && to >= 0 && enabledRow(from) && enabledRow(to))
            selection.select(rowIndex(std::min(from, to)), rowIndex(std::max(from, to)));
    }
    selectionModel()->select(selection, command);
}

void EntryListView::doItemsLayout()
{
    // Showing a scroll bar resizes the list, which must not lay it out again.
    const State was = state();
    setState(ExpandingState);
    // Rows that only came or went have been moved on screen already, and
    // one that came has been measured with them.
    const bool drawn = (m_shifted || m_remeasure) && !m_redrawAll;
    if (!drawn || m_remeasure)
        m_rowSize = QSize();
    if (drawn)
        updateGeometries();
    else
        QAbstractItemView::doItemsLayout();
    m_shifted = false;
    m_redrawAll = false;
    m_remeasure = false;
    setState(was);
}

void EntryListView::shiftShownRows(int start, int count)
{
    // The rows are where they were drawn, measured before this change: not
    // measured now, which would make the delegate measure every entry that
    // comes with it one by one.
    const int height = m_rowSize.isValid() ? m_rowSize.height() : 0;
    // A second change before the layout, or rows coloured by their place,
    // redraw the whole list.
    if (m_shifted || alternatingRowColors() || height <= 0 || !isVisible()) {
        m_redrawAll = true;
        return;
    }
    m_shifted = true;
    const int value = verticalScrollBar()->value();
    const int offset = verticalScrollMode() == ScrollPerPixel ? value : value * height;
    const int top = std::max(0, start * height - offset);
    const QRect shown = viewport()->rect();
    if (top < shown.height())
        viewport()->scroll(0, count * height, QRect(0, top, shown.width(), shown.height() - top));
}

void EntryListView::reset()
{
    m_redrawAll = true;
    m_rowSize = QSize();
    m_hover = QPersistentModelIndex();
    QListView::reset();
}

void EntryListView::updateGeometries()
{
    QScrollBar *across = horizontalScrollBar();
    QScrollBar *down = verticalScrollBar();
    if (geometry().isEmpty() || rows() <= 0 || model()->columnCount(rootIndex()) <= 0) {
        across->setRange(0, 0);
        down->setRange(0, 0);
        QAbstractItemView::updateGeometries();
        return;
    }
    const bool acrossWas = across->maximum() > across->minimum();
    const bool downWas = down->maximum() > down->minimum();
    const QSize row = rowSize();
    const QSize size = contents();
    const QSize room = maximumViewportSize();
    const QSize shown = viewport()->size();
    // With both bars shown as needed, a bar is shown only when the rows do
    // not fit even with the other bar: otherwise each would call the other.
    const bool bothAsNeeded = verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded
        && horizontalScrollBarPolicy() == Qt::ScrollBarAsNeeded;

    across->setSingleStep(row.width());
    across->setPageStep(shown.width());
    const bool wantsAcross = size.height() > room.height() ? size.width() > room.width() - down->width()
                                                           : size.width() > room.width();
    if (bothAsNeeded && !wantsAcross)
        across->setRange(0, 0);
    else
        across->setRange(0, size.width() - shown.width());

    if (verticalScrollMode() == ScrollPerItem) {
        // QListView counts one more when all rows fit.
        const int pageRows = size.height() <= shown.height() ? rows() + 1 : shown.height() / row.height();
        down->setSingleStep(1);
        down->setPageStep(pageRows);
        down->setRange(0, rows() - pageRows);
    } else {
        down->setSingleStep(row.height());
        down->setPageStep(shown.height());
        const bool wantsDown = size.width() > room.width() ? size.height() > room.height() - across->height()
                                                           : size.height() > room.height();
        if (bothAsNeeded && !wantsDown)
            down->setRange(0, 0);
        else
            down->setRange(0, size.height() - shown.height());
    }
    QAbstractItemView::updateGeometries();
    // The bars are shown or hidden for the new ranges now, not later; a
    // range that stays empty or not (a row more in a long list) moves none.
    if (acrossWas != (across->maximum() > across->minimum()) || downWas != (down->maximum() > down->minimum())) {
        QEvent request(QEvent::LayoutRequest);
        QAbstractScrollArea::event(&request);
    }
}

void EntryListView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    QListView::dataChanged(topLeft, bottomRight, roles);
    // Drawn here: with a layout pending QAbstractItemView leaves that to
    // the layout, which here may only move rows.
    if (topLeft.parent() == rootIndex())
        viewport()->update(visualRect(rowIndex(topLeft.row())) | visualRect(rowIndex(bottomRight.row())));
    // A longer text may widen the rows, once the delegate has seen it.
    m_rowSize = QSize();
    m_remeasure = true;
    scheduleDelayedItemsLayout();
}

void EntryListView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    // Not QListView's: it would place every row again. The rows are
    // measured again at once, the bars at the next layout.
    QAbstractItemView::rowsInserted(parent, start, end);
    if (parent == rootIndex())
        shiftShownRows(start, end - start + 1);
    m_rowSize = QSize();
    scheduleDelayedItemsLayout();
}

void EntryListView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    m_remeasure = true;
    if (parent == rootIndex())
        shiftShownRows(start, start - end - 1);
    scheduleDelayedItemsLayout();
}

void EntryListView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    announce(this, QAccessible::SelectionAdd, selected.indexes().value(0));
    announce(this, QAccessible::SelectionRemove, deselected.indexes().value(0));
    QAbstractItemView::selectionChanged(selected, deselected);
}

void EntryListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (hasFocus())
        announce(this, QAccessible::Focus, current);
    QAbstractItemView::currentChanged(current, previous);
}

bool EntryListView::viewportEvent(QEvent *event)
{
    // The entry under the pointer is drawn as such.
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        m_hover = indexAt(static_cast<QHoverEvent *>(event)->position().toPoint());
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        m_hover = QPersistentModelIndex();
        break;
    default:
        break;
    }
    return QListView::viewportEvent(event);
}

void EntryListView::paintEvent(QPaintEvent *event)
{
    const int height = rowSize().height();
    if (!itemDelegate() || height <= 0)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QPainter painter(viewport());

    const QRect area = event->rect().translated(horizontalOffset(), verticalOffset());
    if (area.right() < 0 || area.bottom() < 0)
        return;
    const int first = std::max(0, area.top()) / height;
    const int last = std::min(rows() - 1, area.bottom() / height);

    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QStyle::State state = option.state;
    const bool enabled = state.testFlag(QStyle::State_Enabled);
    const bool alternate = alternatingRowColors();
    const int widest = qMax(viewport()->width(), contents().width());
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = rowIndex(row);
        option.rect = visualRect(index);
        option.rect.setWidth(qMin(widest, option.rect.width()));
        option.state = state;
        if (selectionModel() && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (enabled) {
            const bool on = model()->flags(index).testFlag(Qt::ItemIsEnabled);
            option.state.setFlag(QStyle::State_Enabled, on);
            option.palette.setCurrentColorGroup(on ? QPalette::Normal : QPalette::Disabled);
        }
        if (focus && current == index) {
            option.state |= QStyle::State_HasFocus;
            if (this->state() == EditingState)
                option.state |= QStyle::State_Editing;
        }
        option.state.setFlag(QStyle::State_MouseOver, index == m_hover);
        if (alternate) {
            option.features.setFlag(QStyleOptionViewItem::Alternate, (row & 1) != 0);
            const QStyle::State kept = option.state;
            option.state &= ~QStyle::State_Selected;
            style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, this);
            option.state = kept;
        }
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void EntryListView::keyPressEvent(QKeyEvent *event)
{
    if (m_commandKeys.contains(event->key()) && event->modifiers() == Qt::NoModifier) {
        // Reached by Tab, the current entry may show unselected.
        selectCurrentIfNone(this);
        emit keyCommand(event->key());
        return;
    }
    QListView::keyPressEvent(event);
}

void EntryListView::mousePressEvent(QMouseEvent *event)
{
    // The right button opens the menu without changing the selection
    // first: whether something was selected decides.
    if (m_popup && event->button() == Qt::RightButton) {
        popUpOverEntry(this, m_popup, event->position().toPoint());
        return;
    }
    m_pressedAt = event->position().toPoint()
        + QPoint(isRightToLeft() ? -horizontalOffset() : horizontalOffset(), verticalOffset());
    QListView::mousePressEvent(event);
}

void EntryListView::contextMenuEvent(QContextMenuEvent *event)
{
    // The right button is served on its press; the menu key and Shift+F10
    // open the menu of the selected entry.
    if (!m_popup) {
        QListView::contextMenuEvent(event);
        return;
    }
    if (event->reason() != QContextMenuEvent::Mouse) {
        const int row = selectedRow();
        if (row >= 0)
            m_popup->exec(viewport()->mapToGlobal(visualRect(model()->index(row, 0)).center()));
    }
    event->accept();
}

// QAbstractItemView's drag, with the picture of the dragged entries drawn
// from the rows shown here.
void EntryListView::startDrag(Qt::DropActions supportedActions)
{
    QModelIndexList dragged = selectedIndexes();
    dragged.removeIf([this](const QModelIndex &i) { return !model()->flags(i).testFlag(Qt::ItemIsDragEnabled); });
    if (dragged.isEmpty())
        return;
    QMimeData *data = model()->mimeData(dragged);
    if (!data)
        return;
    QRect shown;
    QList<QPair<QRect, QModelIndex>> pictured;
    for (const QModelIndex &index : std::as_const(dragged)) {
        const QRect rect = visualRect(index);
        if (!rect.intersects(viewport()->rect()))
            continue;
        pictured.append({rect, index});
        shown |= rect;
    }
    auto *drag = new QDrag(this);
    if (!pictured.isEmpty()) {
        const qreal scale = devicePixelRatio();
        QPixmap pixmap(shown.size() * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.state |= QStyle::State_Selected;
        for (const auto &[rect, index] : std::as_const(pictured)) {
            option.rect = rect.translated(-shown.topLeft());
            itemDelegateForIndex(index)->paint(&painter, option, index);
        }
        drag->setPixmap(pixmap);
    }
    drag->setMimeData(data);
    drag->setHotSpot(m_pressedAt - shown.topLeft() - QPoint(horizontalOffset(), verticalOffset()));
    Qt::DropAction action = Qt::IgnoreAction;
    if (defaultDropAction() != Qt::IgnoreAction && supportedActions.testFlag(defaultDropAction()))
        action = defaultDropAction();
    else if (supportedActions.testFlag(Qt::CopyAction) && dragDropMode() != InternalMove)
        action = Qt::CopyAction;
    // The lists hand out copies only: a drop never takes the entries away.
    drag->exec(supportedActions, action);
}

bool EntryListView::takesDrop(QDropEvent *event) const
{
    return !m_dropType.isEmpty() && event->mimeData()->hasFormat(m_dropType) && (!m_dropAllowed || m_dropAllowed());
}

void EntryListView::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void EntryListView::dragMoveEvent(QDragMoveEvent *event)
{
    if (!takesDrop(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void EntryListView::dropEvent(QDropEvent *event)
{
    if (!takesDrop(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit dropped();
}

} // namespace brio
