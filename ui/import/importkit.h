#pragma once

#include "core/transaction.h"
#include "spreadsheet/cellvalue.h"

#include <QColor>
#include <QProgressDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace kestrovalin {

class WorkbookReader;

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

// Style sheet, a Chinese Close button that rejects the dialog, and a file-step label kept on one line.
void applyImportLook(QDialog* dialog, QDialogButtonBox* buttons, QLabel* fileStepLabel);

// Appends one paragraph in the colour. The text comes from workbooks and is never read as markup.
void appendResult(QTextEdit* area, const QString& text, const QColor& colour);

// The template step: asks for the target (proposing the home folder and fileName), writes it through
// generate and reports the outcome; subject is what the user fills in ("商品", "供应商").
void downloadTemplate(QWidget* parent, const QString& fileName, const QString& subject,
                      const std::function<bool(const QString& path, QString& reason)>& generate);

// The file step: asks for a workbook; a chosen path is shown, enables the import and clears the result area
// for the notice. Returns the path, or an empty text when cancelled.
QString chooseImportFile(QWidget* parent, const QString& caption, const ImportForm& form);

// Disables the three step buttons for one run and enables them again however the run ends.
class StepButtonsLock {
public:
    explicit StepButtonsLock(const ImportForm& form);
    ~StepButtonsLock();
    StepButtonsLock(const StepButtonsLock&) = delete;
    StepButtonsLock& operator=(const StepButtonsLock&) = delete;

private:
    ImportForm m_form;
};

// The busy indicator of one import run: window-modal, no cancel button, no range.
class ImportBusy {
public:
    ImportBusy(QWidget* parent, const QString& title, const QString& label);
    // Shows it; settle first lets it paint for 200 ms with user input held back.
    void show(bool settle);
    void close();
    // Lets the windows repaint between rows.
    static void pump();

private:
    QProgressDialog m_dialog;
};

// Opens the workbook whose data starts in row 2; false with the reasons to list under the failure line.
// logName starts the debug line with the sheet's size.
bool openImportSheet(WorkbookReader& reader, const QString& path, QStringList& reasons, const char* logName);

// How one dialog words its lines: the product dialog marks them with glyphs, the supplier dialog does not.
struct ImportWording {
    QString cross;       // "✖ " or nothing
    QString warn;        // "⚠ " or nothing
    QString tick;        // "✔ " or nothing
    QString unit;        // "条商品", "家供应商"
    QString closingLead; // before the cancel and nothing-to-import lines: "\n✖ " or nothing
};

// "读取文件失败：" and each reason indented.
void appendReadFailure(QTextEdit* area, const ImportWording& wording, const QStringList& reasons);
// The Yes/No question before anything is written; false (with the cancel line) unless Yes.
bool confirmImport(QWidget* parent, QTextEdit* area, const ImportWording& wording, int toInsert,
                   int duplicates);

// Stores the rows in one transaction, all or nothing: a failed insert is reported and the loop goes on, then
// everything is rolled back; a failed commit is never reported as success. insert(row) is true when stored.
template <class Row, class Insert>
void insertAll(QTextEdit* area, ImportBusy& busy, const ImportWording& wording, const QList<Row>& rows,
               Insert insert);
void appendInsertOutcome(QTextEdit* area, const ImportWording& wording, int successes, int failures,
                         Transaction& tx);
IDbAdapter* importAdapter();

// The cell as a text field: trimmed, never a null text.
QString fieldText(const CellValue& cell);
// "第 K 列为错误值：#N/A" for an error cell (1-based column), otherwise empty.
QString errorCellProblem(int column, const CellValue& cell);

template <class Row, class Insert>
void insertAll(QTextEdit* area, ImportBusy& busy, const ImportWording& wording, const QList<Row>& rows,
               Insert insert) {
    appendResult(
        area, QStringLiteral("\n--- 开始批量导入 %1 %2 ---").arg(QString::number(rows.size()), wording.unit),
        resultColour::kProgress);
    Transaction tx(importAdapter());
    if (!tx.isActive()) {
        appendResult(area, wording.cross + QStringLiteral("无法启动数据库事务，导入失败。"),
                     resultColour::kError);
        return;
    }
    busy.show(false);
    int successes = 0;
    int failures = 0;
    for (const Row& row : rows) {
        ImportBusy::pump();
        if (insert(row)) {
            ++successes;
            continue;
        }
        ++failures;
        appendResult(area,
                     QStringLiteral("  %1第 %2 行「%3」导入失败")
                         .arg(wording.warn, QString::number(row.rowNumber), row.name),
                     resultColour::kWarning);
    }
    busy.close();
    appendInsertOutcome(area, wording, successes, failures, tx);
}

} // namespace kestrovalin
