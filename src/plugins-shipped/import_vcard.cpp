// "Importa da vCard": contacts from a .vcf file of a phone or an address book.
#include "BookImport.h"
#include "PluginProgram.h"
#include "PluginWindows.h"
#include "VCardSource.h"
#include "core/Texts.h"

#include <QFile>

using namespace brio;
using namespace brio::kit;

int main(int argc, char *argv[])
{
    return runPlugin(argc, argv, QT_TRANSLATE_NOOP("Texts", "Importa da vCard"), [](PluginRun &run) {
        QString source = run.files.value(0);
        if (source.isEmpty() && !run.batch)
            source = run.windows->openFileName(run.title, Texts::tr("File vCard (*.vcf *.vcard);;Tutti i file (*)"));
        if (source.isEmpty())
            return;
        QFile file(source);
        openSource(file, kMostVCardBytes);
        VCardStream cards(file);
        const auto next = [&cards](ImportRow &contact) { return cards.next(contact); };
        run.inform(summaryText(importContacts(*run.db, cards.mostContacts(), next, source)));
    });
}
