#include "ui/import/ImportBrio1Window.h"

#include "app/Startup.h"
#include "core/Texts.h"
#include "plugins/OldAddressBook.h"
#include "ui_ImportBrio1Window.h"
#include "ui/OneWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>

namespace brio {

namespace {

// Where Wine puts the old version's default folder, shown when the file
// itself is not there.
QString initialPath()
{
    const QString found = oldDatabasePath();
    if (!found.isEmpty())
        return found;
    return QDir(winePrefix()).filePath(QStringLiteral("drive_c/programmi/briosms/brioSMS.mdb"));
}

} // namespace

ImportBrio1Window::ImportBrio1Window(Context &ctx, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::frmImportBRIO1>())
    , m_ctx(ctx)
{
    m_ui->setupUi(this);
    resize(width(), sizeHint().height());
    m_ui->txt_path->setText(initialPath());

    connect(m_ui->cmd_browse, &QPushButton::clicked, this, &ImportBrio1Window::cmd_browse_Click);
    connect(m_ui->cmd_importa, &QPushButton::clicked, this, &ImportBrio1Window::cmd_Importa_Click);
}

ImportBrio1Window::~ImportBrio1Window() = default;

ImportBrio1Window *ImportBrio1Window::showFor(Context &ctx, QWidget *parent)
{
    return showOneWindow<ImportBrio1Window>(ctx, parent);
}

void ImportBrio1Window::closeEvent(QCloseEvent *event)
{
    // The import holds the address book until its last batch.
    if (m_busy)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void ImportBrio1Window::reject()
{
    if (!m_busy)
        QDialog::reject();
}

void ImportBrio1Window::cmd_browse_Click()
{
    const QString chosen = m_ctx.fileDialog().openFileName(windowTitle(), m_ui->txt_path->text(), QString());
    if (!chosen.isEmpty())
        m_ui->txt_path->setText(QDir::toNativeSeparators(chosen));
}

void ImportBrio1Window::cmd_Importa_Click()
{
    OldImportCounts counts;
    bool imported = false;
    setBusy(true);
    try {
        imported = importOldAddressBook(m_ctx, m_ui->txt_path->text(), counts,
                                        [this](int percent) { showProgress(percent); });
    } catch (const Error &e) {
        setBusy(false);
        if (e.number() == ErrorNo::InvalidPath) {
            m_ctx.message(Icon::Critical, Texts::tr("Impossibile leggere la rubrica di BrioSMS 1.1.4"));
            m_ui->txt_path->setFocus();
        } else {
            m_ctx.message(Icon::Critical,
                          Texts::tr("Errore generico: %1 - %2").arg(e.number()).arg(e.description()));
        }
        return;
    }
    setBusy(false);
    if (!imported) {
        m_ctx.message(Icon::Information, Texts::tr("La rubrica da importare è vuota."));
        return;
    }
    m_ctx.message(Icon::Information, oldImportSummary(counts, oldImportErrorFile(m_ctx)));
    close();
}

void ImportBrio1Window::showProgress(int percent)
{
    m_ui->pBar->setValue(percent);
    // Repaint between batches; input waits, as the address book is in use.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ImportBrio1Window::setBusy(bool busy)
{
    m_busy = busy;
    m_ui->cmd_importa->setEnabled(!busy);
    m_ui->cmd_browse->setEnabled(!busy);
    m_ui->txt_path->setReadOnly(busy);
    if (busy)
        m_ui->pBar->setValue(0);
}

} // namespace brio
