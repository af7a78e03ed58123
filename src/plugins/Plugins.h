#pragma once

#include "context/Context.h"

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

namespace brio {

namespace ErrorNo {
constexpr int PluginCannotStart = 53; // "file not found": no program to start
constexpr int PluginCrashed = 440;    // the program ended abnormally
} // namespace ErrorNo

// One installed plug-in as its descriptor file announces it.
struct PluginDescriptor
{
    QString Name;
    QString Description;
    QString Path;
    QString Type;
    QString Folder; // the descriptor's folder, which Path is relative to
    bool Incomplete = true;
};

constexpr int kPluginMenuItems = 10;
constexpr int kPluginMenuCaptionLength = 20;

// The next line of an open descriptor, for the expected key: the value after
// the first "=", or empty when the key before it is another one. Carriage
// returns are dropped wherever they stand.
QString ReadDescriptorValue(QIODevice &file, const QString &key);

// The descriptor file of that name in the Plugins folder. A Path that would
// leave the Plugins folder (absolute, "..", a link pointing out) makes it
// incomplete, as does any empty field.
PluginDescriptor ReadPluginDescriptor(const AppState &state, const QString &fileName);

// The *.bpe files of the Plugins folder (not its subfolders) and of the
// shipped plug-ins' folder (by full path), by file name, so that the menu is
// the same on every machine. A shipped one hides a user's of the same name.
QStringList descriptorFiles(const AppState &state);

// The program file a descriptor's Path names, inside the descriptor's folder;
// empty when it would lie outside it.
QString pluginProgram(const QString &descriptorFolder, const QString &path);

struct PluginListEntry
{
    QString name;
    qsizetype index = 0; // its place in the catalogue
};

// The usable plug-ins of one kind, in file-name order, as the Plugins folders
// held them when read; any number of them. A window keeps the catalogue it
// listed, so that a place it handed out names the same plug-in later.
class PluginCatalogue final
{
public:
    enum class Kind { General, Import };

    static PluginCatalogue read(const AppState &state, Kind kind);

    qsizetype size() const;
    // The plug-in at a place of this catalogue; null for a place outside it.
    const PluginDescriptor *at(qsizetype index) const;
    // Their names with their places, for a list to show.
    QList<PluginListEntry> entries() const;

private:
    QList<PluginDescriptor> m_plugins;
};

// What the Plugins menu shows: the first ten general plug-ins, names cut to
// 20 characters, and "Tutti i plugin installati..." from ten on.
struct PluginMenu
{
    QStringList captions;
    QList<PluginDescriptor> plugins; // what each caption runs
    bool showOthers = false;
};
PluginMenu BuildPluginMenu(const AppState &state);

// The plug-in's standard input: the address book's password on one line, an
// empty line for a plain book.
QByteArray pluginInput(const AppState &state);

// Runs the plug-in with the database path as its one argument and returns when
// it has ended, whatever its exit code. Throws Error when it cannot start or
// crashes.
void RunAndWait(const Context &ctx, const PluginDescriptor &plugin);
// Starts the plug-in the same way without waiting. Throws Error.
void StartPlugin(const Context &ctx, const PluginDescriptor &plugin);

// The plug-ins shipped with the program: beside it in the build, in libexec
// once installed; empty when neither is there. They run from that folder,
// so that an upgrade of the program upgrades them.
QString shippedPluginsFolder();
// Earlier versions copied them into each Plugins folder, where they were
// never upgraded: those copies are removed, leaving the user's own plug-ins.
// False when some could not be removed.
bool removeOldShippedCopies(const QString &pluginsFolder, const QString &shippedFolder);

} // namespace brio
