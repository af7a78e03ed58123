// "Importa da CSV": contacts from a CSV file of an address book or spreadsheet.
#include "BookImport.h"
#include "CsvSource.h"
#include "PluginProgram.h"
#include "PluginWindows.h"
#include "core/Error.h"
#include "core/Texts.h"

#include <QFile>

using namespace brio;
using namespace brio::kit;

int main(int argc, char *argv[])
{
    return runPlugin(argc, argv, QT_TRANSLATE_NOOP("Texts", "Importa da CSV"), [](PluginRun &run) {
        QString source = run.files.value(0);
        if (source.isEmpty() && !run.batch)
            source = run.windows->openFileName(run.title, Texts::tr("File CSV (*.csv *.txt);;Tutti i file (*)"));
        if (source.isEmpty())
            return;
        QFile file(source);
        openSource(file, kMostCsvBytes);
        QString encoding; // the one the file reads as, unless the user chooses
        if (!run.batch) {
            const auto confirmed = run.windows->confirmCsv(
                [&file](const QString &chosen) { return previewCsv(file, kCsvPreviewRows, chosen); }, source);
            if (!confirmed)
                return;
            encoding = *confirmed;
        }
        CsvStream contacts(file, encoding);
        const auto next = [&contacts](ImportRow &contact) { return contacts.next(contact); };
        run.inform(summaryText(importContacts(*run.db, contacts.mostContacts(), next, source)));
    });
}
