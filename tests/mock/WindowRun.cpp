#include "mock/WindowRun.h"

#include "store/Database.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

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
    const QWidgetList all = allShown(name);
    return all.isEmpty() ? nullptr : all.last();
}

QWidget &WindowRun::window(const char *name)
{
    QWidget *w = shown(name);
    requireControl(w, name);
    return *w;
}

QWidgetList WindowRun::allShown(const char *name)
{
    QWidgetList out;
    for (QWidget *w : QApplication::allWidgets()) {
        if (w->isWindow() && w->isVisible() && w->objectName() == QLatin1String(name))
            out << w;
    }
    return out;
}

qint64 WindowRun::rows(const QString &sql, const QVariantList &params)
{
    return env.db().scalar(sql, params);
}

qint64 WindowRun::contacts()
{
    return count("tab_destinatari");
}

qint64 WindowRun::count(const char *table)
{
    return rows(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)));
}

void WindowRun::addNumber(const QString &prefix, const QString &number) const
{
    get<QComboBox>("cb_prefisso")->setEditText(prefix);
    get<QLineEdit>("txt_numero")->setText(number);
    get<QPushButton>("cmd_singolo_aggiungi")->click();
}

void WindowRun::typeText(const QString &text) const
{
    auto *edit = get<QPlainTextEdit>("txt_messaggio");
    edit->setFocus();
    QTest::keyClicks(edit, text);
}

void WindowRun::send()
{
    env.prompter.answer(Answer::Yes);
    get<QPushButton>("cmd_invia")->click();
}

QString WindowRun::panel(int n) const
{
    return main->statusPanel(n)->text();
}

} // namespace brio::test
