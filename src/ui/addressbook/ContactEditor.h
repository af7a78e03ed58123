#pragma once

#include "context/Context.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ContactEditor;
}

namespace brio {

// frmContatto: creates, changes or deletes one contact. It opens in modify
// mode for AppState::PendingContactId and in insert mode otherwise, with the
// group of PendingGroupId preselected; both are consumed on opening. Other
// windows learn of what it stores through the Notifier.
class ContactEditor final : public QDialog
{
    Q_OBJECT
public:
    explicit ContactEditor(Context &ctx, QWidget *parent = nullptr);
    ~ContactEditor() override;

    // As the menu and the recipient picker open it: modal, returns when closed.
    static void showModal(Context &ctx, QWidget *parent);
    // As group management opens it: not modal, deleted when closed.
    static ContactEditor *showModeless(Context &ctx, QWidget *parent);

private:
    void Form_Load();
    void cb_paese_Click();
    void cmd_inserisci_Click();
    void cmd_elimina_Click();
    void LoadContact();
    void ClearContactFields();
    bool checkFields(); // the messages of a refused save; false when refused

    Context &m_ctx;
    std::unique_ptr<Ui::ContactEditor> m_ui;
    qint64 m_ContactId = -1;
    QString m_prefixCountry; // the country the prefix list was loaded for
};

} // namespace brio
