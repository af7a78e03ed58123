#include "app/BookDialogues.h"

#include "context/Context.h"
#include "core/Texts.h"
#include "store/EmptyAddressBook.h"

namespace brio {

bool databasePasswordNeeded(const Context &ctx)
{
    return ctx.settings.integer(Key::AskDBPassword) == 1 || isEncryptedDatabaseFile(ctx.state.book.path());
}

void syncPasswordSetting(Context &ctx)
{
    const bool asks = ctx.settings.integer(Key::AskDBPassword) == 1;
    const bool hasPassword = !ctx.state.book.password().isEmpty();
    if (asks == hasPassword)
        return;
    ctx.settings.set(Key::AskDBPassword, hasPassword ? QStringLiteral("1") : QStringLiteral("0"));
    ctx.settings.sync();
}

void changeDatabaseKey(Context &ctx, const QString &newPassword, const PasswordChangeHook &hook)
{
    ctx.state.book.changeKey(newPassword, [&ctx](const QString &) { syncPasswordSetting(ctx); }, hook);
}

PasswordChangeResult ChangeDatabasePassword(Context &ctx, const QString &typed, const QString &confirmation,
                                            const PasswordChangeHook &hook)
{
    if (typed.toUpper() != confirmation.toUpper()) {
        ctx.message(Icon::Critical, Texts::tr("Le password inserite non corrispondono."));
        return PasswordChangeResult::Mismatch;
    }
    QString newPassword = typed;
    // Spaces alone are no password; other white space is part of one.
    if (typed.count(QLatin1Char(' ')) == typed.size()) {
        const Answer a = ctx.message(Icon::Question,
                                     Texts::tr("Non avendo inserito dati, la password verrà disabilitata e "
                                               "chiunque potrà accedere alla rubrica. Proseguire?"),
                                     Buttons::YesNo);
        if (a != Answer::Yes)
            return PasswordChangeResult::Cancelled;
        newPassword.clear();
    }

    try {
        changeDatabaseKey(ctx, newPassword, hook);
    } catch (const Error &e) {
        if (e.number() != ErrorNo::DatabaseLocked)
            throw;
        ctx.message(Icon::Exclamation,
                    Texts::tr("La rubrica è aperta da un altro programma (per esempio un plug-in), "
                              "quindi la password non può essere modificata ora.\n"
                              "Chiudere l'altro programma e riprovare: la password non è stata modificata."));
        return PasswordChangeResult::Busy;
    }

    if (newPassword.isEmpty()) {
        ctx.message(Icon::Information, Texts::tr("Password disabilitata."));
        return PasswordChangeResult::Disabled;
    }
    ctx.message(Icon::Information, Texts::tr("Password abilitata."));
    return PasswordChangeResult::Enabled;
}

bool EmptyAddressBook(Context &ctx)
{
    if (ctx.message(Icon::Question, Texts::tr("Sei sicuro di voler cancellare la rubrica e tutti i gruppi?"),
                    Buttons::YesNo)
        != Answer::Yes)
        return false;
    if (ctx.message(Icon::Exclamation,
                    Texts::tr("Se l'operazione viene confermata la rubrica ed i gruppi saranno irreversibilmente "
                              "cancellati\nContinuare?"),
                    Buttons::YesNo)
        != Answer::Yes)
        return false;

    deleteAddressBook(ctx.db());

    ctx.message(Icon::Information, Texts::tr("La rubrica e le liste sono state irreversibilmente cancellate."));
    return true;
}

} // namespace brio
