#pragma once

#include "repositories/bulkinsert.h"
#include "spreadsheet/cellvalue.h"
#include "spreadsheet/workbookreader.h"

#include <QColor>
#include <QList>
#include <QProgressDialog>
#include <QString>
#include <QStringList>

class QDialog;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace kestrovalin {

// Colours of the result area's lines.
namespace resultColour {
const QColor kError(0xCC, 0x00, 0x00);
const QColor kWarning(0xCC, 0x66, 0x00);
const QColor kProgress(0x33, 0x33, 0x33);
const QColor kSuccess(0x00, 0x66, 0x00);
const QColor kNotice(0x66, 0x66, 0x66);
} // namespace resultColour

// The controls both import forms share.
struct ImportForm {
    QPushButton* downloadTemplate;
    QPushButton* browse;
    QPushButton* startImport;
    QLineEdit* filePath;
    QTextEdit* result;
};

template <class Form> ImportForm importFormOf(Form* ui) {
    return {ui->btnDownloadTemplate, ui->btnBrowse, ui->btnStartImport, ui->editFilePath, ui->textResult};
}

// How one dialog words its lines: the product dialog marks them with glyphs, the supplier dialog does not.
struct ImportWording {
    QString cross;       // "✖ " or nothing
    QString warn;        // "⚠ " or nothing
    QString tick;        // "✔ " or nothing
    QString unit;        // "条商品", "家供应商"
    QString closingLead; // before the cancel and nothing-to-import lines: "\n✖ " or nothing
};

// One data row of a workbook: the record it fills, the sheet row it came from (row 1 holds the titles) and
// the first cell, left to right, that could not be read as its column needs.
template <class Record> struct ImportRecordRow {
    Record record;
    int rowNumber = 0;
    QString problem;

    QString displayName() const { return record.name; }
};

// Style sheet, a Chinese Close button that rejects the dialog, and a file-step label kept on one line.
void applyImportLook(QDialog* dialog, QDialogButtonBox* buttons, QLabel* fileStepLabel);

// Appends one paragraph in the colour. The text comes from workbooks and is never read as markup.
void appendResult(QTextEdit* area, const QString& text, const QColor& colour);

// The busy indicator of one import run: window-modal, no cancel button, no range. Escape and the close
// button leave it up: a run cannot be walked away from half-way.
class ImportBusy {
public:
    ImportBusy(QWidget* parent, const QString& title, const QString& label);
    // Shows it and lets it paint with user input held back; settle lets it paint for 200 ms.
    void show(bool settle);
    void close();
    // Lets the windows repaint between rows while reading and checking.
    static void pump();
    // Lets the windows repaint while a write is open; user input waits until the write has ended, so
    // nothing the user does can join its transaction.
    static void pumpHoldingInput();

private:
    class Dialog : public QProgressDialog {
    public:
        using QProgressDialog::QProgressDialog;
        void reject() override {}

    protected:
        void closeEvent(QCloseEvent* event) override;
    };
    Dialog m_dialog;
};

// Opens the workbook whose data starts in row 2; false with the reasons to list under the failure line.
// logName starts the debug line with the sheet's size.
bool openImportSheet(WorkbookReader& reader, const QString& path, QStringList& reasons, const char* logName);

// Reads rows 2 to the last used row, columns A up to maxColumns: readCell(row, column, cell) fills a field,
// keep(row, anyCellFilled) says whether the row is taken.
template <class Row, class ReadCell, class Keep>
bool readImportRows(const QString& path, int maxColumns, const char* logName, QList<Row>& rows,
                    QStringList& reasons, ReadCell readCell, Keep keep) {
    WorkbookReader reader(maxColumns);
    if (!openImportSheet(reader, path, reasons, logName))
        return false;
    const int columns = qMin(reader.lastColumn(), maxColumns);
    for (int r = 2; r <= reader.lastRow(); ++r) {
        Row row;
        row.rowNumber = r;
        bool filled = false;
        for (int c = 1; c <= columns; ++c) {
            const CellValue cell = reader.cell(r, c);
            filled = filled || !cell.isEmpty();
            readCell(row, c, cell);
        }
        ImportBusy::pump();
        if (keep(row, filled))
            rows.append(row);
    }
    return true;
}

// The cell as a text field: trimmed, never a null text.
QString fieldText(const CellValue& cell);
// "第 K 列为错误值：#N/A" for an error cell (1-based column), otherwise empty.
QString errorCellProblem(int column, const CellValue& cell);

// After reading: a failure or an empty file closes the busy indicator, is reported and gives false;
// otherwise the count of rows read is announced.
bool announceRead(QTextEdit* area, ImportBusy& busy, const ImportWording& wording, bool read,
                  const QStringList& reasons, int rows);
// After checking: the summary and the skipped duplicates' descriptions (if any are listed); false, with the
// closing line, when nothing is left to store.
bool announceChecks(QTextEdit* area, const ImportWording& wording, int toInsert, int duplicates, int invalid,
                    const QStringList& duplicateLines = QStringList());
// The Yes/No question before anything is written; false (with the cancel line) unless Yes.
bool confirmImport(QWidget* parent, QTextEdit* area, const ImportWording& wording, int toInsert,
                   int duplicates);

// The sheet row and name of a row to store, for the line that reports it refused.
struct ImportRowLabel {
    int rowNumber = 0;
    QString name;
};

template <class Row> QList<ImportRowLabel> importRowLabels(const QList<Row>& rows) {
    QList<ImportRowLabel> labels;
    for (const Row& row : rows)
        labels.append({row.rowNumber, row.displayName()});
    return labels;
}

// The end of a run: the refused rows, then what became of the whole; nothing is reported stored that the
// commit did not keep.
void appendInsertOutcome(QTextEdit* area, const ImportWording& wording, const QList<ImportRowLabel>& rows,
                         const repositories::BulkInsertResult& result);

} // namespace kestrovalin
