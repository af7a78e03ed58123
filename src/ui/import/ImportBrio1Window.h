#pragma once

#include "context/Context.h"

#include <QDialog>
#include <memory>

namespace Ui {
class frmImportBRIO1;
}

namespace brio {

// frmImportBRIO1: copies the previous version's address book into this one.
// Not modal; closes itself after a completed import.
class ImportBrio1Window final : public QDialog
{
    Q_OBJECT
public:
    explicit ImportBrio1Window(Context &ctx, QWidget *parent = nullptr);
    ~ImportBrio1Window() override;

    // Shows the window of parent, made on first use.
    static ImportBrio1Window *showFor(Context &ctx, QWidget *parent);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void cmd_browse_Click();
    void cmd_Importa_Click();
    void showProgress(int percent);
    void setBusy(bool busy);

    std::unique_ptr<Ui::frmImportBRIO1> m_ui;
    Context &m_ctx;
    bool m_busy = false;
};

} // namespace brio
