#pragma once

#include "CsvSource.h"

#include <QDialog>
#include <memory>

namespace Ui {
class CsvPreviewDialog;
}

namespace brio::kit {

// The first rows of a CSV file as they would be imported, before anything is
// written: the user confirms or cancels.
constexpr int kCsvPreviewRows = 10;
class CsvPreviewDialog final : public QDialog
{
    Q_OBJECT
public:
    CsvPreviewDialog(const CsvPreview &preview, const QString &path, QWidget *parent = nullptr);
    ~CsvPreviewDialog() override;

private:
    std::unique_ptr<Ui::CsvPreviewDialog> m_ui;
};

} // namespace brio::kit
