#include "mock/Widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QListView>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace brio::test {

void requireControl(const QObject *found, const char *name)
{
    if (!found)
        qFatal("no control %s", name);
}

QStringList itemTexts(const QAbstractItemView *list)
{
    QStringList out;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        out << list->model()->index(row, 0).data().toString();
    return out;
}

int rowCount(const QAbstractItemView *list)
{
    return list->model()->rowCount();
}

qint64 itemData(const QAbstractItemView *list, int row)
{
    return list->model()->index(row, 0).data(Qt::UserRole).toLongLong();
}

QStringList itemTexts(const QComboBox *combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

void whenModalOpens(const char *name, std::function<void(QWidget &)> act)
{
    const QString wanted = QLatin1String(name);
    QTimer::singleShot(0, qApp, [wanted, act = std::move(act)] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == wanted)
            act(*modal);
    });
}

namespace {

// The name of the pop-up menu that `act` opens, which is then closed.
QString menuOpenedBy(QWidget *list, bool choose, const std::function<void()> &act)
{
    QString opened;
    QTimer::singleShot(0, list, [&opened, choose] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            opened = menu->objectName();
            if (choose)
                menu->actions().constFirst()->trigger();
            menu->close();
        }
    });
    act();
    QCoreApplication::processEvents(); // the check above runs even when no menu opened
    return opened;
}

} // namespace

QString rightClick(QAbstractItemView *list, int row, bool choose)
{
    const QPoint pos = row >= 0 ? list->visualRect(list->model()->index(row, 0)).center()
                                : QPoint(10, list->viewport()->height() - 3);
    return menuOpenedBy(list, choose, [&] { QTest::mousePress(list->viewport(), Qt::RightButton, {}, pos); });
}

QString menuKey(QAbstractItemView *list, bool choose)
{
    return menuOpenedBy(list, choose, [list] {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1), list->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(list, &event);
    });
}

void screenshot(QWidget &window, const char *name)
{
    const QString folder = qEnvironmentVariable("BRIOSMS_SCREENSHOTS");
    if (!folder.isEmpty())
        window.grab().save(QDir(folder).filePath(QLatin1String(name) + QStringLiteral(".png")));
}

} // namespace brio::test
