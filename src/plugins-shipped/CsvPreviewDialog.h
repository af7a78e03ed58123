#pragma once

#include "CsvSource.h"

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class CsvPreviewDialog;
}

namespace brio::kit {

// The first rows of a CSV file as they would be imported, before anything is
// written: the user may read it in the other encoding, then confirms or
// cancels.
class CsvPreviewDialog final : public QDialog
{
    Q_OBJECT
public:
    // read gives the preview in an encoding, or in the one the file reads
    // as when it is empty; it throws Error.
    using ReadPreview = std::function<CsvPreview(const QString &encoding)>;
    CsvPreviewDialog(ReadPreview read, const QString &path, QWidget *parent = nullptr);
    ~CsvPreviewDialog() override;

    // The encoding of the preview last shown.
    QString encoding() const;

private:
    void showPreview(const CsvPreview &preview);
    void encodingChosen(int index);

    std::unique_ptr<Ui::CsvPreviewDialog> m_ui;
    ReadPreview m_read;
    QString m_path;
    QString m_encoding;
};

} // namespace brio::kit
