#pragma once

#include "context/Context.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ContactEditor;
}

namespace brio {

// frmContatto: creates, changes or deletes one contact. It opens in modify
// mode for the contact it is given and in insert mode for -1, with the group
// it is given (if any) preselected. Other windows learn of what it stores
// through the Notifier.
class ContactEditor final : public QDialog
{
    Q_OBJECT
public:
    explicit ContactEditor(Context &ctx, QWidget *parent = nullptr, qint64 contact = -1, qint64 group = -1);
    ~ContactEditor() override;

    // As the menu and the recipient picker open it: modal, returns when closed.
    static void showModal(Context &ctx, QWidget *parent, qint64 contact = -1);
    // As group management opens it, for a new member of the group: not
    // modal, deleted when closed.
    static ContactEditor *showModeless(Context &ctx, QWidget *parent, qint64 group);

private:
    void Form_Load(qint64 contact, qint64 group);
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
