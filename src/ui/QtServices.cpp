#include "ui/QtServices.h"

#include "net/NetworkWait.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace brio {

Answer QtPrompter::show(Icon icon, Buttons buttons, const QString &title, const QString &text)
{
    QMessageBox box(QApplication::activeWindow());
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    box.setWindowTitle(title);
    box.setText(text);
    if (buttons != Buttons::Ok) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == Buttons::YesNo ? QMessageBox::Yes : QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // The wait cursor of a long operation must not hide that an answer is due.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int r = box.exec();
    QApplication::restoreOverrideCursor();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

bool QtShell::openUrl(const QString &url)
{
    return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

QString QtFileDialog::openFileName(const QString &title, const QString &startPath, const QString &filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, startPath, filter);
}

QString QtFileDialog::saveFileName(const QString &title, const QString &startPath, const QString &filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, startPath, filter);
}

void showWaitPointerDuringNetworkWork()
{
    NetworkWait::setPointerHooks([] { QApplication::setOverrideCursor(Qt::WaitCursor); },
                                 [] { QApplication::restoreOverrideCursor(); });
}

} // namespace brio
