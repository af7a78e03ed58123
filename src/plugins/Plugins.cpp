#include "plugins/Plugins.h"

#include "core/Texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace brio {

namespace {

const QString kGeneral = QStringLiteral("GENERAL");
const QString kImport = QStringLiteral("IMPORT");

// Descriptors written on Windows are in its code page; others in UTF-8.
QString decodeLine(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1252("windows-1252");
    return cp1252(bytes);
}

bool isInside(const QString &folder, const QString &path)
{
    return path.startsWith(folder + QLatin1Char('/'));
}

QString programOf(const Context &ctx, const PluginDescriptor &plugin)
{
    const QString program = pluginProgram(ctx.state, plugin.Path);
    if (program.isEmpty()) {
        throw Error(ErrorNo::PluginCannotStart,
                    Texts::tr("Il plugin '%1' indica un programma fuori dalla cartella Plugins").arg(plugin.Name));
    }
    return program;
}

// Each usable descriptor of the kind, in file-name order, at most 101.
QList<PluginDescriptor> usable(const AppState &state, const QString &kind)
{
    QList<PluginDescriptor> out;
    for (const QString &file : descriptorFiles(state)) {
        if (out.size() == kMaxPluginsPerKind)
            break;
        const PluginDescriptor d = ReadPluginDescriptor(state, file);
        if (!d.Incomplete && d.Type.toUpper() == kind)
            out << d;
    }
    return out;
}

} // namespace

QString ReadDescriptorValue(QIODevice &file, const QString &key)
{
    QByteArray line;
    char ch = 0;
    while (file.getChar(&ch) && ch != '\n') {
        if (ch != '\r')
            line += ch;
    }
    const QString text = decodeLine(line);
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0 || text.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
        return QString();
    return text.mid(eq + 1).trimmed();
}

PluginDescriptor ReadPluginDescriptor(const AppState &state, const QString &fileName)
{
    PluginDescriptor d;
    QFile file(QDir(state.pluginsPath()).filePath(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return d;
    d.Name = ReadDescriptorValue(file, QStringLiteral("Name"));
    d.Description = ReadDescriptorValue(file, QStringLiteral("description"));
    d.Path = ReadDescriptorValue(file, QStringLiteral("Path"));
    d.Type = ReadDescriptorValue(file, QStringLiteral("Type"));
    d.Incomplete = d.Name.isEmpty() || d.Description.isEmpty() || d.Path.isEmpty() || d.Type.isEmpty()
                   || pluginProgram(state, d.Path).isEmpty();
    return d;
}

QStringList descriptorFiles(const AppState &state)
{
    QDir dir(state.pluginsPath());
    dir.setNameFilters({QStringLiteral("*.bpe")});
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name);
    return dir.entryList();
}

QString pluginProgram(const AppState &state, const QString &path)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return QString();
    const QString folder = QDir::cleanPath(QFileInfo(state.pluginsPath()).absoluteFilePath());
    const QString program = QDir::cleanPath(folder + QLatin1Char('/') + path);
    if (!isInside(folder, program))
        return QString();
    // A link may point anywhere: where it leads must be inside too.
    const QFileInfo target(program);
    if (target.exists()) {
        const QString real = target.canonicalFilePath();
        if (!isInside(QFileInfo(folder).canonicalFilePath(), real))
            return QString();
    }
    return program;
}

QList<PluginListEntry> FillPluginList(AppState &state, const QString &kind)
{
    const QString upper = kind.toUpper();
    QList<PluginDescriptor> &table = upper == kImport ? state.ImportPlugins : state.GeneralPlugins;
    QList<PluginListEntry> entries;
    const QList<PluginDescriptor> found = usable(state, upper);
    for (int n = 0; n < found.size(); ++n) {
        table[n] = found.at(n);
        entries << PluginListEntry{found.at(n).Name, n};
    }
    return entries;
}

PluginMenu BuildPluginMenu(AppState &state)
{
    PluginMenu menu;
    const QList<PluginListEntry> entries = FillPluginList(state, kGeneral);
    for (const PluginListEntry &e : entries) {
        if (e.index < kPluginMenuItems)
            menu.captions << e.name.left(kPluginMenuCaptionLength);
    }
    menu.showOthers = entries.size() >= kPluginMenuItems;
    return menu;
}

QByteArray pluginInput(const AppState &state)
{
    return state.DBPassword.toUtf8() + '\n';
}

namespace {

// What the system said, in the user's words first.
[[noreturn]] void cannotStart(const PluginDescriptor &plugin, const QString &program, const QString &systemText)
{
    const QFileInfo file(program);
    const QString why = !file.exists()           ? Texts::tr("il programma \"%1\" non esiste")
                        : !file.isExecutable()   ? Texts::tr("il programma \"%1\" non è eseguibile")
                                                 : Texts::tr("il sistema non ha potuto avviare \"%1\"");
    throw Error(ErrorNo::PluginCannotStart, Texts::tr("Impossibile avviare il plugin '%1': %2. (dettaglio: %3)")
                                                .arg(plugin.Name, why.arg(QDir::toNativeSeparators(program)), systemText));
}

} // namespace

void RunAndWait(const Context &ctx, const PluginDescriptor &plugin)
{
    const QString program = programOf(ctx, plugin);
    const auto result = ctx.process().runAndWait(program, {ctx.state.databasePath()}, pluginInput(ctx.state));
    switch (result.outcome) {
    case ProcessLauncher::Outcome::Finished:
        return;
    case ProcessLauncher::Outcome::FailedToStart:
        cannotStart(plugin, program, result.error);
    case ProcessLauncher::Outcome::Crashed:
        throw Error(ErrorNo::PluginCrashed,
                    Texts::tr("Il plugin '%1' si è interrotto in modo anomalo").arg(plugin.Name));
    }
}

void StartPlugin(const Context &ctx, const PluginDescriptor &plugin)
{
    const QString program = programOf(ctx, plugin);
    const auto result = ctx.process().start(program, {ctx.state.databasePath()}, pluginInput(ctx.state));
    if (result.outcome == ProcessLauncher::Outcome::FailedToStart)
        cannotStart(plugin, program, result.error);
}

QString shippedPluginsFolder()
{
    const QDir program(QCoreApplication::applicationDirPath());
    for (const QString &folder : {program.filePath(QStringLiteral("shipped-plugins")),
                                  program.filePath(QStringLiteral(BRIOSMS_INSTALLED_PLUGINS_DIR))}) {
        if (QFileInfo(folder).isDir())
            return QDir::cleanPath(folder);
    }
    return QStringLiteral(BRIOSMS_SHIPPED_PLUGINS_DIR);
}

bool installShippedPlugins(const QString &pluginsFolder, const QString &shippedFolder)
{
    const QDir from(shippedFolder);
    QDir to(pluginsFolder);
    if (!from.exists() || !to.mkpath(QStringLiteral(".")))
        return false;
    bool ok = true;
    for (const QString &name : from.entryList(QDir::Files)) {
        const QString target = to.filePath(name);
        if (QFileInfo::exists(target))
            continue;
        // Copied beside and renamed, so an interrupted copy leaves no half program.
        const QString partial = to.filePath(QStringLiteral(".") + name + QStringLiteral(".part"));
        QFile::remove(partial);
        ok = QFile::copy(from.filePath(name), partial) && QFile::rename(partial, target) && ok;
        QFile::remove(partial);
    }
    return ok;
}

} // namespace brio
