#pragma once

#include "BookExport.h"
#include "CsvSource.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QCoreApplication;

namespace brio::kit {

// The windows a plug-in shows when it is not run with --batch. They live in
// a module of their own beside the programs, loaded only then: a batch run
// never loads the window system's libraries, which took a sixth of a large
// import's time.
class PluginWindows
{
public:
    virtual ~PluginWindows() = default;

    // The application of a run with windows.
    virtual std::unique_ptr<QCoreApplication> application(int &argc, char **argv) = 0;
    virtual void information(const QString &title, const QString &text) = 0;
    virtual void critical(const QString &title, const QString &text) = 0;
    // A file chosen in the home folder to read, or at path to write; empty
    // when the user cancels.
    virtual QString openFileName(const QString &title, const QString &filter) = 0;
    virtual QString saveFileName(const QString &title, const QString &path, const QString &filter) = 0;
    // The encoding the user confirms in the CSV preview; nullopt when cancelled.
    virtual std::optional<QString> confirmCsv(const std::function<CsvPreview(const QString &encoding)> &read,
                                              const QString &path) = 0;
    // The group (-1: the whole book) and the format chosen for an export;
    // nullopt when cancelled.
    virtual std::optional<std::pair<qint64, ExportFormat>> exportChoice(const QList<GroupChoice> &choices) = 0;
};

// The module's file name, without its suffix, and its one function, which
// returns its PluginWindows.
inline constexpr char kPluginWindowsModule[] = "briosms-plugin-windows";
inline constexpr char kPluginWindowsEntry[] = "briosmsPluginWindows";

} // namespace brio::kit
