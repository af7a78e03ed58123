#include "CsvPreviewDialog.h"

#include "core/Texts.h"
#include "ui_CsvPreviewDialog.h"

#include <QFileInfo>

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

CsvPreviewDialog::CsvPreviewDialog(const CsvPreview &preview, const QString &path, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::CsvPreviewDialog>())
{
    m_ui->setupUi(this);
    const CsvLayout &layout = preview.layout;
    m_ui->lbl_file->setText(Texts::tr("File: %1 (%2, separatore '%3')")
                                .arg(QFileInfo(path).fileName(), layout.encoding, QString(QChar(layout.separator))));
    m_ui->lbl_colonne->setText(columnsText(layout));
    const QList<ImportRow> &rows = preview.first;
    const QStringList headers{Texts::tr("Nominativo"), Texts::tr("Cellulare"), Texts::tr("Indirizzo"),
                              Texts::tr("CAP"), Texts::tr("Città"), Texts::tr("Provincia"),
                              Texts::tr("Regione"), Texts::tr("E-mail"), Texts::tr("Data di nascita"),
                              Texts::tr("Sesso")};
    m_ui->tbl_anteprima->setColumnCount(int(headers.size()));
    m_ui->tbl_anteprima->setHorizontalHeaderLabels(headers);
    const int shown = int(rows.size());
    m_ui->tbl_anteprima->setRowCount(shown);
    for (int r = 0; r < shown; ++r) {
        const QStringList cells = previewCells(rows.at(r));
        for (int c = 0; c < cells.size(); ++c)
            m_ui->tbl_anteprima->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    m_ui->tbl_anteprima->resizeColumnsToContents();
    m_ui->lbl_totale->setText(Texts::tr("Righe da importare: %1").arg(preview.contacts));
    connect(m_ui->cmd_importa, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cmd_annulla, &QPushButton::clicked, this, &QDialog::reject);
}

CsvPreviewDialog::~CsvPreviewDialog() = default;

} // namespace brio::kit
