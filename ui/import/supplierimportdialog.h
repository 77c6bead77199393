#pragma once

#include "models/supplier.h"
#include "ui/import/importdialogbase.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace Ui {
class SupplierImportDialog;
}

namespace kestrovalin {

// A date typed in any of the usual ways ("2026-1-5", "2026/01/05", "20260105", "05/06/2026" day first,
// "12/31/2026"), with or without a time of day after a blank or "T"; invalid when anything else follows,
// nothing fits or the year is 1900 or earlier.
QDate parseDateFlexible(const QString& text);

// The business scope as typed: entries separated by ",", "，", "、", ";" or "；", trimmed, empty ones
// dropped.
QStringList splitImportedScope(const QString& text);

// Adds suppliers in bulk from a workbook: writes the template, checks every row (dates, names already
// stored or repeated in the file) before anything is written, asks, then stores the rows in one
// transaction, all or nothing.
class SupplierImportDialog : public ImportDialogBase {
    Q_OBJECT
public:
    // One data row of the workbook, columns A to M; valid dates already as "yyyy-MM-dd". The scope is
    // kept as typed until the row is stored.
    struct ImportRow : ImportRecordRow<models::Supplier> {
        QString businessScope;
        bool nameUnread = false; // the name cell holds no value that can be read (a formula, an error)
    };

    explicit SupplierImportDialog(QWidget* parent = nullptr);
    ~SupplierImportDialog() override;

private:
    bool readRows(const QString& path, QStringList& reasons) override;
    int rowsRead() const override { return m_sheet.count(); }
    Checked checkRows() override;
    repositories::BulkInsertResult storeRows(const repositories::RowHook& beforeEachRow) override;
    bool isValidRow(const ImportRow& row, QString& reason) const;
    // The id of a stored supplier of that name that is not suspended, or -1, from the names read once for the
    // check: asked name by name, each look-up would read every supplier (the name has no index).
    int findDuplicateByName(const QString& name) const;

    Ui::SupplierImportDialog* ui;
    ImportSheet<ImportRow> m_sheet;    // the workbook's rows, built as they are walked
    QList<models::Supplier> m_toStore; // what the checks left, as stored
    QHash<QString, int> m_storedIdOfName;
};

} // namespace kestrovalin
