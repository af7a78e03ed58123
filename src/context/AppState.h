#pragma once

#include "context/BrandTexts.h"
#include "context/Notifier.h"
#include "store/Book.h"

#include <QList>
#include <QString>
#include <memory>

namespace brio {

// The state of one run, shared by the windows. Passed explicitly so that each
// test has its own.
struct AppState
{
    Book book;
    BrandTexts brand;

    // Changes other windows must learn of; on the heap so the state stays movable.
    std::unique_ptr<Notifier> Notify = std::make_unique<Notifier>();

    QString InstallDir;        // the data folder; set with setDataFolder
    QString ShippedPluginsDir; // the plug-ins that come with the program, run from there
    QStringList Arguments;     // command line after the program name

    // The data folder, and the book in it.
    void setDataFolder(const QString &folder);
    QString pluginsPath() const;
};

} // namespace brio
