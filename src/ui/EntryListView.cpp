#include "ui/EntryListView.h"

#include "ui/ListRoutines.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMenu>
#include <QMouseEvent>

namespace brio {

EntryListView::EntryListView(QWidget *parent)
    : QListView(parent)
{
    // Equal rows: the view does not measure 100,000 entries one by one.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void EntryListView::setModel(QAbstractItemModel *model)
{
    QListView::setModel(model);
    // The delegate follows the model it measures.
    showWholeEntries(this);
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
