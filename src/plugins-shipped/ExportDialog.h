#pragma once

#include "BookExport.h"

#include <QDialog>
#include <memory>

namespace Ui {
class ExportDialog;
}

namespace brio::kit {

// Which contacts (the whole book or one group) and which format.
class ExportDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit ExportDialog(const QList<GroupChoice> &choices, QWidget *parent = nullptr);
    ~ExportDialog() override;

    qint64 groupId() const;
    ExportFormat format() const;

private:
    std::unique_ptr<Ui::ExportDialog> m_ui;
};

} // namespace brio::kit
