#pragma once

#include <QListView>
#include <functional>

class QMenu;

namespace brio {

// The lists of the windows: one entry selected at a time, rows of one
// height as wide as the longest entries, and the keyboard and mouse rules
// every list shares. Delete (and the window's other keys) acts on the entry
// the keyboard is on; the right button opens the pop-up only over an entry
// while one is selected; the menu key opens it for the selected entry; a
// drop is taken only of the drag type named (from one list).
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

private:
    bool takesDrop(QDropEvent *event) const;

    QMenu *m_popup = nullptr;
    QList<int> m_commandKeys;
    QString m_dropType;
    std::function<bool()> m_dropAllowed;
};

} // namespace brio
