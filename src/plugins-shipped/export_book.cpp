// "Esporta rubrica": the whole book, or one group, to CSV or vCard 3.0.
#include "BookExport.h"
#include "PluginProgram.h"
#include "PluginWindows.h"
#include "core/Texts.h"

#include <QDir>

using namespace brio;
using namespace brio::kit;

namespace {

// By hand: FILE [GROUP]; the format follows the file's extension.
void exportByHand(PluginRun &run)
{
    const QString target = run.files.value(0);
    const QString groupName = run.files.value(1);
    qint64 group = -1;
    for (const GroupChoice &c : exportChoices(*run.db)) {
        if (!groupName.isEmpty() && c.name == groupName)
            group = c.id;
    }
    const ExportFormat format = target.endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive) ? ExportFormat::VCard
                                                                                              : ExportFormat::Csv;
    const int count = exportBook(*run.db, group, format, target);
    run.inform(Texts::tr("Contatti esportati: %1\nFile: %2").arg(count).arg(target));
}

} // namespace

int main(int argc, char *argv[])
{
    return runPlugin(argc, argv, QT_TRANSLATE_NOOP("Texts", "Esporta rubrica"), [](PluginRun &run) {
        if (!run.files.isEmpty() || run.batch)
            return exportByHand(run);
        const auto choice = run.windows->exportChoice(exportChoices(*run.db));
        if (!choice)
            return;
        const auto [group, format] = *choice;
        const bool vcard = format == ExportFormat::VCard;
        const QString target = run.windows->saveFileName(
            run.title, QDir::home().filePath(vcard ? QStringLiteral("rubrica.vcf") : QStringLiteral("rubrica.csv")),
            vcard ? Texts::tr("File vCard (*.vcf)") : Texts::tr("File CSV (*.csv)"));
        if (target.isEmpty())
            return;
        const int count = exportBook(*run.db, group, format, target);
        run.inform(Texts::tr("Contatti esportati: %1\nFile: %2").arg(count).arg(target));
    });
}
