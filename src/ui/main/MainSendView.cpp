#include "ui/main/MainSendView.h"

#include "ui/main/ComposePanel.h"
#include "ui/main/MainWindow.h"
#include "ui_ComposePanel.h"
#include "ui/main/MessageTextEdit.h"
#include "ui/main/RecipientListModel.h"
#include "ui/groups/GroupListModel.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace brio {

MainSendView::MainSendView(MainWindow &window)
    : m_window(window)
{
}

MainSendView::~MainSendView()
{
    setBusy(false);
}

bool MainSendView::wholeAddressBook() const
{
    return m_window.m_panel->m_ui->opt_Tutta_Rubrica->isChecked();
}

int MainSendView::recipientEntries() const
{
    return m_window.m_panel->m_recipients->rowCount() + m_window.m_panel->m_groups->rowCount();
}

QString MainSendView::messageText() const
{
    return m_window.m_panel->m_ui->txt_messaggio->text();
}

bool MainSendView::deferred() const
{
    return m_window.m_panel->m_ui->opt_invio_differito->isChecked();
}

// The fields as shown, with "_" where nothing was typed.
QString MainSendView::dateText() const
{
    return m_window.m_panel->m_ui->msk_data->displayText();
}

QString MainSendView::timeText() const
{
    return m_window.m_panel->m_ui->msk_ora->displayText();
}

void MainSendView::setDateText(const QString &text)
{
    m_window.m_panel->m_ui->msk_data->setText(text);
}

void MainSendView::setTimeText(const QString &text)
{
    m_window.m_panel->m_ui->msk_ora->setText(text);
}

void MainSendView::focusField(Field field, bool selectAll)
{
    QWidget *target = m_window.m_panel->m_ui->txt_messaggio;
    if (field == Field::Date)
        target = m_window.m_panel->m_ui->msk_data;
    else if (field == Field::Time)
        target = m_window.m_panel->m_ui->msk_ora;
    if (selectAll) {
        if (auto *edit = qobject_cast<QLineEdit *>(target))
            edit->selectAll();
    }
    target->setFocus();
}

QString MainSendView::statusText() const
{
    return m_window.statusPanel(2)->text();
}

void MainSendView::setStatusText(const QString &text)
{
    m_window.setStatusPanel(2, text);
}

void MainSendView::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// Repaint only: a click meanwhile must not change the message being sent.
void MainSendView::processEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainSendView::refreshStatus()
{
    m_window.RefreshStatus();
}

void MainSendView::newMessage()
{
    m_window.NewMessage(false);
}

} // namespace brio
