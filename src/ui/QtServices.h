#pragma once

#include "core/Services.h"

class QUrl;
class QWidget;

namespace brio {

class QtPrompter final : public Prompter
{
public:
    Answer show(Icon icon, Buttons buttons, const QString &title, const QString &text) override;
};

// Writes, in folder, a page readable by its owner alone that sends the
// browser on to target; its path, or empty when it could not be written.
QString forwardingPage(const QString &folder, const QUrl &target);

class QtShell final : public Shell
{
public:
    bool openUrl(const QString &url) override;
};

class QtFileDialog final : public FileDialog
{
public:
    QString openFileName(const QString &title, const QString &startPath, const QString &filter) override;
    QString saveFileName(const QString &title, const QString &startPath, const QString &filter) override;
};

// Shows the wait pointer while network work runs (NetworkWait). Called by
// the windows from which that work starts; once is enough.
void showWaitPointerDuringNetworkWork();

} // namespace brio
