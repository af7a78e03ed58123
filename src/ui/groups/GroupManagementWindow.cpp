#include "ui/groups/GroupManagementWindow.h"

#include "context/Notifier.h"
#include "core/Texts.h"
#include "groups/Groups.h"
#include "ui/ListRoutines.h"
#include "ui/ScreenReader.h"
#include "ui/help/HelpLink.h"
#include "ui/WhileShown.h"
#include "ui/addressbook/ContactEditor.h"
#include "ui/groups/GroupMembersWindow.h"
#include "ui/groups/NewGroupWindow.h"
#include "ui_GroupManagementWindow.h"

#include <QApplication>

namespace brio {

void LoadGroupList(const Context &ctx, QListWidget *list)
{
    const int row = selectedRow(list);
    const qint64 selected = row < 0 ? -1 : entryData(list, row);
    setEntries(list, groupListEntries(ctx.db()));
    for (int i = 0; i < list->count(); ++i) {
        if (entryData(list, i) == selected)
            list->setCurrentRow(i);
    }
}

GroupManagementWindow::GroupManagementWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::GroupManagementWindow>())
{
    m_ui->setupUi(this);
    nameControlsForScreenReaders(*this);
    attachHelp(m_ctx, this);
    prepareList(m_ui->lst_gruppi);
    connect(m_ui->cmNuovo, &QPushButton::clicked, this, &GroupManagementWindow::cmNuovo_Click);
    connect(m_ui->cmElimina, &QPushButton::clicked, this, &GroupManagementWindow::cmElimina_Click);
    connect(m_ui->cmModifica, &QPushButton::clicked, this, &GroupManagementWindow::cmModifica_Click);
    connect(m_ui->cmd_inserisciNuovi, &QPushButton::clicked, this,
            &GroupManagementWindow::cmd_inserisciNuovi_Click);
    connect(m_ui->cmChiudi, &QPushButton::clicked, this, &QDialog::close);
    // Counts change when a contact joins a group or leaves the book.
    whileShown(this, [this] {
        Notifier &n = m_ctx.notifier();
        return QList<QMetaObject::Connection>{
            connect(&n, &Notifier::groupsChanged, this, &GroupManagementWindow::reload),
            connect(&n, &Notifier::contactChanged, this, &GroupManagementWindow::reload),
        };
    });
    Form_Load();
}

GroupManagementWindow::~GroupManagementWindow() = default;

GroupManagementWindow *GroupManagementWindow::showFor(Context &ctx, QWidget *parent)
{
    GroupManagementWindow *window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *open = qobject_cast<GroupManagementWindow *>(w);
        if (open && &open->m_ctx == &ctx && open->isVisible())
            window = open;
    }
    if (!window) {
        const WaitCursor wait;
        window = new GroupManagementWindow(ctx, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void GroupManagementWindow::Form_Load()
{
    reload();
}

void GroupManagementWindow::reload()
{
    guarded(m_ctx, [&] { LoadGroupList(m_ctx, m_ui->lst_gruppi); });
    // Without a group there is nothing to delete, fill or add to.
    const bool any = m_ui->lst_gruppi->count() > 0;
    for (QWidget *w : {m_ui->cmElimina, m_ui->cmModifica, m_ui->cmd_inserisciNuovi})
        w->setEnabled(any);
}

qint64 GroupManagementWindow::selectedGroup() const
{
    const int row = selectedRow(m_ui->lst_gruppi);
    return row < 0 ? -1 : entryData(m_ui->lst_gruppi, row);
}

void GroupManagementWindow::selectGroup(qint64 groupId)
{
    for (int i = 0; i < m_ui->lst_gruppi->count(); ++i) {
        if (entryData(m_ui->lst_gruppi, i) == groupId)
            m_ui->lst_gruppi->setCurrentRow(i);
    }
}

void GroupManagementWindow::cmNuovo_Click()
{
    // The new group comes out selected here, ready for its members.
    NewGroupWindow *window = NewGroupWindow::showFor(m_ctx, parentWidget());
    connect(window, &NewGroupWindow::created, this, &GroupManagementWindow::selectGroup, Qt::UniqueConnection);
}

void GroupManagementWindow::cmElimina_Click()
{
    guarded(m_ctx, [&] {
        const int row = selectedRow(m_ui->lst_gruppi);
        if (row < 0)
            return;
        const QString question = Texts::tr("Vuoi eliminare il gruppo ") + m_ui->lst_gruppi->item(row)->text();
        if (m_ctx.message(Icon::Question, question, Buttons::YesNo) == Answer::Yes)
            deleteGroup(m_ctx.db(), m_ctx.notifier(), entryData(m_ui->lst_gruppi, row));
        reload();
    });
}

void GroupManagementWindow::cmModifica_Click()
{
    guarded(m_ctx, [&] {
        GroupMembersWindow::showFor(m_ctx, parentWidget(), selectedGroup());
        close();
    });
}

void GroupManagementWindow::cmd_inserisciNuovi_Click()
{
    guarded(m_ctx, [&] {
        const qint64 group = selectedGroup();
        if (group < 0) {
            m_ctx.message(Icon::Information, Texts::tr("Seleziona un gruppo."));
            return;
        }
        m_ctx.state.PendingGroupId = qint32(group);
        ContactEditor::showModeless(m_ctx, parentWidget());
        close();
    });
}

} // namespace brio
