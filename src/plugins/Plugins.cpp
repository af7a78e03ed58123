#include "plugins/Plugins.h"

#include "core/ProgramFolder.h"
#include "core/Texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringDecoder>

namespace brio {

namespace {


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
    const QString program = pluginProgram(plugin.Folder.isEmpty() ? ctx.state.pluginsPath() : plugin.Folder, plugin.Path);
    if (program.isEmpty()) {
        throw Error(ErrorNo::PluginCannotStart,
                    Texts::tr("Il plugin '%1' indica un programma fuori dalla cartella Plugins").arg(plugin.Name));
    }
    return program;
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
    d.Folder = QFileInfo(file.fileName()).absolutePath();
    d.Name = ReadDescriptorValue(file, QStringLiteral("Name"));
    d.Description = ReadDescriptorValue(file, QStringLiteral("description"));
    d.Path = ReadDescriptorValue(file, QStringLiteral("Path"));
    d.Type = ReadDescriptorValue(file, QStringLiteral("Type"));
    d.Incomplete = d.Name.isEmpty() || d.Description.isEmpty() || d.Path.isEmpty() || d.Type.isEmpty()
                   || pluginProgram(d.Folder, d.Path).isEmpty();
    return d;
}

QStringList descriptorFiles(const AppState &state)
{
    const auto inFolder = [](const QString &folder) {
        QDir dir(folder);
        dir.setNameFilters({QStringLiteral("*.bpe")});
        dir.setFilter(QDir::Files);
        return dir.entryList();
    };
    // File names in order; a shipped one by its full path, which reads the
    // same through the Plugins folder.
    QMap<QString, QString> byName;
    for (const QString &name : inFolder(state.pluginsPath()))
        byName.insert(name, name);
    if (!state.ShippedPluginsDir.isEmpty()) {
        const QDir shipped(state.ShippedPluginsDir);
        for (const QString &name : inFolder(state.ShippedPluginsDir))
            byName.insert(name, shipped.absoluteFilePath(name));
    }
    return byName.values();
}

QString pluginProgram(const QString &descriptorFolder, const QString &path)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return QString();
    const QString folder = QDir::cleanPath(QFileInfo(descriptorFolder).absoluteFilePath());
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

PluginCatalogue PluginCatalogue::read(const AppState &state, Kind kind)
{
    const QString type = kind == Kind::Import ? QStringLiteral("IMPORT") : QStringLiteral("GENERAL");
    PluginCatalogue catalogue;
    for (const QString &file : descriptorFiles(state)) {
        const PluginDescriptor d = ReadPluginDescriptor(state, file);
        if (!d.Incomplete && d.Type.toUpper() == type)
            catalogue.m_plugins << d;
    }
    return catalogue;
}

qsizetype PluginCatalogue::size() const
{
    return m_plugins.size();
}

const PluginDescriptor *PluginCatalogue::at(qsizetype index) const
{
    return index >= 0 && index < m_plugins.size() ? &m_plugins.at(index) : nullptr;
}

QList<PluginListEntry> PluginCatalogue::entries() const
{
    QList<PluginListEntry> out;
    for (qsizetype n = 0; n < m_plugins.size(); ++n)
        out << PluginListEntry{m_plugins.at(n).Name, n};
    return out;
}

PluginMenu BuildPluginMenu(const AppState &state)
{
    PluginMenu menu;
    const PluginCatalogue general = PluginCatalogue::read(state, PluginCatalogue::Kind::General);
    for (qsizetype n = 0; n < general.size() && n < kPluginMenuItems; ++n) {
        menu.captions << general.at(n)->Name.left(kPluginMenuCaptionLength);
        menu.plugins << *general.at(n);
    }
    menu.showOthers = general.size() >= kPluginMenuItems;
    return menu;
}

QByteArray pluginInput(const AppState &state)
{
    return state.book.password().toUtf8() + '\n';
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
    const auto result = ctx.process().runAndWait(program, {ctx.state.book.path()}, pluginInput(ctx.state));
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
    const auto result = ctx.process().start(program, {ctx.state.book.path()}, pluginInput(ctx.state));
    if (result.outcome == ProcessLauncher::Outcome::FailedToStart)
        cannotStart(plugin, program, result.error);
}

QString shippedPluginsFolder()
{
    const QDir program(programFolder());
    for (const QString &folder : {program.filePath(QStringLiteral(BRIOSMS_BUILT_PLUGINS_DIR)),
                                  program.filePath(QStringLiteral(BRIOSMS_INSTALLED_PLUGINS_DIR))}) {
        if (QFileInfo(folder).isDir())
            return QDir::cleanPath(folder);
    }
    return QString();
}

bool removeOldShippedCopies(const QString &pluginsFolder, const QString &shippedFolder)
{
    if (shippedFolder.isEmpty())
        return true;
    const QDir to(pluginsFolder);
    bool ok = true;
    for (const QString &name : QDir(shippedFolder).entryList(QDir::Files)) {
        if (QFileInfo::exists(to.filePath(name)))
            ok = QFile::remove(to.filePath(name)) && ok;
    }
    return ok;
}

} // namespace brio
