#include "ui/groups/GroupManagementWindow.h"

#include "core/Texts.h"
#include "groups/Groups.h"
#include "ui/ListRoutines.h"
#include "ui/OneWindow.h"
#include "ui/ScreenReader.h"
#include "ui/help/HelpLink.h"
#include "ui/EntryListView.h"
#include "ui/addressbook/ContactEditor.h"
#include "ui/groups/GroupListModel.h"
#include "ui/groups/GroupMembersWindow.h"
#include "ui/groups/NewGroupWindow.h"
#include "ui_GroupManagementWindow.h"


namespace brio {

GroupManagementWindow::GroupManagementWindow(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ctx(ctx)
    , m_ui(std::make_unique<Ui::GroupManagementWindow>())
    , m_groups(new GroupListModel(ctx, groupListEntries, this))
{
    m_ui->setupUi(this);
    nameControlsForScreenReaders(*this);
    attachHelp(m_ctx, this);
    m_ui->lst_gruppi->setModel(m_groups);
    connect(m_ui->cmNuovo, &QPushButton::clicked, this, &GroupManagementWindow::cmNuovo_Click);
    connect(m_ui->cmElimina, &QPushButton::clicked, this, &GroupManagementWindow::cmElimina_Click);
    connect(m_ui->cmModifica, &QPushButton::clicked, this, &GroupManagementWindow::cmModifica_Click);
    connect(m_ui->cmd_inserisciNuovi, &QPushButton::clicked, this,
            &GroupManagementWindow::cmd_inserisciNuovi_Click);
    connect(m_ui->cmChiudi, &QPushButton::clicked, this, &QDialog::close);
    // The list follows the changes of groups, members and the book itself.
    for (auto change : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_groups, change, this, &GroupManagementWindow::updateCommands);
    connect(m_groups, &QAbstractItemModel::modelReset, this, &GroupManagementWindow::updateCommands);
    Form_Load();
}

GroupManagementWindow::~GroupManagementWindow() = default;

GroupManagementWindow *GroupManagementWindow::showFor(Context &ctx, QWidget *parent)
{
    return showOneWindow<GroupManagementWindow>(ctx, [&] {
        const WaitCursor wait;
        return new GroupManagementWindow(ctx, parent);
    });
}

void GroupManagementWindow::Form_Load()
{
    reload();
}

void GroupManagementWindow::reload()
{
    guarded(m_ctx, [&] { m_groups->reload(); });
    updateCommands();
}

void GroupManagementWindow::updateCommands()
{
    // Without a group there is nothing to delete, fill or add to.
    const bool any = m_groups->rowCount() > 0;
    for (QWidget *w : {m_ui->cmElimina, m_ui->cmModifica, m_ui->cmd_inserisciNuovi})
        w->setEnabled(any);
}

qint64 GroupManagementWindow::selectedGroup() const
{
    const int row = m_ui->lst_gruppi->selectedRow();
    return row < 0 ? -1 : m_groups->entry(row).data;
}

void GroupManagementWindow::selectGroup(qint64 groupId)
{
    if (const int row = m_groups->rowOf(groupId); row >= 0)
        m_ui->lst_gruppi->setCurrentIndex(m_groups->index(row));
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
        const int row = m_ui->lst_gruppi->selectedRow();
        if (row < 0)
            return;
        const ListEntry group = m_groups->entry(row);
        const QString question = Texts::tr("Vuoi eliminare il gruppo ") + group.text;
        if (m_ctx.message(Icon::Question, question, Buttons::YesNo) == Answer::Yes)
            deleteGroup(m_ctx.db(), m_ctx.notifier(), group.data);
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
        ContactEditor::showModeless(m_ctx, parentWidget(), group);
        close();
    });
}

} // namespace brio
