#pragma once

#include "app/Context.h"

#include <QMainWindow>

namespace brio {

class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(Context &ctx, QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Context &m_ctx;
};

} // namespace brio
