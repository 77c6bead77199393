#pragma once

#include "models/product.h"
#include "ui/import/importdialogbase.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

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
    int rowsRead() const override { return m_sheet.count(); }
    Checked checkRows() override;
    repositories::BulkInsertResult storeRows(const repositories::RowHook& beforeEachRow) override;
    bool isValidRow(const ImportRow& row, QString& errorText) const;

    Ui::ProductImportDialog* ui;
    // A row skipped as a duplicate: of the stored drug `other` (an id), or of the earlier row `other` of the
    // file. Its description is made again from the sheet when it is listed.
    struct Duplicate {
        int rowNumber;
        int other;
        bool stored;
    };
    // The description listed for a skipped row.
    QString describeDuplicate(const Duplicate& duplicate) const;

    ImportSheet<ImportRow> m_sheet;   // the workbook's rows, built as they are walked
    QList<models::Product> m_toStore; // what the checks left
    QVector<Duplicate> m_duplicates;
    QHash<int, QString> m_storedNames; // of the stored drugs met as duplicates, by id
};

} // namespace kestrovalin
