#pragma once

#include "addressbook/ListEntries.h"
#include "context/Context.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ContactSearchWindow;
}

namespace brio {

class AddressBookModel;
struct SearchCriteria;

// frmTrovaContatti: finds contacts by any mix of criteria; OK hands the
// selected ones to the window that opened it. Shown without waiting.
class ContactSearchWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit ContactSearchWindow(Context &ctx, QWidget *parent = nullptr);
    ~ContactSearchWindow() override;

    // The one search window of the run, raised when it is open already.
    // Deleted when closed.
    static ContactSearchWindow *showFor(Context &ctx, QWidget *parent);

signals:
    // "&OK": the selected results in list order (maybe none).
    void chosen(const brio::ListEntries &contacts);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class SearchState { Searching = 1, Idle = 2 };

    void Form_Load();
    void cmd_trova_Click();
    void cmd_stop_Click();
    void cmd_selezionatutti_Click();
    void cmd_ok_Click();
    void cmd_cancella_Click();
    void SetSearchState(SearchState state);
    SearchCriteria criteria() const;
    void groupsChanged();

    Context &m_ctx;
    std::unique_ptr<Ui::ContactSearchWindow> m_ui;
    AddressBookModel *m_found; // lst_elenco
    bool m_stop = false; // set by "&Interrompi", cleared when a search starts
};

} // namespace brio
