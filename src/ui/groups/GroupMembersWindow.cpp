#include "ui/groups/GroupMembersWindow.h"

#include "context/Notifier.h"
#include "core/Texts.h"
#include "groups/Groups.h"
#include "store/Database.h"
#include "ui/ListRoutines.h"
#include "ui/OneWindow.h"
#include "ui/ScreenReader.h"
#include "ui/help/HelpLink.h"
#include "ui/WhileShown.h"
#include "ui/EntryListView.h"
#include "ui/addressbook/AddressBookModel.h"
#include "ui/addressbook/ContactEditor.h"
#include "ui/addressbook/ContactSearchWindow.h"
#include "ui/addressbook/RecipientPicker.h"
#include "ui/groups/NewGroupWindow.h"
#include "ui_GroupMembersWindow.h"

#include <QMenu>
#include <QScopeGuard>
#include <QSignalBlocker>

namespace brio {

namespace {

// What a drag from the address-book list carries.
const QString kBookDrag = QStringLiteral("application/x-briosms-lst_destinatari");

} // namespace

GroupMembersWindow::GroupMembersWindow(Context &ctx, qint64 groupId, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::GroupMembersWindow>())
    , m_book(new AddressBookModel(ctx, kBookDrag, this))
    , m_members(new AddressBookModel(ctx, QString(), this))
{
    m_ui->setupUi(this);
    attachHelp(m_ctx, this);
    nameControlsForScreenReaders(*this);
    m_mnuPopupContatti = new QMenu(this);
    m_mnuPopupContatti->setObjectName(QStringLiteral("mnuPopupContatti"));
    m_mnuAggiungiGruppo = addMenuItem(m_mnuPopupContatti, "mnuAggiungiGruppo", Texts::tr("&Aggiungi a Gruppo"));
    m_mnuProprietaContatto =
        addMenuItem(m_mnuPopupContatti, "mnuProprietaContatto", Texts::tr("&Proprietà Contatto"));
    m_mnuPopupGruppi = new QMenu(this);
    m_mnuPopupGruppi->setObjectName(QStringLiteral("mnuPopupGruppi"));
    m_mnuEscludiGruppo = addMenuItem(m_mnuPopupGruppi, "mnuEscludiGruppo", Texts::tr("&Escludi da Gruppo"));

    EntryListView *book = m_ui->lst_destinatari;
    EntryListView *members = m_ui->lst_gruppo;
    book->setModel(m_book);
    members->setModel(m_members);
    book->setPopup(m_mnuPopupContatti);
    members->setPopup(m_mnuPopupGruppi);
    // Enter or Insert adds, Delete removes: the moves without the mouse.
    book->setCommandKeys({Qt::Key_Return, Qt::Key_Enter, Qt::Key_Insert});
    members->setCommandKeys({Qt::Key_Delete});
    connect(book, &EntryListView::keyCommand, this, &GroupMembersWindow::cmdAddSingle_Click);
    connect(members, &EntryListView::keyCommand, this, &GroupMembersWindow::cmdDelSingle_Click);
    // Only the address-book list may be dropped on the members.
    members->acceptDropsOf(kBookDrag, [this] { return this->groupId() != -1; });
    connect(members, &EntryListView::dropped, this, &GroupMembersWindow::cmdAddSingle_Click);

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
            connect(&n, &Notifier::groupsChanged, this, &GroupMembersWindow::groupsChanged),
        };
    });
    Form_Load(groupId);
}

GroupMembersWindow::~GroupMembersWindow() = default;

GroupMembersWindow *GroupMembersWindow::showFor(Context &ctx, QWidget *parent, qint64 groupId)
{
    bool made = false;
    GroupMembersWindow *window = showOneWindow<GroupMembersWindow>(ctx, [&] {
        const WaitCursor wait;
        made = true;
        return new GroupMembersWindow(ctx, groupId, parent);
    });
    if (!made && groupId != -1)
        window->selectGroup(groupId);
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
    guarded(m_ctx, [&] {
        const WaitCursor wait;
        const qint64 group = groupId();
        m_members->showGroup(group == -1 ? std::nullopt : std::optional(group));
    });
}

void GroupMembersWindow::LoadAddressBookList()
{
    guarded(m_ctx, [&] {
        const WaitCursor wait;
        m_book->showGroup(kWholeAddressBook);
    });
}

void GroupMembersWindow::cmdAddSingle_Click()
{
    guarded(m_ctx, [&] {
        const int row = m_ui->lst_destinatari->selectedRow();
        const qint64 group = groupId();
        if (row < 0 || group == -1)
            return;
        // The members list follows through the notifier.
        addMembers(m_ctx.db(), m_ctx.notifier(), group, {m_book->entry(row).data});
    });
}

void GroupMembersWindow::cmdAddAll_Click()
{
    guarded(m_ctx, [&] {
        const qint64 group = groupId();
        if (group == -1)
            return;
        const WaitCursor wait;
        if (m_book->group() == kWholeAddressBook) {
            // The list is the whole book: one statement, and the members
            // list takes the book's entries rather than reading them again.
            m_members->expectMembers(group, m_book->entries());
            const auto forget = qScopeGuard([this] { m_members->expectMembers(-1, {}); });
            addWholeBook(m_ctx.db(), m_ctx.notifier(), group);
        } else {
            QList<qint64> contacts;
            contacts.reserve(m_book->rowCount());
            for (const ListEntry &e : m_book->entries()) {
                if (m_members->rowOf(e.data) < 0)
                    contacts.append(e.data);
            }
            addMembers(m_ctx.db(), m_ctx.notifier(), group, contacts);
        }
        m_ui->lst_destinatari->clearSelection();
    });
}

void GroupMembersWindow::cmdDelSingle_Click()
{
    guarded(m_ctx, [&] {
        const int row = m_ui->lst_gruppo->selectedRow();
        const qint64 group = groupId();
        if (row < 0 || group == -1)
            return;
        removeMember(m_ctx.db(), m_ctx.notifier(), group, m_members->entry(row).data);
    });
}

void GroupMembersWindow::cmdDelAll_Click()
{
    guarded(m_ctx, [&] {
        const qint64 group = groupId();
        if (group == -1)
            return;
        const WaitCursor wait;
        removeAllMembers(m_ctx.db(), m_ctx.notifier(), group);
    });
}

void GroupMembersWindow::cmd_properties_Click()
{
    guarded(m_ctx, [&] {
        const int row = m_ui->lst_destinatari->selectedRow();
        if (row < 0)
            return;
        // The lists follow what the editor stores through the notifier.
        ContactEditor::showModal(m_ctx, this, m_book->entry(row).data);
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
    if (m_book->group() == kWholeAddressBook) {
        ContactSearchWindow *search = ContactSearchWindow::showFor(m_ctx, this);
        connect(search, &ContactSearchWindow::chosen, this, &GroupMembersWindow::showSearchResults,
                Qt::UniqueConnection);
        return;
    }
    m_ui->cmd_ricercaContatti->setText(Texts::tr("&Ricerca Contatti"));
    LoadAddressBookList();
}

void GroupMembersWindow::showSearchResults(const ListEntries &found)
{
    m_book->showFound(found);
    m_ui->cmd_ricercaContatti->setText(Texts::tr("Tutta la rubrica"));
}

void GroupMembersWindow::groupsChanged()
{
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
    // The members follow their own changes; a first group made meanwhile is
    // shown.
    if (groupId() != shown)
        cb_gruppi_Click();
    updateCommands();
}

} // namespace brio
