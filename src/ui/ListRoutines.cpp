#include "ui/ListRoutines.h"

#include "context/Context.h"
#include "compose/NumberRules.h"

#include <QMenu>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
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

void prepareList(QListWidget *list)
{
    // Every row has the same height, so the view does not measure 100,000
    // entries one by one.
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
}

void addEntry(QListWidget *list, const QString &text, qint64 data)
{
    auto *item = new QListWidgetItem(text);
    item->setData(Qt::UserRole, QVariant(qlonglong(data)));
    list->addItem(item);
}

void setEntries(QListWidget *list, const ListEntries &entries)
{
    list->clear();
    for (const ListEntry &e : entries)
        addEntry(list, e.text, e.data);
}

qint64 entryData(const QListWidget *list, int row)
{
    const QListWidgetItem *item = list->item(row);
    return item ? item->data(Qt::UserRole).toLongLong() : 0;
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

void LoadMemberList(const Context &ctx, QComboBox *groupCombo, QListWidget *list)
{
    const WaitCursor wait;
    list->clear();
    // An empty combo selects nothing: no group, not the whole book.
    if (groupCombo->currentIndex() < 0)
        return;
    setEntries(list, memberEntries(ctx.db(), groupCombo->currentData().toLongLong()));
}

void LoadMessageRecipients(const Context &ctx, QListWidget *list, bool withNumbers)
{
    const WaitCursor wait;
    setEntries(list, messageRecipientEntries(ctx.db(), withNumbers));
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
