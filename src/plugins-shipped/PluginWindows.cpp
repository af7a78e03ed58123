// The module of the shipped plug-ins' windows (see PluginWindows.h).
#include "PluginWindows.h"

#include "CsvPreviewDialog.h"
#include "ExportDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace brio::kit {

namespace {

class Windows final : public PluginWindows
{
public:
    std::unique_ptr<QCoreApplication> application(int &argc, char **argv) override
    {
        return std::make_unique<QApplication>(argc, argv);
    }

    void information(const QString &title, const QString &text) override
    {
        QMessageBox::information(nullptr, title, text);
    }

    void critical(const QString &title, const QString &text) override { QMessageBox::critical(nullptr, title, text); }

    QString openFileName(const QString &title, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(nullptr, title, QDir::homePath(), filter);
    }

    QString saveFileName(const QString &title, const QString &path, const QString &filter) override
    {
        return QFileDialog::getSaveFileName(nullptr, title, path, filter);
    }

    std::optional<QString> confirmCsv(const std::function<CsvPreview(const QString &encoding)> &read,
                                      const QString &path) override
    {
        CsvPreviewDialog preview(read, path);
        if (preview.exec() != QDialog::Accepted)
            return std::nullopt;
        return preview.encoding();
    }

    std::optional<std::pair<qint64, ExportFormat>> exportChoice(const QList<GroupChoice> &choices) override
    {
        ExportDialog dialog(choices);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return std::pair{dialog.groupId(), dialog.format()};
    }
};

} // namespace

} // namespace brio::kit

extern "C" Q_DECL_EXPORT brio::kit::PluginWindows *briosmsPluginWindows()
{
    static brio::kit::Windows windows;
    return &windows;
}
