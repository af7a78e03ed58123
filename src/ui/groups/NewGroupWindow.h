#pragma once

#include "context/Context.h"

#include <QDialog>
#include <memory>
#include <optional>
#include <utility>

namespace Ui {
class NewGroupWindow;
}

namespace brio {

// frmNuovoGruppo: a new group, empty or with the members of another list.
// Shown without waiting; closes itself once the group is created.
class NewGroupWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit NewGroupWindow(Context &ctx, QWidget *parent = nullptr);
    ~NewGroupWindow() override;

    // The one new-group window of the run, raised when it is open already.
    static NewGroupWindow *showFor(Context &ctx, QWidget *parent);

signals:
    // For the window that asked for it, which then shows the new group.
    void created(qint64 groupId);

private:
    void Form_Load();
    void cb_gruppi_Click();
    void opt_copiaDa_Click();
    void cmd_inserisci_Click();
    void reloadSources(); // the copy-source list, keeping its choice

    Context &m_ctx;
    std::unique_ptr<Ui::NewGroupWindow> m_ui;
    // The copy source the user chose and that was deleted meanwhile: the
    // list no longer shows it, but the copy must not fall on another list.
    std::optional<std::pair<qint64, QString>> m_goneSource;
};

} // namespace brio
