#include "cli/CommandLine.h"

#include "addressbook/Contacts.h"
#include "addressbook/ContactsCsv.h"
#include "app/DataFolder.h"
#include "app/Startup.h"
#include "carddav/CardDavClient.h"
#include "carddav/CardDavSync.h"
#include "cli/TerminalText.h"
#include "compose/NumberRules.h"
#include "compose/SendLog.h"
#include "compose/SendProcedure.h"
#include "context/Context.h"
#include "core/Error.h"
#include "core/LineInput.h"
#include "core/Log.h"
#include "core/Texts.h"
#include "gateway/GatewayControl.h"
#include "gateway/GatewayFactory.h"
#include "gateway/GatewaySession.h"
#include "gateway/GsmTextOnly.h"
#include "gateway/Login.h"
#include "gateway/SandboxGateway.h"
#include "groups/Groups.h"
#include "history/DeliveryReports.h"
#include "history/ReportReceiver.h"
#include "history/SentHistory.h"
#include "sms/GsmText.h"
#include "store/Database.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDate>
#include <QFile>
#include <QHostAddress>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTextStream>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <phonenumbers/phonenumberutil.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace brio {

namespace {

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

void tell(const QString &text)
{
    err() << "briosms: " << terminalText(text, true) << Qt::endl;
}

// Message boxes as lines on standard error. The command itself is the
// answer to the send's confirmation. Away from a terminal (cron, scripts)
// the lines are kept and written only when the command fails: a successful
// run prints nothing, and a failure comes with all it said.
class TerminalPrompter final : public Prompter
{
public:
    Answer show(Icon, Buttons buttons, const QString &, const QString &text) override
    {
        if (buttons == Buttons::YesNo)
            return Answer::Yes;
        if (m_immediate)
            tell(text);
        else
            m_kept << text;
        return buttons == Buttons::YesNoDefaultNo ? Answer::No : Answer::Ok;
    }

    void release()
    {
        for (const QString &text : std::as_const(m_kept))
            tell(text);
        m_kept.clear();
    }

private:
    const bool m_immediate = isatty(STDERR_FILENO) != 0;
    QStringList m_kept;
};

class TerminalShell final : public Shell
{
public:
    bool openUrl(const QString &url) override
    {
        tell(url);
        return true;
    }
};

QString readLine(bool hidden)
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal && hidden) {
        err() << "Password Rubrica: " << Qt::flush;
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    const std::string line = readLineAtMost(std::cin, kMostPasswordBytes);
    if (terminal && hidden) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        err() << Qt::endl;
    }
    return QString::fromStdString(line);
}

// The windows a command cannot show: the book's password comes from the
// environment or the first line of standard input, never from an argument;
// the account from the login saved by the window.
class TerminalWindows final : public Windows
{
public:
    explicit TerminalWindows(Context &ctx)
        : m_ctx(ctx)
    {
    }

    void showPasswordWindow() override
    {
        m_ctx.state.book.setPassword(qEnvironmentVariableIsSet("BRIOSMS_DB_PASSWORD")
                                         ? qEnvironmentVariable("BRIOSMS_DB_PASSWORD")
                                         : readLine(true));
    }

    // The caller says what a missing login means for it.
    void showLoginWindow() override
    {
        const SavedLogin login = loadSavedLogin(m_ctx.db());
        if (!login.saved)
            return;
        GatewaySession &run = session(m_ctx);
        run.setAccount(login.user, login.password);
        run.logIn();
    }

    void showMainWindow() override {}

private:
    Context &m_ctx;
};

// The send's fields as the command line gives them; the status panel becomes
// a progress line when standard error is a terminal.
class TerminalSendView final : public SendView
{
public:
    explicit TerminalSendView(Context &ctx)
        : m_ctx(ctx)
    {
    }
    ~TerminalSendView() override
    {
        if (m_progressShown)
            err() << Qt::endl;
    }

    bool wholeAddressBook() const override { return false; }
    int recipientEntries() const override { return 0; }
    QString messageText() const override { return text; }
    bool deferred() const override { return !date.isEmpty(); }
    QString dateText() const override { return date; }
    QString timeText() const override { return time; }
    void setDateText(const QString &t) override { date = t; }
    void setTimeText(const QString &t) override { time = t; }
    void focusField(Field, bool) override {}
    QString statusText() const override { return m_status; }
    void setStatusText(const QString &t) override
    {
        m_status = t;
        if (isatty(STDERR_FILENO)) {
            err() << '\r' << t << "\x1b[K" << Qt::flush;
            m_progressShown = true;
        }
    }
    void setBusy(bool) override {}
    void processEvents() override {}
    void showWaiting(const QString &t) override { tell(t); }
    void refreshStatus() override
    {
        // As the window's status refresh: the account is checked here.
        session(m_ctx).refreshCredit();
    }
    void newMessage() override {}

    QString text;
    QString date;
    QString time;

private:
    Context &m_ctx;
    QString m_status;
    bool m_progressShown = false;
};

using Options = Invocation;

// The options, one table per way of starting. A new option is a line here
// and a line in readCommandLine where its value is read.
enum class Command { Window, Send, Contacts, History, Sync, Reports };

QList<QCommandLineOption> commonOptions()
{
    return {
        {QStringLiteral("gateway"), Texts::tr("Il gateway SMS (sandbox:, https://..., kannel://...), senza password."),
         QStringLiteral("URL")},
        {QStringLiteral("settings"), Texts::tr("Il file delle impostazioni da usare al posto di quello dell'utente."),
         QStringLiteral("FILE")},
        {QStringLiteral("verbose"),
         Texts::tr("Scrive nel registro BrioSMS.log anche i passi e gli esiti (mai password, chiavi o testi dei "
                   "messaggi) e li mostra sullo standard error.")},
    };
}

QList<QCommandLineOption> optionsOf(Command command)
{
    switch (command) {
    case Command::Window:
        return {
            {QStringLiteral("version"), Texts::tr("Scrive la versione ed esce.")},
            {QStringLiteral("sandbox-outbox"),
             Texts::tr("Scrive i messaggi accettati dal gateway di prova, uno per riga, ed esce.")},
            {QStringLiteral("import-old"), Texts::tr("Mostra nel menu il comando che importa la rubrica di BrioSMS 1.1.4.")},
        };
    case Command::Send:
        return {
            {QStringLiteral("to"),
             Texts::tr("Un destinatario (ripetibile): +393331234567, oppure 3331234567 nel paese delle impostazioni "
                       "(Options/Country, predefinito IT)."),
             Texts::tr("NUMERO")},
            {QStringLiteral("group"), Texts::tr("I contatti di un gruppo (ripetibile)."), Texts::tr("NOME")},
            {QStringLiteral("text"), Texts::tr("Il testo del messaggio."), Texts::tr("TESTO")},
            {QStringLiteral("text-file"), Texts::tr("Il testo da un file UTF-8."), QStringLiteral("FILE")},
            {QStringLiteral("at"), Texts::tr("Invio differito alla data e ora indicate."),
             Texts::tr("\"gg-mm-aaaa hh:mm\"")},
            {QStringLiteral("due"), Texts::tr("Inoltra gli invii differiti giunti all'ora.")},
            {QStringLiteral("dry-run"),
             Texts::tr("Scrive soltanto quanti SMS costerebbe l'invio (le parti del testo per i destinatari) e non "
                       "invia nulla.")},
        };
    case Command::Contacts:
        return {{QStringLiteral("group"), Texts::tr("Solo i contatti di un gruppo (ripetibile)."), Texts::tr("NOME")}};
    case Command::Reports:
        return {{QStringLiteral("poll"),
                 Texts::tr("Chiede i rapporti mancanti al gateway JSON, li registra ed esce.")}};
    case Command::History:
    case Command::Sync:
        break;
    }
    return {};
}

QString exitCodesText()
{
    return Texts::tr("Codici di uscita:\n"
                     "  0  fatto: il gateway ha accettato ogni messaggio\n"
                     "  1  riga di comando errata\n"
                     "  2  un controllo ha fermato l'invio (destinatario, testo, data, gruppo o accesso): nulla è "
                     "stato inviato\n"
                     "  3  impossibile aprire la rubrica (password errata o file illeggibile)\n"
                     "  4  il gateway non ha accettato l'invio, o solo una parte (il messaggio dice quanti);\n"
                     "     ripetendo lo stesso invio si raggiungono solo i destinatari mancanti\n"
                     "  5  inviato, ma il gateway ha rifiutato uno o più numeri\n"
                     "  6  errore imprevisto (disco, file danneggiato, difetto del programma): il messaggio dice "
                     "quale\n");
}

// The description above the options and the positional words of each way of
// starting.
void describe(QCommandLineParser &parser, Command command)
{
    switch (command) {
    case Command::Window:
        parser.setApplicationDescription(Texts::tr(
            "BrioSMS: invio di SMS dalla rubrica. Senza comando apre la finestra.\n"
            "\n"
            "Comandi (briosms COMANDO --help per le opzioni di ciascuno):\n"
            "  send       invia un messaggio, o con --due gli invii differiti giunti all'ora\n"
            "  contacts   list: nome e numero dei contatti; export: tutti i campi in CSV\n"
            "  history    gli ultimi invii, uno per riga\n"
            "  sync       sincronizza la rubrica con il server CardDAV delle impostazioni\n"
            "  reports    riceve i rapporti di consegna (Kannel), o con --poll li chiede al gateway"));
        parser.addPositionalArgument(Texts::tr("comando"), Texts::tr("send, contacts, history, sync o reports."),
                                     Texts::tr("[comando]"));
        break;
    case Command::Send:
        parser.setApplicationDescription(Texts::tr(
            "briosms send: invia il testo ai numeri di --to e ai membri dei gruppi di --group, con le regole "
            "della finestra.\n"
            "Il testo viene da --text, da --text-file o dallo standard input (-). Un invio riuscito non scrive "
            "nulla.\n"
            "Il gateway: --gateway, altrimenti $BRIOSMS_GATEWAY, altrimenti Gateway/URL nelle impostazioni.\n"
            "La password della rubrica si legge da $BRIOSMS_DB_PASSWORD o dalla prima riga dello standard "
            "input.\n"
            "\n")
            + exitCodesText());
        parser.addPositionalArgument(QStringLiteral("send"), QString(), QStringLiteral("send"));
        parser.addPositionalArgument(QStringLiteral("-"), Texts::tr("Il testo dallo standard input."),
                                     QStringLiteral("[-]"));
        break;
    case Command::Contacts:
        parser.setApplicationDescription(
            Texts::tr("briosms contacts list: nome e numero dei contatti, separati da una tabulazione, uno per riga.\n"
                      "briosms contacts export: tutti i campi dei contatti in CSV, come il plug-in \"Esporta "
                      "rubrica\".\n"
                      "\n")
            + exitCodesText());
        parser.addPositionalArgument(QStringLiteral("contacts"), QString(), QStringLiteral("contacts"));
        parser.addPositionalArgument(QStringLiteral("list|export"), Texts::tr("Che cosa scrivere."));
        break;
    case Command::History:
        parser.setApplicationDescription(
            Texts::tr("briosms history: gli ultimi N invii (20), dal più recente, uno per riga: data, gateway, "
                      "destinatari,\n"
                      "accettati, rifiutati, esito sconosciuto, consegnati, non consegnati, in attesa (dai rapporti di "
                      "consegna),\n"
                      "testo, separati da tabulazioni.\n"
                      "\n")
            + exitCodesText());
        parser.addPositionalArgument(QStringLiteral("history"), QString(), QStringLiteral("history"));
        parser.addPositionalArgument(QStringLiteral("N"), Texts::tr("Quanti invii (20)."), QStringLiteral("[N]"));
        break;
    case Command::Sync:
        parser.setApplicationDescription(
            Texts::tr("briosms sync: sincronizza la rubrica nei due sensi con la rubrica del server CardDAV "
                      "(impostazioni CardDAV/URL, CardDAV/User, CardDAV/AddressBook) e scrive il riepilogo.\n"
                      "La password sta nel portachiavi del desktop, o nel file delle impostazioni se nessun "
                      "portachiavi risponde.\n"
                      "Uscita 2: nessun server impostato o rubrica da scegliere; 4: il server non risponde, rifiuta "
                      "l'accesso o risponde in modo non valido.\n"
                      "\n")
            + exitCodesText());
        parser.addPositionalArgument(QStringLiteral("sync"), QString(), QStringLiteral("sync"));
        break;
    case Command::Reports:
        parser.setApplicationDescription(
            Texts::tr("briosms reports: riceve i rapporti di consegna che Kannel invia per gli invii di questa "
                      "rubrica e li\n"
                      "registra, finché non viene fermato (Ctrl+C, o systemctl --user stop briosms-reports). Ascolta "
                      "su\n"
                      "Reports/Address (127.0.0.1) e Reports/Port (13090) delle impostazioni.\n"
                      "briosms reports --poll: chiede al gateway JSON i rapporti degli invii recenti che non ne hanno "
                      "ancora uno.\n"
                      "\n")
            + exitCodesText());
        parser.addPositionalArgument(QStringLiteral("reports"), QString(), QStringLiteral("reports"));
        break;
    }
}

Invocation usageError(const QString &message)
{
    Invocation inv;
    inv.action = Invocation::Action::Error;
    inv.output = message;
    return inv;
}

// The first argument that is no option nor an option's value: the options
// every way of starting takes may come before the command.
QString firstWord(const QStringList &args)
{
    QStringList valued;
    for (const QCommandLineOption &o : commonOptions()) {
        if (!o.valueName().isEmpty())
            valued << o.names();
    }
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--"))
            return args.value(i + 1);
        if (!a.startsWith(QLatin1Char('-')) || a == QLatin1String("-"))
            return a;
        if (valued.contains(a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1)))
            ++i;
    }
    return {};
}

} // namespace

Invocation readCommandLine(const QStringList &args)
{
    const QString word = firstWord(args);
    Command command = Command::Window;
    if (word == QLatin1String("send"))
        command = Command::Send;
    else if (word == QLatin1String("contacts"))
        command = Command::Contacts;
    else if (word == QLatin1String("history"))
        command = Command::History;
    else if (word == QLatin1String("sync"))
        command = Command::Sync;
    else if (word == QLatin1String("reports"))
        command = Command::Reports;
    else if (!word.isEmpty() && word != QLatin1String("/IMPORTBRIO1"))
        return usageError(Texts::tr("Comando sconosciuto: %1").arg(word));

    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  Texts::tr("Scrive questo aiuto ed esce."));
    parser.addOption(help);
    parser.addOptions(commonOptions());
    parser.addOptions(optionsOf(command));
    describe(parser, command);
    if (!parser.parse(args))
        return usageError(parser.errorText());

    Invocation inv;
    if (parser.isSet(help)) {
        inv.action = Invocation::Action::Print;
        inv.output = parser.helpText();
        if (command == Command::Window)
            inv.output += QLatin1Char('\n') + exitCodesText();
        return inv;
    }
    inv.gateway = parser.value(QStringLiteral("gateway"));
    inv.settingsFile = parser.value(QStringLiteral("settings"));
    inv.verbose = parser.isSet(QStringLiteral("verbose"));
    QStringList words = parser.positionalArguments();
    switch (command) {
    case Command::Window:
        if (parser.isSet(QStringLiteral("version"))) {
            inv.action = Invocation::Action::Print;
            inv.output = QStringLiteral("briosms %1\n").arg(programVersionText());
            return inv;
        }
        if (words.size() > 1)
            return usageError(Texts::tr("Argomento in più: %1").arg(words.at(1)));
        if (parser.isSet(QStringLiteral("sandbox-outbox"))) {
            inv.action = Invocation::Action::SandboxOutbox;
            return inv;
        }
        inv.windowArguments = words;
        if (parser.isSet(QStringLiteral("import-old")))
            inv.windowArguments << QStringLiteral("--import-old");
        return inv;
    case Command::Send:
        inv.to = parser.values(QStringLiteral("to"));
        inv.groups = parser.values(QStringLiteral("group"));
        inv.texts = parser.values(QStringLiteral("text"));
        inv.textFile = parser.value(QStringLiteral("text-file"));
        inv.at = parser.value(QStringLiteral("at"));
        inv.due = parser.isSet(QStringLiteral("due"));
        inv.dryRun = parser.isSet(QStringLiteral("dry-run"));
        inv.stdinText = words.size() > 1 && words.at(1) == QLatin1String("-");
        if (words.size() > (inv.stdinText ? 2 : 1))
            return usageError(Texts::tr("Argomento in più: %1").arg(words.last()));
        break;
    case Command::Contacts:
        inv.groups = parser.values(QStringLiteral("group"));
        inv.sub = words.value(1);
        if (inv.sub != QLatin1String("list") && inv.sub != QLatin1String("export"))
            return usageError(Texts::tr("Indicare contacts list oppure contacts export."));
        if (words.size() > 2)
            return usageError(Texts::tr("Argomento in più: %1").arg(words.at(2)));
        break;
    case Command::History:
        if (words.size() > 1) {
            bool ok = false;
            inv.count = words.at(1).toInt(&ok);
            if (!ok || inv.count < 1)
                return usageError(Texts::tr("N deve essere un numero intero maggiore di zero: %1").arg(words.at(1)));
        }
        if (words.size() > 2)
            return usageError(Texts::tr("Argomento in più: %1").arg(words.at(2)));
        break;
    case Command::Sync:
        if (words.size() > 1)
            return usageError(Texts::tr("Argomento in più: %1").arg(words.at(1)));
        break;
    case Command::Reports:
        inv.poll = parser.isSet(QStringLiteral("poll"));
        if (words.size() > 1)
            return usageError(Texts::tr("Argomento in più: %1").arg(words.at(1)));
        break;
    }
    inv.action = Invocation::Action::Command;
    inv.command = words.first();
    return inv;
}

namespace {

// A number as people write it ("+39 333 1234567", "0039...", or "3331234567"
// in the country of the settings) in its international form; the text as it
// is when the library cannot read it, for the checks to refuse.
QString internationalForm(const QString &text, const QString &region)
{
    using i18n::phonenumbers::PhoneNumber;
    using i18n::phonenumbers::PhoneNumberUtil;
    // The library runs its patterns over all of a long text before giving up.
    constexpr qsizetype kLongest = 64;
    if (text.size() > kLongest)
        return text;
    const PhoneNumberUtil &util = *PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    if (util.Parse(text.toStdString(), region.trimmed().toUpper().toStdString(), &number)
        != PhoneNumberUtil::NO_PARSING_ERROR)
        return text;
    std::string international;
    util.Format(number, PhoneNumberUtil::E164, &international);
    return QString::fromStdString(international);
}

// A typed number checked as the window checks one.
std::optional<QString> typedNumber(Context &ctx, const QString &typed)
{
    const QString text = internationalForm(typed, ctx.settings.text(Key::Country));
    QString country;
    for (const QString &c : allowedCountries(ctx.db())) {
        if (text.startsWith(c) && c.size() > country.size())
            country = c;
    }
    const QString rest = text.mid(country.size());
    if (country.isEmpty() || !CheckPrefix(ctx, rest.left(kPrefixLength))) {
        ctx.message(Icon::Exclamation, Texts::tr("Prefisso errato. Selezionare un prefisso corretto."));
        return std::nullopt;
    }
    if (!CheckSubscriberNumber(ctx, rest.mid(kPrefixLength))) {
        ctx.message(Icon::Exclamation, Texts::tr("Il numero del destinatario non è corretto. Riprovare l'inserimento"));
        return std::nullopt;
    }
    return fullNumber(country, rest.left(kPrefixLength), rest.mid(kPrefixLength));
}

QList<qint64> groupIds(Context &ctx, const QStringList &names, bool &ok)
{
    QList<qint64> ids;
    ok = true;
    for (const QString &name : names) {
        const std::optional<qint64> id = groupWithName(ctx.db(), name);
        if (!id) {
            ctx.message(Icon::Exclamation, Texts::tr("Il gruppo \"%1\" non esiste.").arg(name));
            ok = false;
            return ids;
        }
        ids << *id;
    }
    return ids;
}

std::optional<QString> messageText(const Options &o)
{
    const int sources = int(!o.texts.isEmpty()) + int(!o.textFile.isEmpty()) + int(o.stdinText);
    if (sources != 1 || o.texts.size() > 1) {
        tell(Texts::tr("Indicare il testo una volta: --text TESTO, --text-file FILE oppure - (standard input)."));
        return std::nullopt;
    }
    if (!o.texts.isEmpty())
        return o.texts.first();
    std::optional<QByteArray> bytes;
    if (o.stdinText) {
        std::string some(size_t(kMostTextBytes + 1), '\0');
        std::cin.read(some.data(), std::streamsize(some.size()));
        some.resize(size_t(std::cin.gcount()));
        if (some.size() <= size_t(kMostTextBytes))
            bytes = QByteArray::fromStdString(some);
    } else {
        QFile f(o.textFile);
        if (!f.open(QIODevice::ReadOnly)) {
            tell(Texts::tr("Impossibile leggere %1 (%2)").arg(o.textFile, f.errorString()));
            return std::nullopt;
        }
        bytes = readAtMost(f, kMostTextBytes);
    }
    if (!bytes) {
        tell(Texts::tr("Il testo da %1 è più lungo di quanto un messaggio possa contenere: letti %2 byte, "
                       "il resto non è stato letto.")
                 .arg(o.stdinText ? Texts::tr("standard input") : o.textFile)
                 .arg(kMostTextBytes));
        return std::nullopt;
    }
    QString text = QString::fromUtf8(*bytes);
    // The line end an editor or echo leaves is no part of the message.
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

// The account: the one the gateway's address carries (Kannel), otherwise the
// login the window saved. Without either nothing can be sent, and the user
// is told so instead of a refusal of a password nobody typed.
bool useAccount(Context &ctx)
{
    GatewaySession &run = session(ctx);
    if (!run.gateway().userName().isEmpty())
        return true;
    ctx.windows().showLoginWindow();
    if (!run.loggedIn()) {
        tell(Texts::tr("Nessun accesso salvato per questo gateway: accedere una volta dalla finestra di BrioSMS "
                       "con \"Salva la password\", oppure indicare l'account nell'indirizzo del gateway (Kannel)."));
        return false;
    }
    return true;
}

// Whether the gateway carries the text; says why not. A gateway may tell what
// it takes only once the account is checked, so it is asked when the text is
// more than one plain SMS.
bool textSendable(Context &ctx, GatewayControl &gateway, const QString &text)
{
    try {
        try {
            requireSendable(text, gateway.textLimits());
        } catch (const Error &) {
            if (!useAccount(ctx))
                return false;
            gateway.getCredit();
            requireSendable(text, gateway.textLimits());
        }
        return true;
    } catch (const Error &e) {
        ReportError(ctx, e);
        return false;
    }
}

int send(Context &ctx, const Options &o, const QString &folder)
{
    GatewayControl *gateway = nullptr;
    try {
        PasswordPlace place = PasswordPlace::None;
        ctx.makeGateway = makeGatewayFactory(chooseGatewayUrl(o.gateway, ctx.settings, &place), folder, ctx.settings);
        gateway = &session(ctx).gateway();
        if (place != PasswordPlace::None)
            ctx.message(Icon::Information, passwordPlaceText(place));
    } catch (const Error &e) {
        tell(e.description());
        return ExitCode::Usage;
    }

    if (o.due) {
        try {
            // Nothing held: nothing to hand over, and no account needed.
            if (ctx.db().scalar(QStringLiteral("SELECT COUNT(*) FROM tab_invii WHERE Stato = 'P'")) == 0)
                return ExitCode::Ok;
            if (!useAccount(ctx))
                return ExitCode::Stopped;
            const int sent = SendLog::deliverDue(ctx.db(), *gateway, ctx.clock.now(),
                                                    [&ctx](const QString &t) { ctx.message(Icon::Information, t); });
            if (sent > 0)
                ctx.message(Icon::Information, Texts::tr("Invii programmati inoltrati: %1").arg(sent));
            return ExitCode::Ok;
        } catch (const Error &e) {
            ReportError(ctx, e);
            return ExitCode::Failed;
        }
    }

    const std::optional<QString> text = messageText(o);
    if (!text)
        return ExitCode::Usage;
    if (!textSendable(ctx, *gateway, *text))
        return ExitCode::Stopped;

    QList<Recipient> recipients;
    try {
        QStringList seen;
        for (const QString &t : o.to) {
            const std::optional<QString> number = typedNumber(ctx, t.trimmed());
            if (!number)
                return ExitCode::Stopped;
            if (seen.contains(*number)) {
                ctx.message(Icon::Information,
                            Texts::tr("Numero già presente nell'invio corrente, per evitare invii duplicati alla "
                                      "stessa persona non verrà aggiunto."));
                continue;
            }
            seen << *number;
            recipients.append({*number, QString()});
        }
        bool ok = true;
        const QList<qint64> groups = groupIds(ctx, o.groups, ok);
        if (!ok)
            return ExitCode::Stopped;
        if (!groups.isEmpty()) {
            for (const Contact &c : contactsByName(ctx.db(), groups))
                recipients.append({c.number, c.name});
        }
    } catch (const Error &e) {
        ReportError(ctx, e);
        return ExitCode::Failed;
    }

    TerminalSendView view(ctx);
    view.text = *text;
    if (!o.at.isEmpty()) {
        const QStringList parts = o.at.simplified().split(QLatin1Char(' '));
        view.date = parts.value(0);
        view.time = parts.value(1);
    }
    SendProcedure procedure(ctx, view);
    if (o.dryRun) {
        if (recipients.isEmpty()) {
            ctx.message(Icon::Exclamation, Texts::tr("Nessun destinatario inserito."));
            return ExitCode::Stopped;
        }
        // A send the checks would stop costs nothing.
        SendTime when;
        if (!procedure.checkWhen(when))
            return ExitCode::Stopped;
        // What the send's confirmation would announce.
        QTextStream(stdout) << recipients.size() * std::max(smsSize(*text).parts, 1) << '\n';
        return ExitCode::Ok;
    }

    if (!useAccount(ctx))
        return ExitCode::Stopped;
    procedure.setRecipients(recipients);
    switch (procedure.run()) {
    case SendProcedure::Outcome::Sent:
        return procedure.numberErrorSeen() ? ExitCode::WrongNumbers : ExitCode::Ok;
    case SendProcedure::Outcome::Stopped:
    case SendProcedure::Outcome::Declined:
    case SendProcedure::Outcome::Busy:
        return ExitCode::Stopped;
    case SendProcedure::Outcome::Failed:
        break;
    }
    return ExitCode::Failed;
}

int contacts(Context &ctx, const Options &o)
{
    bool ok = true;
    const QList<qint64> groups = groupIds(ctx, o.groups, ok);
    if (!ok)
        return ExitCode::Stopped;
    QTextStream out(stdout);
    if (o.sub == QLatin1String("list")) {
        for (const Contact &c : contactsByName(ctx.db(), groups))
            out << terminalText(c.name, false) << '\t' << terminalText(c.number, false) << '\n';
        return ExitCode::Ok;
    }
    // The export plug-in's CSV, which the import reads back.
    out.flush();
    const ContactsCsv csv = writeContactsCsv(ctx.db(), groups);
    QFile stdOut;
    if (!stdOut.open(stdout, QIODevice::WriteOnly) || stdOut.write(csv.bytes) != csv.bytes.size() || !stdOut.flush())
        throw Error(ErrorNo::Internal, Texts::tr("Impossibile scrivere sullo standard output: %1").arg(stdOut.errorString()));
    return ExitCode::Ok;
}

// One line a send, newest first; the text's line breaks, tabs and other
// control characters written escaped so that every field stays on its line
// and the terminal takes none of them as a command.
int history(Context &ctx, int count)
{
    QTextStream out(stdout);
    for (const SentEntry &e : readSends(ctx.db(), {}, 0, count)) {
        out << terminalText(e.date, false) << '\t' << terminalText(e.gateway, false) << '\t'
            << e.recipients << '\t' << e.accepted + e.queued << '\t' << e.refused << '\t' << e.unknown << '\t'
            << e.delivered << '\t' << e.failed << '\t' << e.waiting << '\t' << terminalText(e.text, false, true) << '\n';
    }
    return ExitCode::Ok;
}

// The summary on standard output; a failure names its cause on standard
// error, the book keeping every batch applied before it.
int sync(Context &ctx)
{
    try {
        const CardDavAccount account = CardDavAccount::fromSettings(ctx.settings);
        CardDavClient client(account.url, account.user, account.password, account.timeoutMs);
        CardDavSync sync(ctx.db(), client, chooseAddressBook(client, account));
        const SyncSummary summary = sync.run();
        QTextStream(stdout) << terminalText(summary.text(), true);
        return ExitCode::Ok;
    } catch (const Error &e) {
        if (e.number() < ErrorNo::CardDavSetup || e.number() > ErrorNo::CardDavChanged)
            throw;
        tell(Texts::tr("Sincronizzazione della rubrica non riuscita: %1").arg(e.description()));
        return e.number() == ErrorNo::CardDavSetup ? ExitCode::Stopped : ExitCode::Failed;
    }
}

// The end of `briosms reports`: SIGTERM (systemd) or SIGINT (Ctrl+C) ends
// the event loop, so that the reports taken are written before the exit.
int g_stopPipe[2] = {-1, -1};

void askToStop(int)
{
    const char byte = 0;
    [[maybe_unused]] const auto n = ::write(g_stopPipe[1], &byte, 1);
}

int reports(Context &ctx, const Options &o, const QString &folder)
{
    if (o.poll) {
        GatewayControl *gateway = nullptr;
        try {
            ctx.makeGateway = makeGatewayFactory(chooseGatewayUrl(o.gateway, ctx.settings), folder, ctx.settings);
            gateway = &session(ctx).gateway();
        } catch (const Error &e) {
            tell(e.description());
            return ExitCode::Usage;
        }
        if (!gateway->reportsKept()) {
            tell(Texts::tr("Questo gateway non conserva i rapporti di consegna: Kannel li invia al ricevitore, "
                           "briosms reports senza --poll."));
            return ExitCode::Usage;
        }
        if (!useAccount(ctx))
            return ExitCode::Stopped;
        try {
            const qsizetype told = pollDeliveries(ctx.db(), *gateway, ctx.clock.now());
            ctx.message(Icon::Information, Texts::tr("Rapporti di consegna registrati: %1").arg(told));
            return ExitCode::Ok;
        } catch (const Error &e) {
            ReportError(ctx, e);
            return ExitCode::Failed;
        }
    }
    const QString address = ctx.settings.text(Key::ReportsAddress).trimmed();
    const QHostAddress host(address);
    if (host.isNull()) {
        tell(Texts::tr("Indirizzo non valido in Reports/Address: \"%1\"").arg(address));
        return ExitCode::Usage;
    }
    ReportBook book(ctx.db());
    ReportReceiver receiver(book, ctx.clock);
    try {
        receiver.listen(host, quint16(ctx.settings.integer(Key::ReportsPort)));
    } catch (const Error &e) {
        ReportError(ctx, e);
        return ExitCode::Failed;
    }
    if (::pipe(g_stopPipe) != 0)
        throw Error(ErrorNo::Internal, QString::fromLocal8Bit(std::strerror(errno)));
    QSocketNotifier stop(g_stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, QCoreApplication::instance(), &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = askToStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    tell(Texts::tr("In ascolto dei rapporti di consegna su %1, porta %2.").arg(host.toString()).arg(receiver.port()));
    QCoreApplication::exec();
    receiver.flush();
    return ExitCode::Ok;
}

// One line a message the sandbox accepted, the text's line breaks written
// as \n.
int printOutbox(const QString &folder)
{
    QTextStream out(stdout);
    const auto messages = SandboxGateway::outbox(sandboxFile(folder));
    for (const auto &m : messages) {
        out << m.acceptedAt << '\t' << terminalText(m.account, false) << "\t+" << m.recipient << '\t' << m.when
            << '\t' << terminalText(m.text, false, true) << '\n';
    }
    return ExitCode::Ok;
}

int runCommand(const Options &o)
{
    Settings settings(o.settingsFile);
    AppState state;
    state.setDataFolder(resolveDataFolder());
    TerminalPrompter prompter;
    int status = ExitCode::Unexpected;
    const auto released = qScopeGuard([&] {
        if (status != ExitCode::Ok)
            prompter.release();
    });
    TerminalShell shell;
    SystemClock clock;
    Context ctx{state, settings, prompter, shell, clock, {}};
    TerminalWindows windows(ctx);
    ctx.windowsImpl = &windows;
    GatewaySession gatewaySession;
    gatewaySession.attach(ctx);
    try {
        provisionDataFolder(state.InstallDir);
    } catch (const Error &e) {
        ReportError(ctx, e);
        return status = ExitCode::Book;
    }
    qCInfo(lcCli).noquote() << "command" << o.command << o.sub;
    if (!OpenBook(ctx))
        return status = ExitCode::Book;
    // The host's version, prefix and brand checks belong to the window.
    gatewaySession.setServerChecksDone(true);
    if (o.command == QLatin1String("history"))
        status = history(ctx, o.count);
    else if (o.command == QLatin1String("reports"))
        status = reports(ctx, o, state.InstallDir);
    else if (o.command == QLatin1String("contacts"))
        status = contacts(ctx, o);
    else if (o.command == QLatin1String("sync"))
        status = sync(ctx);
    else
        status = send(ctx, o, state.InstallDir);
    return status;
}

} // namespace

int runInvocation(const Invocation &invocation)
{
    switch (invocation.action) {
    case Invocation::Action::Print:
        QTextStream(stdout) << invocation.output;
        return ExitCode::Ok;
    case Invocation::Action::Error:
        tell(invocation.output);
        tell(Texts::tr("Per l'aiuto: briosms --help"));
        return ExitCode::Usage;
    case Invocation::Action::Window:
        break;
    case Invocation::Action::SandboxOutbox:
    case Invocation::Action::Command:
        try {
            return invocation.action == Invocation::Action::SandboxOutbox ? printOutbox(resolveDataFolder())
                                                                          : runCommand(invocation);
        } catch (const Error &e) {
            tell(e.description());
        } catch (const std::exception &e) {
            tell(QString::fromLocal8Bit(e.what()));
        }
        return ExitCode::Unexpected;
    }
    return ExitCode::Usage;
}

} // namespace brio
