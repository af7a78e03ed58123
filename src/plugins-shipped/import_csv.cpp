// "Importa da CSV": contacts from a CSV file of an address book or spreadsheet.
#include "BookImport.h"
#include "CsvPreviewDialog.h"
#include "CsvSource.h"
#include "PluginProgram.h"
#include "core/Error.h"
#include "core/Texts.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>

using namespace brio;
using namespace brio::kit;

int main(int argc, char *argv[])
{
    return runPlugin(argc, argv, QT_TRANSLATE_NOOP("Texts", "Importa da CSV"), [](PluginRun &run) {
        QString source = run.files.value(0);
        if (source.isEmpty() && !run.batch) {
            source = QFileDialog::getOpenFileName(nullptr, run.title, QDir::homePath(),
                                                  Texts::tr("File CSV (*.csv *.txt);;Tutti i file (*)"));
        }
        if (source.isEmpty())
            return;
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly))
            throw Error(ErrorNo::InvalidPath, Texts::tr("Impossibile leggere il file '%1'").arg(source));
        // Mapped rather than copied: the import reads it once, front to back.
        const uchar *mapped = file.size() > 0 ? file.map(0, file.size()) : nullptr;
        const QByteArray bytes = mapped ? QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), file.size())
                                        : file.readAll();
        if (!run.batch && CsvPreviewDialog(previewCsv(bytes, kCsvPreviewRows), source).exec() != QDialog::Accepted)
            return;
        CsvStream contacts(bytes);
        const auto next = [&contacts](ImportRow &contact) { return contacts.next(contact); };
        run.inform(summaryText(importContacts(*run.db, contacts.mostContacts(), next, source)));
    });
}
