#pragma once

#include "compose/SendProcedure.h"

namespace brio {

class MainWindow;

// The compose panel's fields and the main window's status bar and routines
// as the send uses them.
class MainSendView final : public SendView
{
public:
    explicit MainSendView(MainWindow &window);
    ~MainSendView() override;
    MainSendView(const MainSendView &) = delete;
    MainSendView &operator=(const MainSendView &) = delete;

    bool wholeAddressBook() const override;
    int recipientEntries() const override;
    QString messageText() const override;
    bool deferred() const override;
    QString dateText() const override;
    QString timeText() const override;
    void setDateText(const QString &text) override;
    void setTimeText(const QString &text) override;
    void focusField(Field field, bool selectAll) override;
    QString statusText() const override;
    void setStatusText(const QString &text) override;
    void setBusy(bool busy) override;
    void processEvents() override;
    void refreshStatus() override;
    void newMessage() override;

private:
    MainWindow &m_window;
    bool m_busy = false;
};

} // namespace brio
