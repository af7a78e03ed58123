#pragma once

#include "context/Account.h"
#include "context/AppState.h"
#include "core/Error.h"
#include "core/Services.h"
#include "settings/Settings.h"

#include <functional>
#include <memory>

namespace brio {

class GatewayControl;

// The windows that logic outside the UI has to show (modal ones return when
// closed). The UI library provides them; tests script them.
class Windows
{
public:
    virtual ~Windows() = default;
    virtual void showPasswordWindow() = 0; // sets the book's password
    virtual void showLoginWindow() = 0;    // sets the session's account and login
    virtual void showMainWindow() = 0;     // not modal
};

using GatewayFactory = std::function<std::unique_ptr<GatewayControl>()>;

// What a window or a routine needs from the run: its state, the settings and
// the services it may call. Tests build one with fakes.
struct Context
{
    AppState &state;
    Settings &settings;
    Prompter &prompter;
    Shell &shell;
    Clock &clock;
    GatewayFactory makeGateway;
    Windows *windowsImpl = nullptr;
    FileDialog *fileDialogImpl = nullptr;
    ProcessLauncher *processImpl = nullptr;
    // The gateway session; above this floor reached with session(ctx).
    AccountSource *sessionImpl = nullptr;

    // A message box titled with the brand's caption.
    Answer message(Icon icon, const QString &text, Buttons buttons = Buttons::Ok) const;
    Database &db() const;       // throws when no database is open
    Windows &windows() const;   // throws when none was given
    FileDialog &fileDialog() const; // throws when none was given
    ProcessLauncher &process() const; // throws when none was given
    Notifier &notifier() const;
};

// Shows the error as the user should see it: the gateway's own texts for its
// numbers, the general text otherwise. For the credit error the purchase page
// is opened first.
void ReportError(const Context &ctx, const Error &error);

// Opens the page in the user's browser; with no browser the address is shown
// so that it can be copied.
void OpenWebPage(const Context &ctx, const QString &url);

// The purchase page carrying the account, values percent-encoded so that an
// '&', blank or '#' in them cannot break the address.
QString accountPageUrl(const QString &base, const QString &user, const QString &password,
                       const QString &suffix = QString());

// Runs an event handler's body: any Error it throws goes to ReportError.
// Returns false when it failed.
bool guarded(const Context &ctx, const std::function<void()> &body);

QString programVersionText(); // "2.0.0"

} // namespace brio
