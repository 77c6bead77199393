#include "ui/import/productimportdialog.h"

#include "core/databasemanager.h"
#include "repositories/productrepository.h"
#include "spreadsheet/templatecolumn.h"
#include "spreadsheet/workbookreader.h"
#include "ui/common/prompts.h"
#include "ui/import/importkit.h"
#include "ui_productimportdialog.h"

#include <QDebug>
#include <QHash>

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
    const QString text = cell.toText();
    const auto is = [&text](const QString& word) {
        return text.compare(word, Qt::CaseInsensitive) == 0;
    };
    if (text.isEmpty() || is(QStringLiteral("否")) || is(QStringLiteral("0")) ||
        is(QStringLiteral("false")) || is(QStringLiteral("n")))
        return false;
    if (is(QStringLiteral("是")) || is(QStringLiteral("1")) || is(QStringLiteral("true")) ||
        is(QStringLiteral("y")))
        return true;
    return std::nullopt;
}

// An empty price is 0; a number cell or a text must give a number the product form takes: "inf", "nan",
// "1e999" and 1e308 are no price. Negative ones are refused by the row rules.
std::optional<double> priceValue(const CellValue& cell) {
    if (cell.isEmpty())
        return 0.0;
    double value = cell.number;
    if (cell.kind == CellValue::Kind::Text) {
        const QString text = cell.toText();
        if (text.isEmpty())
            return 0.0;
        bool ok = false;
        value = text.toDouble(&ok);
        if (!ok)
            return std::nullopt;
    } else if (cell.kind != CellValue::Kind::Number) {
        return std::nullopt;
    }
    if (!std::isfinite(value) || value > models::Product::kMaxPrice)
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
        setProblem(row, QStringLiteral("%1格式错误：%2").arg(title, quoted(cell.toText())));
}

// Barcode, name, flag and prices need a value: an empty barcode is stored as none, the others as defaults.
constexpr FieldKind kFieldKinds[kColumns] = {FieldKind::Needed,  FieldKind::Needed,  FieldKind::OneLine,
                                             FieldKind::OneLine, FieldKind::OneLine, FieldKind::OneLine,
                                             FieldKind::OneLine, FieldKind::OneLine, FieldKind::Needed,
                                             FieldKind::OneLine, FieldKind::Needed,  FieldKind::Needed};

// One cell into its field (1-based column A..L).
void readField(ProductImportDialog::ImportRow& row, int column, const CellValue& cell) {
    const QString problem = cellProblem(column, cell, kFieldKinds[column - 1]);
    if (!problem.isEmpty())
        setProblem(row, problem);
    switch (column) {
    case 9:
        if (problem.isEmpty()) {
            const std::optional<bool> flag = prescriptionFlag(cell);
            if (flag)
                row.record.isPrescription = *flag;
            else
                setProblem(row, QStringLiteral("是否处方药无法识别：") + quoted(cell.toText()));
        }
        return;
    case 11:
        readPrice(row, cell, row.record.purchasePrice, QStringLiteral("采购价"));
        return;
    case 12:
        readPrice(row, cell, row.record.salePrice, QStringLiteral("销售价"));
        return;
    default:
        break;
    }
    models::Product& p = row.record;
    QString* const texts[] = {&p.barcode,    &p.name,         &p.mnemonicCode, &p.specification,
                              &p.approvalNo, &p.manufacturer, &p.category,     &p.storageCondition,
                              nullptr,       &p.unit};
    if (QString* field = texts[column - 1])
        *field = fieldText(cell);
}

repositories::ProductRepository repository() {
    return repositories::ProductRepository(DatabaseManager::instance().getAdapter());
}

QString describeRow(const ProductImportDialog::ImportRow& row) {
    QString text =
        QStringLiteral("第 %1 行「%2」").arg(QString::number(row.rowNumber), quoted(row.record.name));
    if (!row.record.barcode.isEmpty())
        text += QStringLiteral("(条码:%1)").arg(quoted(row.record.barcode));
    return text;
}

const ImportDialogBase::Setup kSetup{QStringLiteral("商品导入模板.xlsx"),
                                     QStringLiteral("商品"),
                                     QStringLiteral("选择商品导入文件"),
                                     QStringLiteral("商品导入"),
                                     QStringLiteral("正在导入商品数据，请稍候..."),
                                     kTemplate,
                                     kWording};

// Only a row with all twelve cells empty is a gap; any other row is checked and reported.
bool isFilled(const ProductImportDialog::ImportRow&, bool filled) {
    return filled;
}

void traceRow(const ProductImportDialog::ImportRow& row) {
    qCDebug(importLog).noquote() << "Row" << row.rowNumber << "name=" << row.record.name
                                 << "barcode=" << row.record.barcode;
}

} // namespace

ProductImportDialog::ProductImportDialog(QWidget* parent)
    : ImportDialogBase(parent, kSetup), ui(new Ui::ProductImportDialog),
      m_sheet(kTemplate, &readField, &isFilled, &traceRow) {
    ui->setupUi(this);
    attachForm(importFormOf(ui), ui->buttonBox, ui->labelStep2);
}

ProductImportDialog::~ProductImportDialog() {
    delete ui;
}

bool ProductImportDialog::isValidRow(const ImportRow& row, QString& errorText) const {
    if (!row.problem.isEmpty())
        errorText = row.problem;
    else if (row.record.name.isEmpty())
        errorText = QStringLiteral("药品名称不能为空");
    else if (!(row.record.purchasePrice >= 0)) // also NaN
        errorText = QStringLiteral("采购价不能为负数");
    else if (!(row.record.salePrice >= 0))
        errorText = QStringLiteral("销售价不能为负数");
    else
        return true;
    return false;
}

bool ProductImportDialog::readRows(const QString& path, QStringList& reasons) {
    const bool read = m_sheet.open(path, "readExcel:", reasons);
    if (read)
        qDebug() << "Total rows read:" << m_sheet.count();
    return read;
}

ImportDialogBase::Checked ProductImportDialog::checkRows() {
    Checked result;
    m_toStore.clear();
    m_duplicates.clear();
    m_storedNames.clear();
    repositories::ProductRepository repo = repository();
    // Read once: a look-up per row costs what the planner makes of the file's statistics.
    const repositories::ListedProductKeys stored = repo.listedKeys();
    ResultLines invalidLines(resultArea(), resultColour::kWarning, QStringLiteral("  ⚠ "));
    const auto reportInvalid = [&](const ImportRow& row, const QString& reason) {
        invalidLines.add([&] {
            return QStringLiteral("  ⚠ 第 %1 行数据无效：%2").arg(QString::number(row.rowNumber), reason);
        });
        ++result.invalid;
    };
    QHash<QString, int> firstRowOfBarcode; // among the rows to insert
    m_sheet.forEach([&](const ImportRow& row) {
        QString reason;
        if (!isValidRow(row, reason)) {
            reportInvalid(row, reason);
            return;
        }
        const int existingId = stored.find(row.record);
        if (existingId >= 1) {
            if (!m_storedNames.contains(existingId))
                m_storedNames.insert(existingId, repo.findById(existingId).name);
            m_duplicates.append({row.rowNumber, existingId, true});
            return;
        }
        // Rows of one file meet the unique barcode too: the second one would fail and roll everything back.
        const QString& barcode = row.record.barcode;
        if (!barcode.isEmpty()) {
            const auto first = firstRowOfBarcode.constFind(barcode);
            if (first != firstRowOfBarcode.constEnd()) {
                m_duplicates.append({row.rowNumber, first.value(), false});
                return;
            }
            // A barcode the listed drugs do not hold may still belong to a deleted one; the unique column
            // would refuse the insert and roll the whole run back.
            if (repo.barcodeTaken(barcode)) {
                reportInvalid(row, QStringLiteral("条码已被已删除的商品使用"));
                return;
            }
            firstRowOfBarcode.insert(barcode, row.rowNumber);
        }
        m_toStore.append(row.record);
        result.toStore.append({row.rowNumber, row.record.name});
    });
    result.duplicates = m_duplicates.size();
    // The sheet stays open for the list; a new run or the dialog's end closes it.
    result.duplicateLines = [this](int index) {
        return describeDuplicate(m_duplicates.at(index));
    };
    return result;
}

QString ProductImportDialog::describeDuplicate(const Duplicate& duplicate) const {
    const QString row = describeRow(m_sheet.rowAt(duplicate.rowNumber));
    if (!duplicate.stored)
        return row + QStringLiteral(" ↔ 与第 %1 行条码相同").arg(duplicate.other);
    const QString name = m_storedNames.value(duplicate.other);
    if (name.isEmpty())
        return row;
    return row + QStringLiteral(" ↔ 已存在(ID:%1 %2)").arg(QString::number(duplicate.other), name);
}

repositories::BulkInsertResult ProductImportDialog::storeRows(const repositories::RowHook& beforeEachRow) {
    m_sheet.close();
    const repositories::BulkInsertResult result = repository().insertAll(m_toStore, beforeEachRow);
    m_toStore.clear();
    return result;
}

} // namespace kestrovalin
