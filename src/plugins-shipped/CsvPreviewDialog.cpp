#include "CsvPreviewDialog.h"

#include "core/Error.h"
#include "core/Texts.h"
#include "ui_CsvPreviewDialog.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QSignalBlocker>

namespace brio::kit {

namespace {

QStringList previewCells(const ImportRow &row)
{
    QStringList cells;
    for (const QByteArray &text : {row.name, row.numbers.value(0), row.address, row.cap, row.city, row.province,
                                   row.region, row.email, row.birthDate, row.sex})
        cells << QString::fromUtf8(text);
    return cells;
}

QString columnsText(const CsvLayout &layout)
{
    if (layout.header.isEmpty())
        return Texts::tr("Nessuna riga di intestazione: colonne prese nell'ordine Nominativo, Cellulare, "
                         "Indirizzo, CAP, Città, Provincia, Regione, E-mail, Data di nascita, Sesso.");
    QStringList used;
    for (const int index : layout.columns) {
        if (index >= 0)
            used << layout.header.value(index);
    }
    return Texts::tr("Colonne riconosciute: %1.").arg(used.join(QStringLiteral(", ")));
}

} // namespace

CsvPreviewDialog::CsvPreviewDialog(ReadPreview read, const QString &path, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::CsvPreviewDialog>())
    , m_read(std::move(read))
    , m_path(path)
{
    m_ui->setupUi(this);
    const QStringList headers{Texts::tr("Nominativo"), Texts::tr("Cellulare"), Texts::tr("Indirizzo"),
                              Texts::tr("CAP"), Texts::tr("Città"), Texts::tr("Provincia"),
                              Texts::tr("Regione"), Texts::tr("E-mail"), Texts::tr("Data di nascita"),
                              Texts::tr("Sesso")};
    m_ui->tbl_anteprima->setColumnCount(int(headers.size()));
    m_ui->tbl_anteprima->setHorizontalHeaderLabels(headers);
    m_ui->cbo_codifica->addItems(csvEncodings());
    showPreview(m_read(QString()));
    connect(m_ui->cbo_codifica, &QComboBox::currentIndexChanged, this, &CsvPreviewDialog::encodingChosen);
    connect(m_ui->cmd_importa, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cmd_annulla, &QPushButton::clicked, this, &QDialog::reject);
}

QString CsvPreviewDialog::encoding() const
{
    return m_encoding;
}

void CsvPreviewDialog::showPreview(const CsvPreview &preview)
{
    const CsvLayout &layout = preview.layout;
    m_encoding = layout.encoding;
    {
        const QSignalBlocker quiet(m_ui->cbo_codifica);
        m_ui->cbo_codifica->setCurrentText(layout.encoding);
    }
    m_ui->lbl_file->setText(Texts::tr("File: %1 (separatore '%2')")
                                .arg(QFileInfo(m_path).fileName(), QString(QChar(layout.separator))));
    m_ui->lbl_colonne->setText(columnsText(layout));
    const QList<ImportRow> &rows = preview.first;
    const int shown = int(rows.size());
    m_ui->tbl_anteprima->clearContents();
    m_ui->tbl_anteprima->setRowCount(shown);
    for (int r = 0; r < shown; ++r) {
        const QStringList cells = previewCells(rows.at(r));
        for (int c = 0; c < cells.size(); ++c)
            m_ui->tbl_anteprima->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    m_ui->tbl_anteprima->resizeColumnsToContents();
    QString total = Texts::tr("Righe da importare: %1").arg(preview.contacts);
    if (layout.strayBytes)
        total += Texts::tr(" (le righe con byte che non sono UTF-8 saranno escluse ed elencate)");
    m_ui->lbl_totale->setText(total);
}

void CsvPreviewDialog::encodingChosen(int index)
{
    try {
        showPreview(m_read(csvEncodings().value(index)));
    } catch (const Error &e) {
        QMessageBox::warning(this, windowTitle(), e.description());
        const QSignalBlocker quiet(m_ui->cbo_codifica);
        m_ui->cbo_codifica->setCurrentText(m_encoding);
    }
}

CsvPreviewDialog::~CsvPreviewDialog() = default;

} // namespace brio::kit
