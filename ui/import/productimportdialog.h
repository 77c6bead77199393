#pragma once

#include "models/product.h"
#include "ui/import/importdialogbase.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace Ui {
class ProductImportDialog;
}

namespace kestrovalin {

// Adds drugs in bulk from a workbook: writes the template, checks every row against the rules and the stored
// drugs before anything is written, asks, then stores the rows in one transaction, all or nothing.
class ProductImportDialog : public ImportDialogBase {
    Q_OBJECT
public:
    // One data row of the workbook, columns A to L; the status stays listed.
    using ImportRow = ImportRecordRow<models::Product>;

    explicit ProductImportDialog(QWidget* parent = nullptr);
    ~ProductImportDialog() override;

private:
    struct CheckResult {
        QList<ImportRow> toInsert;
        QStringList duplicates; // one description per skipped row
        int invalid = 0;
    };

    void importFile(const QString& path, ImportBusy& busy) override;
    bool readExcel(const QString& path, QList<ImportRow>& rows, QStringList& errors);
    bool isValidRow(const ImportRow& row, QString& errorText) const;
    CheckResult checkRows(const QList<ImportRow>& rows);

    Ui::ProductImportDialog* ui;
};

} // namespace kestrovalin
