#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class QColor;

namespace Ui {
class ProductImportDialog;
}

namespace kestrovalin {

// Adds drugs in bulk from a workbook: writes the template, checks every row against the rules and the stored
// drugs before anything is written, asks, then stores the rows in one transaction, all or nothing.
class ProductImportDialog : public QDialog {
    Q_OBJECT
public:
    // One data row of the workbook.
    struct ImportRow {
        QString barcode;
        QString name;
        QString mnemonicCode;
        QString specification;
        QString approvalNo;
        QString manufacturer;
        QString category;
        QString storageCondition;
        bool isPrescription = false;
        QString unit;
        double purchasePrice = 0.0;
        double salePrice = 0.0;
        int rowNumber = 0; // the sheet row; row 1 holds the titles
        // The first cell, left to right, that could not be read as its column needs.
        QString problem;
    };

    explicit ProductImportDialog(QWidget* parent = nullptr);
    ~ProductImportDialog() override;

private slots:
    void onDownloadTemplate();
    void onBrowseFile();
    void onStartImport();

private:
    struct CheckResult {
        QList<ImportRow> toInsert;
        QStringList duplicates; // one description per skipped row
        int invalid = 0;
    };

    bool generateTemplate(const QString& path, QString& errorText);
    bool readExcel(const QString& path, QList<ImportRow>& rows, QStringList& errors);
    bool isValidRow(const ImportRow& row, QString& errorText) const;
    CheckResult checkRows(const QList<ImportRow>& rows);
    void appendResult(const QString& text, const QColor& colour);

    Ui::ProductImportDialog* ui;
    QString m_filePath;
};

} // namespace kestrovalin
