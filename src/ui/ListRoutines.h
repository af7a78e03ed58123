#pragma once

#include "addressbook/ListEntries.h"
#include "groups/Groups.h"

class QAbstractItemView;
class QAction;
class QComboBox;
class QMenu;
class QPoint;
class QWidget;

namespace brio {

struct Context;

// The list routines every window shares. Item data lives in Qt::UserRole as
// a qint64 (see ListEntry); entries are matched by it, never by their text.
// Database failures are thrown to the calling handler.

// Shows the wait pointer for as long as it lives.
class WaitCursor final
{
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// Rows as wide as the longest entries, with a horizontal scroll bar when
// they are wider than the list; for lists with uniform item sizes.
void showWholeEntries(QAbstractItemView *list);
// The entry the keyboard is on becomes the selected one when none is: the
// focus may reach a list by Tab, showing its current entry unselected.
void selectCurrentIfNone(QAbstractItemView *list);
// The row of the selected entry, or -1.
int selectedRow(const QAbstractItemView *list);

// Fills a combo with the groups. When it has entries the first is selected
// (its currentIndexChanged is emitted, as for a click) and the combo enabled;
// otherwise it is disabled.
void LoadGroupCombo(const Context &ctx, QComboBox *combo, bool noHeader, GroupComboMode mode);

// LoadGroupCombo again after the groups changed: the entry chosen before
// stays chosen while it exists. The combo emits no change signal.
void ReloadGroupCombo(const Context &ctx, QComboBox *combo, bool noHeader, GroupComboMode mode);

// The row of the entry under a position of the list's viewport, or -1 (also
// when the control is no list).
int ItemIndexAtPoint(const QWidget *control, const QPoint &pos);

// A list's pop-up menu at a position of its viewport: over an entry, while
// one is selected, the entry under the pointer becomes the current one and
// the menu opens; elsewhere nothing happens.
void popUpOverEntry(QAbstractItemView *list, QMenu *popup, const QPoint &pos);
// A pop-up command with its objectName.
QAction *addMenuItem(QMenu *menu, const char *name, const QString &caption);

// Country combo from the accepted codes, "+39" selected when offered (its
// currentIndexChanged is emitted). With no codes the combo keeps its items.
void LoadCountryCombo(const Context &ctx, QComboBox *combo);

// Prefix combo for the country shown in the country combo: "Pref." and the
// accepted prefixes, "Pref." selected. With no prefixes it keeps its items.
void LoadPrefixCombo(const Context &ctx, QComboBox *countryCombo, QComboBox *prefixCombo);

// Lets an editable prefix combo hold at most three typed or pasted
// characters; its own entries (as "Pref.") can still be shown.
void limitPrefixCombo(QComboBox *prefixCombo);

} // namespace brio
