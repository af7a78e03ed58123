#pragma once

#include "context/Context.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <functional>

class QProgressDialog;
class QWidget;

namespace brio {

struct SyncSummary;

// The address book's sync with its CardDAV server while the windows run:
// on demand from the menu, with a progress window whose stop button works,
// and every CardDAV/Minutes minutes on the run's clock. One runner for
// both, so two syncs never overlap. Open windows hear of what the sync
// changed through the notifier.
class BookSync final : public QObject
{
    Q_OBJECT
public:
    // How often the clock is looked at.
    static constexpr int kTickMs = 30000;

    BookSync(Context &ctx, QWidget *window);
    ~BookSync() override;

    // The runner of the main window of this run, or nullptr.
    static BookSync *of(QWidget *window);

    // The menu command: progress, stop button, summary or failure shown.
    void syncNow();
    // The timer: a quiet sync when one is due and nothing else runs; a
    // failure goes to the status bar, tried again at the next period.
    void tick();
    bool running() const;

private:
    struct Outcome;
    Outcome run(const std::function<bool(int, int)> &progress);
    bool progressShown(int done, int total);

    Context &m_ctx;
    QPointer<QWidget> m_window;
    QDateTime m_last; // the last sync's end, or the start of the run
    bool m_running = false;
    bool m_stop = false; // the stop button was pressed
    QProgressDialog *m_progress = nullptr; // while the menu's sync runs
};

// Italian words for the failure first, the engine's text as detail.
QString syncFailureText(int errorNumber, const QString &detail);

} // namespace brio
