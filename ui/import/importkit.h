#pragma once

#include "repositories/bulkinsert.h"
#include "spreadsheet/cellvalue.h"
#include "spreadsheet/templatecolumn.h"
#include "spreadsheet/workbookreader.h"

#include <QColor>
#include <QList>
#include <QLoggingCategory>
#include <QProgressDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QDialog;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace kestrovalin {

// The per-cell and per-row lines of a read; off unless enabled
// (QT_LOGGING_RULES="kestrovalin.import.debug=true").
Q_DECLARE_LOGGING_CATEGORY(importLog)

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

// Style sheet, the frame around the steps, a Chinese Close button that rejects the dialog, and a file-step
// label kept on one line.
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
    // Lets the windows repaint between rows while reading and checking; at most every few dozen
    // milliseconds, so that a million rows do not spend their time in the event loop.
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

// The debug lines of one cell read: its text, and a note of a formula cell without a value.
void traceCell(int row, int column, const CellValue& cell);

// Opens the workbook whose data starts in row 2; false with the reasons to list under the failure line.
// Row 1 must hold the template's titles in the template's columns (blanks, case and the required mark
// aside; an empty title cell passes except in the required column): any other title is refused, since the
// values would land in the wrong fields. logName starts the debug line with the sheet's size.
bool openImportSheet(WorkbookReader& reader, const QString& path, const QList<TemplateColumn>& columns,
                     QStringList& reasons, const char* logName);

// Replaces the question whether a character of a refused title shows on this computer (the application's
// font and the fonts it falls back to); an empty function asks the fonts again.
void setDrawnCheckForTesting(std::function<bool(uint)> answer);

// Why a number cell cannot stand in a code column (1-based) of the template: one of more than 15
// significant digits has lost digits the user typed, and one with a fraction is no code; empty otherwise.
QString codeProblem(int column, const TemplateColumn& templateColumn, const CellValue& cell);

// The data rows of a workbook (rows 2 to the last used row, the template's columns), built one at a time
// from the reader's cells whenever they are walked: only the reader's compact cells stay in memory, however
// many rows the file has. readCell(row, column, cell) fills a field, keep(row, anyCellFilled) says whether
// the row is taken; traceRow, when given, logs each row taken (once per file) while importLog's debug
// lines are on, after every cell read has been logged. A row's problem is its first cell, left to right,
// that cannot be read: a number in a code column that lost digits or has a fraction, or what readCell
// finds.
template <class Row> class ImportSheet {
public:
    using ReadCell = void (*)(Row&, int, const CellValue&);
    using Keep = bool (*)(const Row&, bool);
    using TraceRow = void (*)(const Row&);

    ImportSheet(const QList<TemplateColumn>& columns, ReadCell readCell, Keep keep,
                TraceRow traceRow = nullptr)
        : m_columns(columns), m_maxColumns(columns.size()), m_readCell(readCell), m_keep(keep),
          m_traceRow(traceRow) {}

    // Opens the workbook and counts the rows taken; false with the reasons to list under the failure line.
    bool open(const QString& path, const char* logName, QStringList& reasons) {
        close();
        m_reader = std::make_unique<WorkbookReader>(m_maxColumns);
        if (!openImportSheet(*m_reader, path, m_columns, reasons, logName)) {
            close();
            return false;
        }
        m_tracing = m_traceRow && importLog().isDebugEnabled();
        forEach([this](const Row& row) {
            ++m_count;
            if (m_tracing)
                m_traceRow(row);
        });
        m_tracing = false;
        if (m_count == 0)
            m_reader.reset(); // nothing to check: the cells need not be kept
        return true;
    }
    int count() const { return m_count; }
    // visit(row) for every row taken, in sheet order; the windows repaint between rows.
    template <class Visit> void forEach(Visit visit) const {
        if (!m_reader)
            return;
        for (int r = 2; r <= m_reader->lastRow(); ++r) {
            Row row;
            const bool filled = build(r, row);
            ImportBusy::pump();
            if (m_keep(row, filled))
                visit(row);
        }
    }
    // Sheet row r as a data row, taken or not; empty once closed.
    Row rowAt(int r) const {
        Row row;
        build(r, row);
        return row;
    }
    void close() {
        m_reader.reset();
        m_count = 0;
    }

private:
    // False when all its cells are empty.
    bool build(int r, Row& row) const {
        row.rowNumber = r;
        bool filled = false;
        const int columns = m_reader ? qMin(m_reader->lastColumn(), m_maxColumns) : 0;
        for (int c = 1; c <= columns; ++c) {
            const CellValue cell = m_reader->cell(r, c);
            if (m_tracing)
                traceCell(r, c, cell);
            filled = filled || !cell.isEmpty();
            if (row.problem.isEmpty())
                row.problem = codeProblem(c, m_columns.at(c - 1), cell);
            m_readCell(row, c, cell);
        }
        return filled;
    }

    QList<TemplateColumn> m_columns;
    int m_maxColumns;
    ReadCell m_readCell;
    Keep m_keep;
    TraceRow m_traceRow;
    std::unique_ptr<WorkbookReader> m_reader;
    int m_count = 0;
    bool m_tracing = false;
};

// Lines of one colour added to the result area a few hundred at a time (each added paragraph on its own
// makes the text area lay it out at once). Only the first kListedLines are listed: a shown text area
// paints nothing at all once its document is taller than 2^23 pixels (some 490,000 lines here), and
// nobody reads such a list. The rest are counted and, when the list ends, one line after `lead` (the
// indent and mark of the list's lines) says how many were left out.
class ResultLines {
public:
    static constexpr int kListedLines = 10000;

    ResultLines(QTextEdit* area, const QColor& colour, const QString& lead)
        : m_area(area), m_colour(colour), m_lead(lead) {}
    ~ResultLines();
    ResultLines(const ResultLines&) = delete;
    ResultLines& operator=(const ResultLines&) = delete;

    // Lists the line makeLine() gives, or only counts it once the list is full.
    template <class MakeLine> void add(MakeLine makeLine) {
        if (m_listed < kListedLines)
            append(makeLine());
        else
            ++m_unlisted;
    }

private:
    void append(const QString& line);
    void flush();

    QTextEdit* m_area;
    QColor m_colour;
    QString m_lead;
    QStringList m_pending;
    int m_listed = 0;
    int m_unlisted = 0;
};

// The cell as a text field: trimmed, never a null text.
QString fieldText(const CellValue& cell);

// What a column does with a cell. Needed: an empty cell would be stored as a default or counted as missing
// (names, barcodes, flags, prices, dates). OneLine and MultiLine: optional texts.
enum class FieldKind { Needed, OneLine, MultiLine };

// Why a cell cannot be taken in its column (1-based): "第 K 列为错误值：#N/A" for an error cell,
// "第 K 列为公式，没有计算结果" for a formula saved without its value (or with an empty one where a value is
// needed), "第 K 列含有控制字符" for a NUL anywhere or another control character outside a multi-line
// text; otherwise empty.
QString cellProblem(int column, const CellValue& cell, FieldKind kind);

// A text from a workbook as a report line quotes it: at most a short prefix, "…" marking a cut. A cell
// may hold 32,767 characters, and ten thousand such lines would freeze the result area.
QString quoted(const QString& text);

// After reading: a failure or an empty file closes the busy indicator, is reported and gives false;
// otherwise the count of rows read is announced.
bool announceRead(QTextEdit* area, ImportBusy& busy, const ImportWording& wording, bool read,
                  const QStringList& reasons, int rows);
// The line of one of a list's entries (0-based), made when it is listed: a long list is never kept whole as
// text.
using LineSource = std::function<QString(int index)>;

// After checking: the summary and the skipped duplicates' descriptions (duplicateLines(i) for each of the
// `duplicates`, when they are listed); false, with the closing line, when nothing is left to store.
bool announceChecks(QTextEdit* area, const ImportWording& wording, int toInsert, int duplicates, int invalid,
                    const LineSource& duplicateLines = {});
// The Yes/No question before anything is written; false (with the cancel line) unless Yes.
bool confirmImport(QWidget* parent, QTextEdit* area, const ImportWording& wording, int toInsert,
                   int duplicates);

// The sheet row and name of a row to store, for the line that reports it refused.
struct ImportRowLabel {
    int rowNumber = 0;
    QString name;
};

// The end of a run: the refused rows, then what became of the whole; nothing is reported stored that the
// commit did not keep.
void appendInsertOutcome(QTextEdit* area, const ImportWording& wording, const QList<ImportRowLabel>& rows,
                         const repositories::BulkInsertResult& result);

} // namespace kestrovalin
