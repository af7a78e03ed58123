#pragma once

#include "context/Context.h"

#include <QDialog>
#include <memory>

namespace Ui {
class SentHistoryWindow;
}

namespace brio {

class SentListModel;

// "Messaggi inviati": the sends recorded in the book, newest first, with
// filters by text and number, each send's recipients and outcomes, removal
// of old entries, and "Reinvia", which makes a send the message in
// preparation again.
class SentHistoryWindow final : public QDialog
{
    Q_OBJECT
public:
    explicit SentHistoryWindow(Context &ctx, QWidget *parent = nullptr);
    ~SentHistoryWindow() override;

    // Shows the one window of `parent` without waiting, loading it anew.
    static SentHistoryWindow *showFor(Context &ctx, QWidget *parent);

private:
    void Form_Load();
    void askDeliveries();
    void reload(); // the list again with the filters, the first screenful
    void showRecipients();
    QList<qint64> selectedSends() const;
    void cmd_elimina_Click();
    void cmd_elimina_vecchi_Click();
    void cmd_reinvia_Click();

    Context &m_ctx;
    std::unique_ptr<Ui::SentHistoryWindow> m_ui;
    SentListModel *m_model = nullptr;
};

} // namespace brio
