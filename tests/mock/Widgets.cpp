#include "mock/Widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace brio::test {

void requireControl(const QObject *found, const char *name)
{
    if (!found)
        qFatal("no control %s", name);
}

QStringList itemTexts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
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

QString rightClick(QListWidget *list, int row)
{
    QString opened;
    QTimer::singleShot(0, list, [&opened] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            opened = menu->objectName();
            menu->actions().constFirst()->trigger();
            menu->close();
        }
    });
    const QPoint pos = row >= 0 ? list->visualItemRect(list->item(row)).center()
                                : QPoint(10, list->viewport()->height() - 3);
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, pos);
    QCoreApplication::processEvents();
    return opened;
}

void screenshot(QWidget &window, const char *name)
{
    const QString folder = qEnvironmentVariable("BRIOSMS_SCREENSHOTS");
    if (!folder.isEmpty())
        window.grab().save(QDir(folder).filePath(QLatin1String(name) + QStringLiteral(".png")));
}

} // namespace brio::test
