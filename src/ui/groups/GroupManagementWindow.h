#pragma once

#include "context/Context.h"

#include <QDialog>
#include <memory>

namespace Ui {
class GroupManagementWindow;
}

namespace brio {

class GroupListModel;

// frmGestioneGruppi: creates and deletes groups and leads to their members.
// Shown without waiting; its list follows the changes of other windows.
class GroupManagementWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit GroupManagementWindow(Context &ctx, QWidget *parent = nullptr);
    ~GroupManagementWindow() override;

    // The one group management window of the run: opened on first use,
    // raised when it is open already. Deleted when closed.
    static GroupManagementWindow *showFor(Context &ctx, QWidget *parent);

private:
    void Form_Load();
    void cmNuovo_Click();
    void cmElimina_Click();
    void cmModifica_Click();
    void cmd_inserisciNuovi_Click();
    void reload();
    void updateCommands();
    void selectGroup(qint64 groupId);
    qint64 selectedGroup() const; // -1 when none is selected

    Context &m_ctx;
    std::unique_ptr<Ui::GroupManagementWindow> m_ui;
    GroupListModel *m_groups; // lst_gruppi
};

} // namespace brio
