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
    bool readRows(const QString& path, QStringList& reasons) override;
    int rowsRead() const override { return m_rows.size(); }
    Checked checkRows() override;
    repositories::BulkInsertResult storeRows(const repositories::RowHook& beforeEachRow) override;
    bool readExcel(const QString& path, QList<ImportRow>& rows, QStringList& errors);
    bool isValidRow(const ImportRow& row, QString& errorText) const;

    Ui::ProductImportDialog* ui;
    QList<ImportRow> m_rows;    // as read from the workbook
    QList<ImportRow> m_toStore; // what the checks left
};

} // namespace kestrovalin
