#include "ui/QtServices.h"

#include "net/NetworkWait.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>

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

QString forwardingPage(const QString &folder, const QUrl &target)
{
    QFile page(QDir(folder).filePath(QStringLiteral("pagina-%1.html").arg(QRandomGenerator::global()->generate64(), 0, 16)));
    if (!page.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return QString();
    const QString address = target.toString(QUrl::FullyEncoded).toHtmlEscaped();
    const QByteArray html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                                           "<meta name=\"referrer\" content=\"no-referrer\">"
                                           "<meta http-equiv=\"refresh\" content=\"0; url=%1\"></head>"
                                           "<body><a href=\"%1\">BrioSMS</a></body></html>\n")
                                .arg(address)
                                .toUtf8();
    if (page.write(html) != html.size() || !page.flush())
        return QString();
    return page.fileName();
}

bool QtShell::openUrl(const QString &url)
{
    const QUrl target(url, QUrl::TolerantMode);
    // An address that carries the account password would stand on the
    // browser's command line, which any user of the machine can read. It
    // goes through a page only this user can read, which forwards to it.
    if (QUrlQuery(target).hasQueryItem(QStringLiteral("password"))) {
        static QTemporaryDir folder(
            QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)).filePath(QStringLiteral("briosms-")));
        const QString page = folder.isValid() ? forwardingPage(folder.path(), target) : QString();
        if (!page.isEmpty())
            return QDesktopServices::openUrl(QUrl::fromLocalFile(page));
    }
    return QDesktopServices::openUrl(target);
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
