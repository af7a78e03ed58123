#include "ui/plugins/PluginRun.h"

#include "net/NetworkWait.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPointer>
#include <optional>

namespace brio {

namespace {

// While a general plug-in runs the program takes no input in any window (the
// plug-in may be changing the message) and cannot be closed, but it keeps
// painting and answering the window system.
class PluginWait final : public QObject
{
public:
    explicit PluginWait(MainWindow *main)
        : m_main(main)
    {
        qApp->installEventFilter(this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (m_main) {
            m_main->setEnabled(false);
            m_main->pauseHeldSends(true);
        }
    }
    ~PluginWait() override
    {
        if (m_main) {
            m_main->pauseHeldSends(false);
            m_main->setEnabled(true);
        }
        QApplication::restoreOverrideCursor();
        qApp->removeEventFilter(this);
    }
    PluginWait(const PluginWait &) = delete;
    PluginWait &operator=(const PluginWait &) = delete;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (!isUserInput(event->type()) && event->type() != QEvent::Close)
            return false;
        event->ignore();
        return true;
    }

private:
    QPointer<MainWindow> m_main;
};

} // namespace

void runGeneralPlugin(const Context &ctx, const PluginDescriptor &plugin)
{
    std::optional<Error> failure;
    {
        const PluginWait wait(MainWindow::of(ctx));
        QCoreApplication::processEvents();
        try {
            RunAndWait(ctx, plugin);
        } catch (const Error &e) {
            failure = e;
        }
    }
    if (failure)
        ReportError(ctx, *failure);
    emit ctx.notifier().messageStateReloaded();
}

void applyPluginMenu(const PluginMenu &menu, QAction *separator1, const std::array<QAction *, 10> &items,
                     QAction *separator2, QAction *others)
{
    for (size_t i = 0; i < items.size(); ++i) {
        const bool shown = qsizetype(i) < menu.captions.size();
        if (shown)
            items[i]->setText(QString(menu.captions.at(qsizetype(i))).replace(QLatin1Char('&'), QLatin1String("&&")));
        items[i]->setVisible(shown);
        items[i]->setEnabled(shown);
    }
    separator1->setVisible(!menu.captions.isEmpty());
    separator2->setVisible(menu.showOthers);
    others->setVisible(menu.showOthers);
    others->setEnabled(menu.showOthers);
}

void fillPluginCombo(QComboBox *combo, const QList<PluginListEntry> &entries)
{
    combo->clear();
    for (const PluginListEntry &e : entries)
        combo->addItem(e.name, qlonglong(e.index));
}

} // namespace brio
