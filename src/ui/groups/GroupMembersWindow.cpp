#include "ui/groups/GroupMembersWindow.h"

#include "context/Notifier.h"
#include "core/Texts.h"
#include "groups/Groups.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/help/HelpLink.h"
#include "ui/WhileShown.h"
#include "ui/addressbook/ContactEditor.h"
#include "ui/addressbook/ContactSearchWindow.h"
#include "ui/addressbook/RecipientPicker.h"
#include "ui/groups/NewGroupWindow.h"
#include "ui_GroupMembersWindow.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QSet>
#include <QSignalBlocker>

namespace brio {

GroupMembersWindow::GroupMembersWindow(Context &ctx, qint64 groupId, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::GroupMembersWindow>())
{
    m_ui->setupUi(this);
    attachHelp(m_ctx, this);
    m_mnuPopupContatti = new QMenu(this);
    m_mnuPopupContatti->setObjectName(QStringLiteral("mnuPopupContatti"));
    m_mnuAggiungiGruppo = addMenuItem(m_mnuPopupContatti, "mnuAggiungiGruppo", Texts::tr("&Aggiungi a Gruppo"));
    m_mnuProprietaContatto =
        addMenuItem(m_mnuPopupContatti, "mnuProprietaContatto", Texts::tr("&Proprietà Contatto"));
    m_mnuPopupGruppi = new QMenu(this);
    m_mnuPopupGruppi->setObjectName(QStringLiteral("mnuPopupGruppi"));
    m_mnuEscludiGruppo = addMenuItem(m_mnuPopupGruppi, "mnuEscludiGruppo", Texts::tr("&Escludi da Gruppo"));

    for (QListWidget *list : {m_ui->lst_destinatari, m_ui->lst_gruppo}) {
        prepareList(list);
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }

    connect(m_ui->cb_gruppi, &QComboBox::currentIndexChanged, this, &GroupMembersWindow::cb_gruppi_Click);
    connect(m_ui->cmdAddSingle, &QPushButton::clicked, this, &GroupMembersWindow::cmdAddSingle_Click);
    connect(m_mnuAggiungiGruppo, &QAction::triggered, this, &GroupMembersWindow::cmdAddSingle_Click);
    connect(m_ui->cmdAddAll, &QPushButton::clicked, this, &GroupMembersWindow::cmdAddAll_Click);
    connect(m_ui->cmdDelSingle, &QPushButton::clicked, this, &GroupMembersWindow::cmdDelSingle_Click);
    connect(m_mnuEscludiGruppo, &QAction::triggered, this, &GroupMembersWindow::cmdDelSingle_Click);
    connect(m_ui->cmdDelAll, &QPushButton::clicked, this, &GroupMembersWindow::cmdDelAll_Click);
    connect(m_ui->cmd_properties, &QPushButton::clicked, this, &GroupMembersWindow::cmd_properties_Click);
    connect(m_mnuProprietaContatto, &QAction::triggered, this, &GroupMembersWindow::cmd_properties_Click);
    connect(m_ui->cmd_rubrica, &QPushButton::clicked, this, &GroupMembersWindow::cmd_rubrica_Click);
    connect(m_ui->cmd_gruppi, &QPushButton::clicked, this, &GroupMembersWindow::cmd_gruppi_Click);
    connect(m_ui->cmd_ricercaContatti, &QPushButton::clicked, this,
            &GroupMembersWindow::cmd_ricercaContatti_Click);
    connect(m_ui->cmd_ok, &QPushButton::clicked, this, &QDialog::close);
    whileShown(this, [this] {
        Notifier &n = m_ctx.notifier();
        return QList<QMetaObject::Connection>{
            connect(&n, &Notifier::contactChanged, this, &GroupMembersWindow::contactChanged),
            connect(&n, &Notifier::groupsChanged, this, &GroupMembersWindow::groupsChanged),
        };
    });
    Form_Load(groupId);
}

GroupMembersWindow::~GroupMembersWindow() = default;

GroupMembersWindow *GroupMembersWindow::showFor(Context &ctx, QWidget *parent, qint64 groupId)
{
    GroupMembersWindow *window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *open = qobject_cast<GroupMembersWindow *>(w);
        if (open && &open->m_ctx == &ctx && open->isVisible())
            window = open;
    }
    if (window) {
        if (groupId != -1)
            window->selectGroup(groupId);
    } else {
        const WaitCursor wait;
        window = new GroupMembersWindow(ctx, groupId, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void GroupMembersWindow::Form_Load(qint64 groupId)
{
    guarded(m_ctx, [&] {
        {
            // One filling of the members, for the group finally chosen.
            const QSignalBlocker block(m_ui->cb_gruppi);
            LoadGroupCombo(m_ctx, m_ui->cb_gruppi, true, GroupComboMode::GroupNames);
            const int row = m_ui->cb_gruppi->findData(QVariant(qlonglong(groupId)));
            if (groupId != -1 && row >= 0)
                m_ui->cb_gruppi->setCurrentIndex(row);
        }
        cb_gruppi_Click();
        LoadAddressBookList();
    });
    updateCommands();
}

qint64 GroupMembersWindow::groupId() const
{
    return m_ui->cb_gruppi->currentIndex() < 0 ? -1 : m_ui->cb_gruppi->currentData().toLongLong();
}

void GroupMembersWindow::selectGroup(qint64 id)
{
    const int row = m_ui->cb_gruppi->findData(QVariant(qlonglong(id)));
    if (row >= 0)
        m_ui->cb_gruppi->setCurrentIndex(row);
}

void GroupMembersWindow::updateCommands()
{
    // Without a group the moves have nowhere to go.
    const bool any = groupId() != -1;
    for (QWidget *w : {m_ui->cmdAddSingle, m_ui->cmdAddAll, m_ui->cmdDelSingle, m_ui->cmdDelAll})
        w->setEnabled(any);
    m_mnuAggiungiGruppo->setEnabled(any);
    m_mnuEscludiGruppo->setEnabled(any);
}

void GroupMembersWindow::cb_gruppi_Click()
{
    guarded(m_ctx, [&] { LoadMemberList(m_ctx, m_ui->cb_gruppi, m_ui->lst_gruppo); });
}

void GroupMembersWindow::LoadAddressBookList()
{
    guarded(m_ctx, [&] {
        const WaitCursor wait;
        setEntries(m_ui->lst_destinatari, memberEntries(m_ctx.db(), kWholeAddressBook));
    });
}

void GroupMembersWindow::cmdAddSingle_Click()
{
    guarded(m_ctx, [&] {
        const int row = selectedRow(m_ui->lst_destinatari);
        const qint64 group = groupId();
        if (row < 0 || group == -1)
            return;
        const qint64 contact = entryData(m_ui->lst_destinatari, row);
        for (int i = 0; i < m_ui->lst_gruppo->count(); ++i) {
            if (entryData(m_ui->lst_gruppo, i) == contact)
                return;
        }
        qint64 added = 0;
        {
            const QScopedValueRollback<bool> own(m_changing, true);
            added = addMembers(m_ctx.db(), m_ctx.notifier(), group, {contact});
        }
        if (added > 0)
            addEntry(m_ui->lst_gruppo, m_ui->lst_destinatari->item(row)->text(), contact);
    });
}

void GroupMembersWindow::cmdAddAll_Click()
{
    guarded(m_ctx, [&] {
        const qint64 group = groupId();
        if (group == -1)
            return;
        const WaitCursor wait;
        QListWidget *book = m_ui->lst_destinatari;
        if (!m_filtered) {
            // The list is the whole book, and so is the group afterwards:
            // one statement, and the members are the book's entries.
            {
                const QScopedValueRollback<bool> own(m_changing, true);
                addWholeBook(m_ctx.db(), m_ctx.notifier(), group);
            }
            book->clearSelection();
            QListWidget *members = m_ui->lst_gruppo;
            members->clear();
            for (int i = 0; i < book->count(); ++i)
                members->addItem(book->item(i)->clone());
            return;
        }
        QSet<qint64> members;
        for (int i = 0; i < m_ui->lst_gruppo->count(); ++i)
            members.insert(entryData(m_ui->lst_gruppo, i));
        QList<qint64> contacts;
        for (int i = 0; i < book->count(); ++i) {
            const qint64 c = entryData(book, i);
            if (!members.contains(c))
                contacts.append(c);
        }
        {
            const QScopedValueRollback<bool> own(m_changing, true);
            addMembers(m_ctx.db(), m_ctx.notifier(), group, contacts);
        }
        book->clearSelection();
        cb_gruppi_Click();
    });
}

void GroupMembersWindow::cmdDelSingle_Click()
{
    guarded(m_ctx, [&] {
        const int row = selectedRow(m_ui->lst_gruppo);
        const qint64 group = groupId();
        if (row < 0 || group == -1)
            return;
        {
            const QScopedValueRollback<bool> own(m_changing, true);
            removeMember(m_ctx.db(), m_ctx.notifier(), group, entryData(m_ui->lst_gruppo, row));
        }
        delete m_ui->lst_gruppo->takeItem(row);
    });
}

void GroupMembersWindow::cmdDelAll_Click()
{
    guarded(m_ctx, [&] {
        const qint64 group = groupId();
        if (group == -1)
            return;
        const WaitCursor wait;
        {
            const QScopedValueRollback<bool> own(m_changing, true);
            removeAllMembers(m_ctx.db(), m_ctx.notifier(), group);
        }
        cb_gruppi_Click();
    });
}

void GroupMembersWindow::cmd_properties_Click()
{
    guarded(m_ctx, [&] {
        const int row = selectedRow(m_ui->lst_destinatari);
        if (row < 0)
            return;
        m_ctx.state.PendingContactId = qint32(entryData(m_ui->lst_destinatari, row));
        ContactEditor::showModal(m_ctx, this);
        cb_gruppi_Click();
    });
}

void GroupMembersWindow::cmd_rubrica_Click()
{
    guarded(m_ctx, [&] { RecipientPicker::showFor(m_ctx, parentWidget()); });
}

void GroupMembersWindow::cmd_gruppi_Click()
{
    NewGroupWindow *window = NewGroupWindow::showFor(m_ctx, parentWidget());
    connect(window, &NewGroupWindow::created, this, &GroupMembersWindow::selectGroup, Qt::UniqueConnection);
}

void GroupMembersWindow::cmd_ricercaContatti_Click()
{
    if (!m_filtered) {
        ContactSearchWindow *search = ContactSearchWindow::showFor(m_ctx, this);
        connect(search, &ContactSearchWindow::chosen, this, &GroupMembersWindow::showSearchResults,
                Qt::UniqueConnection);
        return;
    }
    m_ui->cmd_ricercaContatti->setText(Texts::tr("&Ricerca Contatti"));
    m_filtered = false;
    LoadAddressBookList();
}

void GroupMembersWindow::showSearchResults(const ListEntries &found)
{
    setEntries(m_ui->lst_destinatari, found);
    m_filtered = true;
    m_ui->cmd_ricercaContatti->setText(Texts::tr("Tutta la rubrica"));
}

void GroupMembersWindow::contactChanged(qint32 id, const QString &name, const QString &number, bool removed)
{
    QListWidget *book = m_ui->lst_destinatari;
    const QString text = contactEntryText(name, number);
    bool listed = false;
    for (int i = 0; i < book->count(); ++i) {
        if (entryData(book, i) != id)
            continue;
        listed = true;
        if (removed) {
            delete book->takeItem(i);
            break;
        }
        book->item(i)->setText(text);
    }
    // A new contact joins the whole book in name order; search results
    // stay as they were found.
    if (!listed && !removed && !m_filtered) {
        int low = 0;
        int high = book->count();
        while (low < high) {
            const int mid = (low + high) / 2;
            const QString listed = book->item(mid)->text();
            if (compareNames(listed.left(listed.lastIndexOf(QLatin1Char(','))), name) <= 0)
                low = mid + 1;
            else
                high = mid;
        }
        auto *item = new QListWidgetItem(text);
        item->setData(Qt::UserRole, QVariant(qlonglong(id)));
        book->insertItem(low, item);
    }
    cb_gruppi_Click();
}

void GroupMembersWindow::groupsChanged()
{
    if (m_changing)
        return;
    const qint64 shown = groupId();
    const QString shownName = m_ui->cb_gruppi->currentText();
    guarded(m_ctx, [&] { ReloadGroupCombo(m_ctx, m_ui->cb_gruppi, true, GroupComboMode::GroupNames); });
    if (shown != -1 && m_ui->cb_gruppi->findData(QVariant(qlonglong(shown))) < 0) {
        // The next moves would go into whichever group the list fell back on.
        m_ctx.message(Icon::Information,
                      Texts::tr("Il gruppo %1 è stato eliminato in un'altra finestra: la finestra si chiude.")
                          .arg(shownName));
        close();
        return;
    }
    cb_gruppi_Click();
    updateCommands();
}

bool GroupMembersWindow::eventFilter(QObject *watched, QEvent *event)
{
    QListWidget *book = m_ui->lst_destinatari;
    QListWidget *members = m_ui->lst_gruppo;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        // Enter or Insert adds, Delete removes: the moves without the mouse.
        if (watched == book && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Insert)) {
            cmdAddSingle_Click();
            return true;
        }
        if (watched == members && key == Qt::Key_Delete) {
            selectCurrentIfNone(members);
            cmdDelSingle_Click();
            return true;
        }
        break;
    }
    case QEvent::ContextMenu: {
        // The menu key opens the pop-up of the selected entry; the right
        // button is served on its press.
        auto *menuEvent = static_cast<QContextMenuEvent *>(event);
        for (QListWidget *list : {book, members}) {
            if (watched != list && watched != list->viewport())
                continue;
            const int row = selectedRow(list);
            if (menuEvent->reason() == QContextMenuEvent::Keyboard && row >= 0) {
                QMenu *popup = list == book ? m_mnuPopupContatti : m_mnuPopupGruppi;
                popup->exec(list->viewport()->mapToGlobal(list->visualItemRect(list->item(row)).center()));
            }
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::RightButton)
            break;
        for (QListWidget *list : {book, members}) {
            if (watched == list->viewport()) {
                popUpOverEntry(list, list == book ? m_mnuPopupContatti : m_mnuPopupGruppi,
                              mouse->position().toPoint());
                return true;
            }
        }
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        // Only the address-book list may be dropped on the members.
        if (watched == members->viewport()) {
            auto *drop = static_cast<QDropEvent *>(event);
            if (drop->source() != book || groupId() == -1) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            if (event->type() == QEvent::Drop)
                cmdAddSingle_Click();
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace brio
