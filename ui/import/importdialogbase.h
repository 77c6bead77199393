#pragma once

#include "spreadsheet/templatecolumn.h"
#include "ui/import/importkit.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class QDialogButtonBox;
class QLabel;

namespace kestrovalin {

// What the product and supplier import dialogs share: the template step, the file step and the whole import
// run (buttons locked, result area cleared, busy indicator, read, announce, check, confirm, store, report).
// Each dialog reads, checks and stores its own kind of rows through the hooks.
class ImportDialogBase : public QDialog {
    Q_OBJECT
public:
    struct Setup {
        QString templateFileName; // proposed in the home folder
        QString subject;          // what the template is filled with: "商品", "供应商"
        QString chooseCaption;    // of the open-file dialog
        QString busyTitle;
        QString busyLabel;
        QList<TemplateColumn> columns;
        ImportWording wording;
    };

protected:
    ImportDialogBase(QWidget* parent, Setup setup);

    // Called by the dialog once its form is built.
    void attachForm(const ImportForm& form, QDialogButtonBox* buttons, QLabel* fileStepLabel);
    // What the checks left to store, and what they counted.
    struct Checked {
        QList<ImportRowLabel> toStore;
        int duplicates = 0;
        int invalid = 0;
        LineSource duplicateLines; // when set, the duplicates are listed under the summary
    };
    // The steps of a run that differ per kind, in the order they are called:
    // opens the workbook and counts its rows (rowsRead() of them); false with the reasons when it cannot be
    // read.
    virtual bool readRows(const QString& path, QStringList& reasons) = 0;
    virtual int rowsRead() const = 0;
    // Checks the rows read, reporting invalid and duplicate ones as it goes, and keeps those to store.
    virtual Checked checkRows() = 0;
    // Stores the rows kept, all or none.
    virtual repositories::BulkInsertResult storeRows(const repositories::RowHook& beforeEachRow) = 0;

    bool generateTemplate(const QString& path, QString& errorText);
    void appendResult(const QString& text, const QColor& colour);
    QTextEdit* resultArea() const { return m_form.result; }

private slots:
    void onDownloadTemplate();
    void onBrowseFile();
    void onStartImport();

private:
    // One import of the chosen file; the busy indicator is showing when it is called.
    void importFile(const QString& path, ImportBusy& busy);

    Setup m_setup;
    ImportForm m_form{};
    QString m_filePath; // kept once chosen, so the same file can be imported again
};

} // namespace kestrovalin
