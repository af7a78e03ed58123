#include "ui/main/MainWindow.h"

#include <QCloseEvent>

namespace brio {

MainWindow::MainWindow(Context &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(m_ctx.state.MainCaption);
    resize(640, 480);
}

MainWindow::~MainWindow() = default;

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_ctx.state.DB.reset();
    event->accept();
}

} // namespace brio
