#include "ui/addressbook/BookSync.h"

#include "addressbook/Contacts.h"
#include "carddav/CardDavClient.h"
#include "carddav/CardDavSync.h"
#include "context/Notifier.h"
#include "core/Error.h"
#include "core/Log.h"
#include "core/Texts.h"
#include "groups/Groups.h"
#include "net/NetworkWait.h"
#include "store/Database.h"
#include "ui/main/MainWindow.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <optional>

namespace brio {

namespace {

// What the windows show of the book: each contact's name and number, each
// group's name and members. Compared before and after a sync, so that the
// windows hear of every change, also of a sync stopped or failed half-way.
struct BookView
{
    QHash<qint64, QPair<QString, QString>> contacts;
    QHash<qint64, QString> groups;
    QHash<qint64, QSet<qint64>> members;
};

BookView viewOf(Database &db)
{
    BookView v;
    for (const Contact &c : contactNumbers(db))
        v.contacts.insert(c.id, {c.name, c.number});
    for (const Group &g : groupsByName(db))
        v.groups.insert(g.id, g.name);
    v.members = membershipsByGroup(db);
    return v;
}

QList<qint64> sortedList(const QSet<qint64> &ids)
{
    QList<qint64> out(ids.cbegin(), ids.cend());
    std::sort(out.begin(), out.end());
    return out;
}

// The fine-grained signals the item models follow without reading the book again.
void announce(Notifier &n, const BookView &before, const BookView &after)
{
    for (auto c = before.contacts.cbegin(); c != before.contacts.cend(); ++c) {
        if (!after.contacts.contains(c.key()))
            emit n.contactChanged(qint32(c.key()), c->first, c->second, true);
    }
    for (auto c = after.contacts.cbegin(); c != after.contacts.cend(); ++c) {
        const auto was = before.contacts.constFind(c.key());
        if (was == before.contacts.cend() || *was != *c)
            emit n.contactChanged(qint32(c.key()), c->first, c->second, false);
    }
    bool groups = before.groups != after.groups;
    for (auto g = after.groups.cbegin(); g != after.groups.cend(); ++g) {
        const QSet<qint64> was = before.members.value(g.key());
        const QSet<qint64> now = after.members.value(g.key());
        if (was == now)
            continue;
        groups = true;
        const QSet<qint64> joined = QSet<qint64>(now).subtract(was);
        const QSet<qint64> left = QSet<qint64>(was).subtract(now);
        if (!joined.isEmpty())
            emit n.membersAdded(g.key(), sortedList(joined));
        if (!left.isEmpty())
            emit n.membersRemoved(g.key(), sortedList(left));
    }
    if (groups)
        emit n.groupsChanged();
}

// A sync started by the timer waits while anything else runs: a modal
// window, a send or a plug-in waiting in its own event loop.
bool somethingElseRuns()
{
    return QApplication::activeModalWidget() != nullptr || QThread::currentThread()->loopLevel() > 1;
}

} // namespace

struct BookSync::Outcome
{
    std::optional<SyncSummary> summary;
    std::optional<Error> failure;
    bool stopped = false;
};

QString syncFailureText(int errorNumber, const QString &detail)
{
    QString what;
    switch (errorNumber) {
    case ErrorNo::CardDavNetwork:
        what = Texts::tr("il server CardDAV non risponde (rete assente o server spento).");
        break;
    case ErrorNo::CardDavAuth:
        what = Texts::tr("il server CardDAV rifiuta il nome utente o la password.");
        break;
    case ErrorNo::CardDavChanged:
        what = Texts::tr("una scheda è cambiata sul server durante la sincronizzazione; riprovare.");
        break;
    case ErrorNo::CardDavGarbage:
        what = Texts::tr("il server ha dato una risposta che non è quella di un server CardDAV.");
        break;
    case ErrorNo::CardDavSetup:
        what = Texts::tr("l'account CardDAV non è impostato del tutto (Opzioni).");
        break;
    default:
        what = Texts::tr("errore della rubrica.");
        break;
    }
    return Texts::tr("Sincronizzazione della rubrica non riuscita: %1\nLe modifiche già applicate restano, la "
                     "rubrica è coerente.\n\nDettaglio: %2")
        .arg(what, detail);
}

BookSync::BookSync(Context &ctx, QWidget *window)
    : QObject(window)
    , m_ctx(ctx)
    , m_window(window)
    , m_last(ctx.clock.now())
{
    setObjectName(QStringLiteral("BookSync"));
    auto *timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("tmrSincronizzaRubrica"));
    connect(timer, &QTimer::timeout, this, &BookSync::tick);
    timer->start(kTickMs);
}

BookSync::~BookSync() = default;

BookSync *BookSync::of(QWidget *window)
{
    return window ? window->findChild<BookSync *>(QStringLiteral("BookSync"), Qt::FindDirectChildrenOnly) : nullptr;
}

bool BookSync::running() const
{
    return m_running;
}

BookSync::Outcome BookSync::run(const std::function<bool(int, int)> &progress)
{
    Outcome out;
    m_running = true;
    const auto done = qScopeGuard([this] {
        m_running = false;
        m_last = m_ctx.clock.now();
    });
    std::optional<BookView> before;
    bool stopAsked = false;
    try {
        Database &db = m_ctx.db();
        before = viewOf(db);
        const CardDavAccount account = CardDavAccount::fromSettings(m_ctx.settings);
        CardDavClient client(account.url, account.user, account.password, account.timeoutMs);
        CardDavSync sync(db, client, chooseAddressBook(client, account));
        sync.setProgress([&](int d, int t) {
            stopAsked = progress && !progress(d, t);
            return !stopAsked;
        });
        out.summary = sync.run();
    } catch (const Error &e) {
        // The engine ends a stop with the same error as a missing account.
        out.stopped = stopAsked;
        if (!stopAsked)
            out.failure = e;
    }
    // Every batch applied, also before a stop or a failure.
    if (before && m_ctx.state.book.isOpen()) {
        try {
            announce(m_ctx.notifier(), *before, viewOf(m_ctx.state.book.database()));
        } catch (const Error &e) {
            if (!out.failure)
                out.failure = e;
        }
    }
    return out;
}

bool BookSync::progressShown(int done, int total)
{
    if (!m_progress)
        return true;
    if (total > 0 && !m_stop) {
        m_progress->setLabelText(Texts::tr("Sincronizzazione della rubrica: %1 di %2 schede...").arg(done).arg(total));
        m_progress->setMaximum(total);
        m_progress->setValue(qMin(done, total));
    }
    // Input between the steps too; the stop button also works while the
    // network is awaited.
    QCoreApplication::processEvents();
    return !m_stop;
}

void BookSync::syncNow()
{
    if (m_running) {
        m_ctx.message(Icon::Information, Texts::tr("Una sincronizzazione della rubrica è già in corso."));
        return;
    }
    if (!m_ctx.state.book.isOpen()) {
        m_ctx.message(Icon::Exclamation, Texts::tr("La rubrica non è aperta: sincronizzazione non possibile."));
        return;
    }
    QProgressDialog progress(Texts::tr("Collegamento al server CardDAV..."), Texts::tr("&Interrompi"), 0, 0, m_window);
    progress.setObjectName(QStringLiteral("frmSincronizza"));
    progress.setWindowTitle(Texts::tr("Sincronizza rubrica"));
    // No other window takes input between the batches: nothing changes the book under the sync.
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    // Wide enough for the longest line it will show, so that it never cuts one.
    progress.setMinimumWidth(
        progress.fontMetrics().horizontalAdvance(
            Texts::tr("Sincronizzazione della rubrica: %1 di %2 schede...").arg(99999).arg(99999))
        + 4 * progress.fontMetrics().averageCharWidth());
    // Stopping waits for the batch under way: the window stays until then.
    m_stop = false;
    // Qt joins them by name, so only a disconnect by name parts them.
    disconnect(&progress, SIGNAL(canceled()), &progress, SLOT(cancel()));
    // The button, closing the window and Esc all stop.
    const auto stop = [this, &progress] {
        m_stop = true;
        progress.setLabelText(Texts::tr("Interruzione dopo il blocco di schede in corso..."));
        progress.show();
    };
    connect(&progress, &QProgressDialog::canceled, this, stop);
    connect(&progress, &QDialog::rejected, this, stop);
    progress.show();
    m_progress = &progress;
    NetworkWait::letInputThrough(QList<QObject *>{&progress, progress.windowHandle()});
    const auto restore = qScopeGuard([this] {
        NetworkWait::letInputThrough({});
        m_progress = nullptr;
    });
    QCoreApplication::processEvents();

    const Outcome out = run([this](int done, int total) { return progressShown(done, total); });
    disconnect(&progress, nullptr, this, nullptr);
    progress.hide();
    if (out.failure) {
        m_ctx.message(Icon::Critical, syncFailureText(out.failure->number(), out.failure->description()));
    } else if (out.stopped) {
        m_ctx.message(Icon::Information,
                      Texts::tr("Sincronizzazione interrotta: le modifiche già applicate restano, la rubrica è "
                                "coerente; il resto alla prossima sincronizzazione."));
    } else if (out.summary) {
        m_ctx.message(Icon::Information, Texts::tr("Sincronizzazione della rubrica completata.\n\n%1")
                                             .arg(out.summary->text().trimmed()));
    }
}

void BookSync::tick()
{
    const int minutes = m_ctx.settings.integer(Key::CardDavMinutes);
    if (minutes <= 0 || m_running || !m_ctx.state.book.isOpen() || m_ctx.settings.text(Key::CardDavURL).trimmed().isEmpty()
        || m_ctx.clock.now() < m_last.addSecs(qint64(minutes) * 60) || somethingElseRuns())
        return;
    const Outcome out = run({});
    QString line;
    if (out.failure) {
        qCWarning(lcUi) << "periodic address book sync failed:" << out.failure->number();
        line = Texts::tr("Sincronizzazione della rubrica non riuscita: %1").arg(out.failure->description());
    } else if (out.summary) {
        line = Texts::tr("Rubrica sincronizzata alle %1").arg(m_ctx.clock.now().toString(QStringLiteral("HH:mm")));
    }
    if (MainWindow *main = MainWindow::of(m_ctx); main && !line.isEmpty())
        main->statusPanel(2)->setText(line);
}

} // namespace brio
