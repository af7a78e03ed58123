#include "mock/WindowRun.h"

#include "store/Database.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QPointer>

namespace brio::test {

WindowRun::WindowRun(Start start, bool fakeGateway)
{
    if (fakeGateway)
        env.useFakeGateway();
    if (start != Later)
        open(start == OpenShown);
}

WindowRun::~WindowRun()
{
    // Windows the main window did not parent would outlive the run's data.
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != main.get() && w->objectName().startsWith(QLatin1String("frm")))
            windows << w;
    }
    main.reset();
    for (const QPointer<QWidget> &w : windows)
        delete w.data();
}

MainWindow &WindowRun::open(bool show)
{
    main.reset(); // one main window at a time, as in the program
    main = std::make_unique<MainWindow>(*env.ctx);
    if (show)
        main->show();
    return *main;
}

const QObject *WindowRun::mainObject() const
{
    requireControl(main.get(), "frmMain");
    return main.get();
}

void WindowRun::command(const char *action) const
{
    get<QAction>(action)->trigger();
}

QWidget *WindowRun::shown(const char *name)
{
    QWidget *found = nullptr;
    for (QWidget *w : QApplication::allWidgets()) {
        if (w->isWindow() && w->isVisible() && w->objectName() == QLatin1String(name))
            found = w;
    }
    return found;
}

int WindowRun::countShown(const char *name)
{
    int n = 0;
    for (QWidget *w : QApplication::allWidgets())
        n += w->isWindow() && w->isVisible() && w->objectName() == QLatin1String(name);
    return n;
}

qint64 WindowRun::rows(const QString &sql, const QVariantList &params)
{
    return env.db().scalar(sql, params);
}

qint64 WindowRun::contacts()
{
    return rows(QStringLiteral("SELECT COUNT(*) FROM tab_destinatari"));
}

} // namespace brio::test
