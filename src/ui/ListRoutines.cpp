#include "ui/ListRoutines.h"

#include "context/Context.h"
#include "compose/NumberRules.h"

#include <QMenu>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QValidator>

namespace brio {

namespace {

// Accepts up to three characters, or exactly one of the combo's own entries
// (the "Pref." placeholder is longer). Text set by the program is not
// checked; what is typed or pasted over the limit is refused whole.
class PrefixValidator final : public QValidator
{
public:
    explicit PrefixValidator(QComboBox *combo)
        : QValidator(combo)
        , m_combo(combo)
    {
    }

    State validate(QString &input, int &) const override
    {
        if (input.size() <= kPrefixLength || m_combo->findText(input, Qt::MatchExactly) >= 0)
            return Acceptable;
        return Invalid;
    }

private:
    QComboBox *m_combo;
};

// Rows of a list with uniform item sizes all take the size of the first
// one, so a longer entry further down would be cut with no scroll bar. Here
// every row is as wide as the longest entries. The whole list is measured
// when it is filled; after that only the entries that come or change are,
// so that one saved contact does not read 100,000 entries again.
class WholeEntryDelegate final : public QStyledItemDelegate
{
public:
    explicit WholeEntryDelegate(QAbstractItemView *list)
        : QStyledItemDelegate(list)
    {
        QAbstractItemModel *model = list->model();
        const auto again = [this] { m_width = -1; };
        connect(model, &QAbstractItemModel::modelReset, this, again);
        connect(model, &QAbstractItemModel::layoutChanged, this, again);
        connect(model, &QAbstractItemModel::rowsInserted, this,
                [this, model](const QModelIndex &parent, int first, int last) { note(model, parent, first, last); });
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this, model](const QModelIndex &from, const QModelIndex &to) {
                    note(model, from.parent(), from.row(), to.row());
                });
        // Only losing one of the longest entries can make the rows narrower.
        connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [this, model](const QModelIndex &parent, int first, int last) {
                    for (int row = first; row <= last && m_width >= 0; ++row) {
                        if (model->index(row, 0, parent).data().toString().size() + 4 >= m_most)
                            m_width = -1;
                    }
                });
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = plainSize(option, index);
        if (m_width < 0) {
            m_pending.clear();
            m_width = widest(option, index);
        }
        for (const QString &text : std::as_const(m_pending))
            m_width = qMax(m_width, measure(option, index, text));
        m_pending.clear();
        size.setWidth(qMax(size.width(), m_width));
        return size;
    }

private:
    // The list asks for the size of its last entry at every change, which
    // is mostly the same entry: plain text is measured again only when it
    // or the font differs.
    QSize plainSize(const QStyleOptionViewItem &option, const QModelIndex &index) const
    {
        const bool plain = !index.data(Qt::DecorationRole).isValid() && !index.data(Qt::FontRole).isValid()
            && !index.data(Qt::CheckStateRole).isValid() && !option.features.testFlag(QStyleOptionViewItem::WrapText);
        if (!plain)
            return QStyledItemDelegate::sizeHint(option, index);
        const QString text = index.data(Qt::DisplayRole).toString();
        const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        if (!m_plain.isValid() || text != m_plainText || option.font != m_plainFont || style != m_plainStyle
            || option.decorationSize != m_plainDecoration || option.features != m_plainFeatures) {
            m_plain = QStyledItemDelegate::sizeHint(option, index);
            m_plainText = text;
            m_plainFont = option.font;
            m_plainStyle = style;
            m_plainDecoration = option.decorationSize;
            m_plainFeatures = option.features;
        }
        return m_plain;
    }

    // Entries as long as the longest are measured at the next layout.
    void note(const QAbstractItemModel *model, const QModelIndex &parent, int first, int last)
    {
        if (m_width < 0)
            return;
        for (int row = first; row <= last; ++row) {
            QString text = model->index(row, 0, parent).data().toString();
            if (text.size() + 4 < m_most)
                continue;
            m_most = qMax(m_most, text.size());
            m_pending.append(std::move(text));
        }
    }

    int measure(const QStyleOptionViewItem &option, const QModelIndex &index, const QString &text) const
    {
        QStyleOptionViewItem measure(option);
        initStyleOption(&measure, index);
        measure.text = text;
        const QWidget *view = option.widget;
        const QStyle *style = view ? view->style() : QApplication::style();
        return style->sizeFromContents(QStyle::CT_ItemViewItem, &measure, QSize(), view).width();
    }

    // Only the entries with the most characters are measured: the widest is
    // among them in all but freak cases, and 100,000 entries are not measured
    // one by one.
    int widest(const QStyleOptionViewItem &option, const QModelIndex &index) const
    {
        const QAbstractItemModel *model = index.model();
        const int rows = model->rowCount(index.parent());
        qsizetype most = 0;
        for (int row = 0; row < rows; ++row)
            most = qMax(most, model->index(row, index.column(), index.parent()).data().toString().size());
        m_most = most;
        int width = 0;
        int measured = 0;
        for (int row = 0; row < rows && measured < 64; ++row) {
            const QString text = model->index(row, index.column(), index.parent()).data().toString();
            if (text.size() + 4 < most)
                continue;
            ++measured;
            width = qMax(width, measure(option, index, text));
        }
        return width;
    }

    mutable int m_width = -1;
    mutable qsizetype m_most = 0;
    mutable QStringList m_pending;
    mutable QSize m_plain;
    mutable QString m_plainText;
    mutable QFont m_plainFont;
    mutable const QStyle *m_plainStyle = nullptr;
    mutable QSize m_plainDecoration;
    mutable QStyleOptionViewItem::ViewItemFeatures m_plainFeatures;
};

// Replaces the combo's entries and selects one so that currentIndexChanged
// is emitted once, even when the index stays the same.
void refill(QComboBox *combo, const ListEntries &entries, int select)
{
    {
        const QSignalBlocker block(combo);
        combo->clear();
        for (const ListEntry &e : entries)
            combo->addItem(e.text, QVariant(qlonglong(e.data)));
        combo->setCurrentIndex(-1);
    }
    combo->setCurrentIndex(select);
}

ListEntries plainEntries(const QStringList &texts)
{
    ListEntries out;
    out.reserve(texts.size());
    for (const QString &t : texts)
        out.append({t, 0});
    return out;
}

} // namespace

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QApplication::restoreOverrideCursor();
}

void showWholeEntries(QAbstractItemView *list)
{
    list->setItemDelegate(new WholeEntryDelegate(list));
}

void selectCurrentIfNone(QAbstractItemView *list)
{
    const QModelIndex current = list->currentIndex();
    if (current.isValid() && !list->selectionModel()->hasSelection())
        list->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
}

int selectedRow(const QAbstractItemView *list)
{
    const QModelIndexList rows = list->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void LoadGroupCombo(const Context &ctx, QComboBox *combo, bool noHeader, GroupComboMode mode)
{
    const ListEntries entries = groupComboEntries(ctx.db(), noHeader, mode);
    refill(combo, entries, entries.isEmpty() ? -1 : 0);
    combo->setEnabled(!entries.isEmpty());
}

void ReloadGroupCombo(const Context &ctx, QComboBox *combo, bool noHeader, GroupComboMode mode)
{
    const QVariant chosen = combo->currentData();
    const QSignalBlocker block(combo);
    LoadGroupCombo(ctx, combo, noHeader, mode);
    const int again = chosen.isValid() ? combo->findData(chosen) : -1;
    if (again >= 0)
        combo->setCurrentIndex(again);
}

int ItemIndexAtPoint(const QWidget *control, const QPoint &pos)
{
    const auto *list = qobject_cast<const QListView *>(control);
    if (!list)
        return -1;
    const QModelIndex index = list->indexAt(pos);
    return index.isValid() ? index.row() : -1;
}

void popUpOverEntry(QAbstractItemView *list, QMenu *popup, const QPoint &pos)
{
    const int row = ItemIndexAtPoint(list, pos);
    if (selectedRow(list) < 0 || row < 0)
        return;
    list->setCurrentIndex(list->model()->index(row, 0));
    popup->exec(list->viewport()->mapToGlobal(pos));
}

QAction *addMenuItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

void LoadCountryCombo(const Context &ctx, QComboBox *combo)
{
    const QStringList countries = allowedCountries(ctx.db());
    if (countries.isEmpty())
        return;
    const int italy = countries.indexOf(QStringLiteral("+39"));
    refill(combo, plainEntries(countries), italy < 0 ? 0 : italy);
}

void LoadPrefixCombo(const Context &ctx, QComboBox *countryCombo, QComboBox *prefixCombo)
{
    const QStringList prefixes = allowedPrefixes(ctx.db(), countryCombo->currentText().mid(1));
    if (prefixes.isEmpty())
        return;
    refill(prefixCombo, plainEntries(QStringList{prefixPlaceholder()} + prefixes), 0);
}

void limitPrefixCombo(QComboBox *prefixCombo)
{
    prefixCombo->setEditable(true);
    prefixCombo->setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would put characters the user did not type.
    prefixCombo->setCompleter(nullptr);
    prefixCombo->lineEdit()->setValidator(new PrefixValidator(prefixCombo));
}

} // namespace brio
