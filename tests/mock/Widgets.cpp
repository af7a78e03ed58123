#include "mock/Widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
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

} // namespace brio::test
