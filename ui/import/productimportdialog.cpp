#include "ui/import/productimportdialog.h"

#include "repositories/productrepository.h"
#include "spreadsheet/templatewriter.h"
#include "spreadsheet/workbookreader.h"
#include "ui/common/prompts.h"
#include "ui/import/importkit.h"
#include "ui_productimportdialog.h"

#include <QDebug>
#include <QHash>
#include <QSqlQuery>

#include <cmath>
#include <optional>

namespace kestrovalin {

namespace {

constexpr int kColumns = 12;

// Barcode (A) and approval number (E) are codes: text-formatted so long numbers stay digits.
const QList<TemplateColumn> kTemplate{
    {QStringLiteral("药品条码"), 18, QStringLiteral("6901234567890"), true},
    {QStringLiteral("药品名称(*)"), 30, QStringLiteral("阿莫西林胶囊")},
    {QStringLiteral("助记码"), 12, QStringLiteral("AMXLJN")},
    {QStringLiteral("规格"), 18, QStringLiteral("0.25g*24粒")},
    {QStringLiteral("批准文号"), 22, QStringLiteral("国药准字H20000001"), true},
    {QStringLiteral("生产厂商"), 24, QStringLiteral("示例制药有限公司")},
    {QStringLiteral("分类"), 12, QStringLiteral("OTC甲类")},
    {QStringLiteral("储存条件"), 12, QStringLiteral("常温")},
    {QStringLiteral("是否处方药"), 12, QStringLiteral("否")},
    {QStringLiteral("单位"), 8, QStringLiteral("盒")},
    {QStringLiteral("采购价"), 12, QStringLiteral("5.00")},
    {QStringLiteral("销售价"), 12, QStringLiteral("12.00")}};

const ImportWording kWording{QStringLiteral("✖ "), QStringLiteral("⚠ "), QStringLiteral("✔ "),
                             QStringLiteral("条商品"), QStringLiteral("\n✖ ")};

// 是/否, 1/0, true/false and Y/N in any case, or a boolean cell; blank is 否. Anything else is not
// guessed: a prescription drug must never slip in as an over-the-counter one.
std::optional<bool> prescriptionFlag(const CellValue& cell) {
    if (cell.kind == CellValue::Kind::Bool)
        return cell.boolean;
    const QString text = cell.toText().toLower();
    if (text.isEmpty() || text == QStringLiteral("否") || text == QLatin1String("0") ||
        text == QLatin1String("false") || text == QLatin1String("n"))
        return false;
    if (text == QStringLiteral("是") || text == QLatin1String("1") || text == QLatin1String("true") ||
        text == QLatin1String("y"))
        return true;
    return std::nullopt;
}

// An empty price is 0; a number cell gives its value; text must read as a finite number.
std::optional<double> priceValue(const CellValue& cell) {
    if (cell.isEmpty())
        return 0.0;
    if (cell.kind == CellValue::Kind::Number)
        return cell.number;
    if (cell.kind != CellValue::Kind::Text)
        return std::nullopt;
    const QString text = cell.toText();
    if (text.isEmpty())
        return 0.0;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void setProblem(ProductImportDialog::ImportRow& row, const QString& problem) {
    if (row.problem.isEmpty())
        row.problem = problem;
}

void readPrice(ProductImportDialog::ImportRow& row, const CellValue& cell, double& field,
               const QString& title) {
    const std::optional<double> value = priceValue(cell);
    if (value)
        field = *value;
    else
        setProblem(row, QStringLiteral("%1格式错误：%2").arg(title, cell.toText()));
}

// One cell into its field (1-based column A..L).
void readField(ProductImportDialog::ImportRow& row, int column, const CellValue& cell) {
    const QString errorProblem = errorCellProblem(column, cell);
    if (!errorProblem.isEmpty())
        setProblem(row, errorProblem);
    switch (column) {
    case 9:
        if (errorProblem.isEmpty()) {
            const std::optional<bool> flag = prescriptionFlag(cell);
            if (flag)
                row.isPrescription = *flag;
            else
                setProblem(row, QStringLiteral("是否处方药无法识别：") + cell.toText());
        }
        return;
    case 11:
        readPrice(row, cell, row.purchasePrice, QStringLiteral("采购价"));
        return;
    case 12:
        readPrice(row, cell, row.salePrice, QStringLiteral("销售价"));
        return;
    default:
        break;
    }
    QString* const texts[] = {&row.barcode,    &row.name,         &row.mnemonicCode, &row.specification,
                              &row.approvalNo, &row.manufacturer, &row.category,     &row.storageCondition,
                              nullptr,         &row.unit};
    if (QString* field = texts[column - 1])
        *field = fieldText(cell);
}

models::Product toProduct(const ProductImportDialog::ImportRow& row) {
    models::Product p;
    p.barcode = row.barcode;
    p.name = row.name;
    p.mnemonicCode = row.mnemonicCode;
    p.specification = row.specification;
    p.approvalNo = row.approvalNo;
    p.manufacturer = row.manufacturer;
    p.category = row.category;
    p.storageCondition = row.storageCondition;
    p.isPrescription = row.isPrescription;
    p.unit = row.unit;
    p.purchasePrice = row.purchasePrice;
    p.salePrice = row.salePrice;
    return p;
}

// A barcode the listed drugs do not hold may still belong to a deleted one; the unique column would refuse
// the insert and roll the whole run back.
bool barcodeHeldByAnyProduct(const QString& barcode) {
    IDbAdapter* db = importAdapter();
    if (!db || barcode.isEmpty())
        return false;
    QSqlQuery q = db->query(QStringLiteral("SELECT id FROM product WHERE barcode = ?"), {barcode});
    return q.isActive() && q.next();
}

QString describeRow(const ProductImportDialog::ImportRow& row) {
    QString text = QStringLiteral("第 %1 行「%2」").arg(QString::number(row.rowNumber), row.name);
    if (!row.barcode.isEmpty())
        text += QStringLiteral("(条码:%1)").arg(row.barcode);
    return text;
}

} // namespace

ProductImportDialog::ProductImportDialog(QWidget* parent) : QDialog(parent), ui(new Ui::ProductImportDialog) {
    ui->setupUi(this);
    applyImportLook(this, ui->buttonBox, ui->labelStep2);
    connect(ui->btnDownloadTemplate, &QPushButton::clicked, this, &ProductImportDialog::onDownloadTemplate);
    connect(ui->btnBrowse, &QPushButton::clicked, this, &ProductImportDialog::onBrowseFile);
    connect(ui->btnStartImport, &QPushButton::clicked, this, &ProductImportDialog::onStartImport);
}

ProductImportDialog::~ProductImportDialog() {
    delete ui;
}

void ProductImportDialog::appendResult(const QString& text, const QColor& colour) {
    kestrovalin::appendResult(ui->textResult, text, colour);
}

void ProductImportDialog::onDownloadTemplate() {
    downloadTemplate(this, QStringLiteral("商品导入模板.xlsx"), QStringLiteral("商品"),
                     [this](const QString& path, QString& reason) { return generateTemplate(path, reason); });
}

bool ProductImportDialog::generateTemplate(const QString& path, QString& errorText) {
    return TemplateWriter::write(path, kTemplate, &errorText);
}

void ProductImportDialog::onBrowseFile() {
    const QString path = chooseImportFile(this, QStringLiteral("选择商品导入文件"), importFormOf(ui));
    if (!path.isEmpty())
        m_filePath = path;
}

bool ProductImportDialog::readExcel(const QString& path, QList<ImportRow>& rows, QStringList& errors) {
    WorkbookReader reader(kColumns);
    if (!openImportSheet(reader, path, errors, "readExcel:"))
        return false;
    const int columns = qMin(reader.lastColumn(), kColumns);
    for (int r = 2; r <= reader.lastRow(); ++r) {
        ImportRow row;
        row.rowNumber = r;
        bool filled = false;
        for (int c = 1; c <= columns; ++c) {
            const CellValue cell = reader.cell(r, c);
            filled = filled || !cell.isEmpty();
            readField(row, c, cell);
        }
        // Only a row with all twelve cells empty is a gap; any other row is checked and reported.
        if (filled)
            rows.append(row);
        ImportBusy::pump();
    }
    qDebug() << "Total rows read:" << rows.size();
    return true;
}

bool ProductImportDialog::isValidRow(const ImportRow& row, QString& errorText) const {
    if (!row.problem.isEmpty())
        errorText = row.problem;
    else if (row.name.isEmpty())
        errorText = QStringLiteral("药品名称不能为空");
    else if (row.purchasePrice < 0)
        errorText = QStringLiteral("采购价不能为负数");
    else if (row.salePrice < 0)
        errorText = QStringLiteral("销售价不能为负数");
    else
        return true;
    return false;
}

ProductImportDialog::CheckResult ProductImportDialog::checkRows(const QList<ImportRow>& rows) {
    CheckResult result;
    repositories::ProductRepository repo(importAdapter());
    const auto reportInvalid = [&](const ImportRow& row, const QString& reason) {
        appendResult(QStringLiteral("  ⚠ 第 %1 行数据无效：%2").arg(QString::number(row.rowNumber), reason),
                     resultColour::kWarning);
        ++result.invalid;
    };
    QHash<QString, int> firstRowOfBarcode; // among the rows to insert
    for (const ImportRow& row : rows) {
        ImportBusy::pump();
        QString reason;
        if (!isValidRow(row, reason)) {
            reportInvalid(row, reason);
            continue;
        }
        const int existingId = repo.findDuplicate(toProduct(row));
        if (existingId >= 1) {
            QString description = describeRow(row);
            const models::Product existing = repo.findById(existingId);
            if (!existing.name.isEmpty())
                description +=
                    QStringLiteral(" ↔ 已存在(ID:%1 %2)").arg(QString::number(existing.id), existing.name);
            result.duplicates.append(description);
            continue;
        }
        // Rows of one file meet the unique barcode too: the second one would fail and roll everything back.
        if (!row.barcode.isEmpty()) {
            const auto first = firstRowOfBarcode.constFind(row.barcode);
            if (first != firstRowOfBarcode.constEnd()) {
                result.duplicates.append(describeRow(row) +
                                         QStringLiteral(" ↔ 与第 %1 行条码相同").arg(first.value()));
                continue;
            }
            if (barcodeHeldByAnyProduct(row.barcode)) {
                reportInvalid(row, QStringLiteral("条码已被已删除的商品使用"));
                continue;
            }
            firstRowOfBarcode.insert(row.barcode, row.rowNumber);
        }
        result.toInsert.append(row);
    }
    return result;
}

void ProductImportDialog::onStartImport() {
    if (m_filePath.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请先选择要导入的 Excel 文件。"));
        return;
    }
    const StepButtonsLock lock(importFormOf(ui));
    ui->textResult->clear();
    ImportBusy busy(this, QStringLiteral("商品导入"), QStringLiteral("正在导入商品数据，请稍候..."));
    busy.show(true);

    QList<ImportRow> rows;
    QStringList errors;
    if (!readExcel(m_filePath, rows, errors)) {
        busy.close();
        appendReadFailure(ui->textResult, kWording, errors);
        return;
    }
    if (rows.isEmpty()) {
        busy.close();
        appendResult(kWording.cross + QStringLiteral("文件中没有有效数据（从第2行开始读取）。"),
                     resultColour::kError);
        return;
    }
    appendResult(QStringLiteral("共读取 %1 条数据，开始校验重复...\n").arg(rows.size()),
                 resultColour::kProgress);
    const CheckResult checked = checkRows(rows);
    busy.close();

    appendResult(QStringLiteral("校验完成：有效 %1 条，重复 %2 条，格式错误 %3 条\n")
                     .arg(checked.toInsert.size())
                     .arg(checked.duplicates.size())
                     .arg(checked.invalid),
                 resultColour::kProgress);
    if (!checked.duplicates.isEmpty()) {
        appendResult(QStringLiteral("\n--- 重复数据（将被跳过）---"), resultColour::kWarning);
        for (const QString& description : checked.duplicates)
            appendResult(QStringLiteral("  ") + description, resultColour::kWarning);
        appendResult(QString(), resultColour::kProgress);
    }
    if (checked.toInsert.isEmpty()) {
        appendResult(kWording.closingLead + QStringLiteral("没有有效数据可导入。"), resultColour::kError);
        return;
    }
    if (!confirmImport(this, ui->textResult, kWording, checked.toInsert.size(), checked.duplicates.size()))
        return;
    repositories::ProductRepository repo(importAdapter());
    insertAll(ui->textResult, busy, kWording, checked.toInsert,
              [&repo](const ImportRow& row) { return repo.insert(toProduct(row)) >= 1; });
}

} // namespace kestrovalin
