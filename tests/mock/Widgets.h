#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QAbstractItemView;
class QComboBox;
class QWidget;

namespace brio::test {

// Ends the test run when a control is missing: every later step would only
// report a null pointer.
void requireControl(const QObject *found, const char *name);

// The control of that type and objectName under parent.
template<typename T>
T *child(const QObject &parent, const char *name)
{
    T *c = parent.findChild<T *>(QLatin1String(name));
    requireControl(c, name);
    return c;
}

QStringList itemTexts(const QAbstractItemView *list);
// How many entries a list shows, and the data (Qt::UserRole) of one.
int rowCount(const QAbstractItemView *list);
qint64 itemData(const QAbstractItemView *list, int row);
QStringList itemTexts(const QComboBox *combo);

// Right button over a list entry, or below the entries for -1. Returns the
// objectName of the pop-up that opened, after choosing its first command
// when `choose`; empty when none opened.
QString rightClick(QAbstractItemView *list, int row, bool choose = true);
// The same for the menu key on the list.
QString menuKey(QAbstractItemView *list, bool choose = true);

// With BRIOSMS_SCREENSHOTS naming a folder, the window is saved there as a
// PNG file to be looked at.
void screenshot(QWidget &window, const char *name);

// Runs act on the modal window of that objectName once the event loop of
// its exec() runs; nothing happens when no such window is modal then.
void whenModalOpens(const char *name, std::function<void(QWidget &)> act);

} // namespace brio::test
