#include "ui/help/HelpLink.h"

#include "help/HelpBook.h"
#include "ui/help/HelpWindow.h"

#include <QShortcut>
#include <QWidget>

namespace brio {

void attachHelp(const Context &ctx, QWidget *window)
{
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), window);
    f1->setObjectName(QStringLiteral("scGuida"));
    QObject::connect(f1, &QShortcut::activated, window, [&ctx, window] {
        HelpWindow::serving(ctx, window).showPage(HelpBook::pageForWindow(window->objectName()));
    });
}

void ShowHelpContents(const Context &ctx, QWidget *from)
{
    HelpWindow::serving(ctx, from).showContents();
}

void ShowHelpSearch(const Context &ctx, QWidget *from)
{
    HelpWindow::serving(ctx, from).showSearch();
}

void ShowHelpTopic(const Context &ctx, QWidget *from, int topic)
{
    HelpWindow::serving(ctx, from).showPage(HelpBook::pageForTopic(topic));
}

} // namespace brio
