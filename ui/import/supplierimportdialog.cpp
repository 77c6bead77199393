#include "ui/import/supplierimportdialog.h"

#include "repositories/supplierrepository.h"
#include "spreadsheet/templatewriter.h"
#include "spreadsheet/workbookreader.h"
#include "ui/common/prompts.h"
#include "ui/import/importkit.h"
#include "ui_supplierimportdialog.h"

#include <QDebug>
#include <QHash>
#include <QRegularExpression>
#include <QSqlQuery>

namespace kestrovalin {

namespace {

constexpr int kColumns = 13;
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

// Licence, business licence, phone, GSP and tax numbers are codes: text-formatted so long numbers stay
// digits.
const QList<TemplateColumn> kTemplate{
    {QStringLiteral("供应商名称(*)"), 24, QStringLiteral("示例医药有限公司")},
    {QStringLiteral("经营许可证号"), 20, QStringLiteral("鄂AA123456"), true},
    {QStringLiteral("营业执照号"), 20, QStringLiteral("91420100123456789X"), true},
    {QStringLiteral("经营范围"), 20, QStringLiteral("中药、化学药")},
    {QStringLiteral("地址"), 24, QStringLiteral("某市某区某某路8号")},
    {QStringLiteral("联系人"), 10, QStringLiteral("张三")},
    {QStringLiteral("联系电话"), 14, QStringLiteral("13700005555"), true},
    {QStringLiteral("许可证到期"), 14, QStringLiteral("2026-12-31")},
    {QStringLiteral("营业执照到期"), 14, QStringLiteral("2026-12-31")},
    {QStringLiteral("GSP证书号"), 18, QStringLiteral("A-HB-2020-001"), true},
    {QStringLiteral("GSP有效期"), 14, QStringLiteral("2026-12-31")},
    {QStringLiteral("税务登记证号"), 18, QStringLiteral("420100000000000"), true},
    {QStringLiteral("税务登记有效期"), 14, QStringLiteral("2026-12-31")}};

const ImportWording kWording{QString(), QString(), QString(), QStringLiteral("家供应商"), QString()};

const char* const kFormats[] = {"yyyy-MM-dd", "yyyy/MM/dd", "yyyy-M-d", "yyyy/M/d", "yyyyMMdd", "dd/MM/yyyy",
                                "MM/dd/yyyy", "d/M/yyyy",   "M/d/yyyy", "d-M-yyyy", "M-d-yyyy"};

bool isDateColumn(int column) {
    return column == 8 || column == 9 || column == 11 || column == 13;
}

QString* fieldOf(SupplierImportDialog::ImportRow& row, int column) {
    QString* const fields[] = {&row.name,
                               &row.licenseNo,
                               &row.businessLicenseNo,
                               &row.businessScope,
                               &row.address,
                               &row.contactName,
                               &row.contactPhone,
                               &row.licenseExpireDate,
                               &row.businessLicenseExpireDate,
                               &row.gspCertNo,
                               &row.gspCertExpireDate,
                               &row.taxRegNo,
                               &row.taxRegExpireDate};
    return fields[column - 1];
}

// An empty date is stored as NULL: an empty text sorts before every date and would read as expired.
QString dateOrNull(const QString& text) {
    return text.isEmpty() ? QString() : text;
}

models::Supplier toSupplier(const SupplierImportDialog::ImportRow& row) {
    models::Supplier s;
    s.name = row.name;
    s.licenseNo = row.licenseNo;
    s.businessLicenseNo = row.businessLicenseNo;
    s.businessScope = splitImportedScope(row.businessScope);
    s.address = row.address;
    s.contactName = row.contactName;
    s.contactPhone = row.contactPhone;
    s.licenseExpireDate = dateOrNull(row.licenseExpireDate);
    s.businessLicenseExpireDate = dateOrNull(row.businessLicenseExpireDate);
    s.gspCertNo = row.gspCertNo;
    s.gspCertExpireDate = dateOrNull(row.gspCertExpireDate);
    s.taxRegNo = row.taxRegNo;
    s.taxRegExpireDate = dateOrNull(row.taxRegExpireDate);
    s.status = QStringLiteral("active");
    return s;
}

} // namespace

QDate parseDateFlexible(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty())
        return QDate();
    const int tPos = t.indexOf(QLatin1Char('T'));
    const int blankPos = t.indexOf(QLatin1Char(' '));
    int cut = -1;
    for (int pos : {tPos, blankPos}) {
        if (pos > 0 && (cut < 0 || pos < cut))
            cut = pos;
    }
    if (cut > 0)
        t.truncate(cut);
    for (const char* format : kFormats) {
        const QDate date = QDate::fromString(t, QLatin1String(format));
        if (date.isValid() && date.year() > 1900)
            return date;
    }
    return QDate();
}

QStringList splitImportedScope(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[,，、;；]"));
    QStringList scope;
    for (const QString& part : text.split(separators)) {
        const QString entry = part.trimmed();
        if (!entry.isEmpty())
            scope.append(entry);
    }
    return scope;
}

SupplierImportDialog::SupplierImportDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::SupplierImportDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("供应商批量导入"));
    applyImportLook(this, ui->buttonBox, ui->labelStep2);
    connect(ui->btnDownloadTemplate, &QPushButton::clicked, this, &SupplierImportDialog::onDownloadTemplate);
    connect(ui->btnBrowse, &QPushButton::clicked, this, &SupplierImportDialog::onBrowseFile);
    connect(ui->btnStartImport, &QPushButton::clicked, this, &SupplierImportDialog::onStartImport);
}

SupplierImportDialog::~SupplierImportDialog() {
    delete ui;
}

void SupplierImportDialog::appendResult(const QString& text, const QColor& colour) {
    kestrovalin::appendResult(ui->textResult, text, colour);
}

void SupplierImportDialog::onDownloadTemplate() {
    downloadTemplate(this, QStringLiteral("供应商导入模板.xlsx"), QStringLiteral("供应商"),
                     [this](const QString& path, QString& reason) { return generateTemplate(path, reason); });
}

bool SupplierImportDialog::generateTemplate(const QString& path, QString& reason) {
    return TemplateWriter::write(path, kTemplate, &reason);
}

void SupplierImportDialog::onBrowseFile() {
    const QString path = chooseImportFile(this, QStringLiteral("选择供应商导入文件"), importFormOf(ui));
    if (!path.isEmpty())
        m_filePath = path;
}

bool SupplierImportDialog::readExcel(const QString& path, QList<ImportRow>& rows, QStringList& reasons) {
    WorkbookReader reader(kColumns);
    if (!openImportSheet(reader, path, reasons, "SupplierImport readExcel:"))
        return false;
    const int columns = qMin(reader.lastColumn(), kColumns);
    for (int r = 2; r <= reader.lastRow(); ++r) {
        ImportRow row;
        row.rowNumber = r;
        for (int c = 1; c <= columns; ++c) {
            const CellValue cell = reader.cell(r, c);
            if (row.problem.isEmpty())
                row.problem = errorCellProblem(c, cell);
            // A date cell reads as "yyyy-MM-dd" and goes through the same parsing as a typed date.
            QString text = fieldText(cell);
            if (isDateColumn(c)) {
                const QDate date = parseDateFlexible(text);
                if (date.isValid())
                    text = date.toString(kDateFormat);
            }
            *fieldOf(row, c) = text;
        }
        ImportBusy::pump();
        if (!row.name.isEmpty())
            rows.append(row);
    }
    qDebug() << "SupplierImport total rows read:" << rows.size();
    return true;
}

bool SupplierImportDialog::isValidRow(const ImportRow& row, QString& reason) const {
    if (row.name.isEmpty()) {
        reason = QStringLiteral("供应商名称不能为空");
        return false;
    }
    if (!row.problem.isEmpty()) {
        reason = row.problem;
        return false;
    }
    struct DateField {
        const QString& text;
        QString title;
    };
    const DateField dates[] = {{row.licenseExpireDate, QStringLiteral("许可证到期")},
                               {row.businessLicenseExpireDate, QStringLiteral("营业执照到期")},
                               {row.gspCertExpireDate, QStringLiteral("GSP有效期")},
                               {row.taxRegExpireDate, QStringLiteral("税务登记有效期")}};
    for (const DateField& field : dates) {
        if (!field.text.isEmpty() && !parseDateFlexible(field.text).isValid()) {
            reason = QStringLiteral("%1日期无法识别：%2").arg(field.title, field.text);
            return false;
        }
    }
    return true;
}

int SupplierImportDialog::findDuplicateByName(const QString& name) const {
    IDbAdapter* db = importAdapter();
    if (!db)
        return -1;
    QSqlQuery q =
        db->query(QStringLiteral("SELECT id FROM supplier WHERE name = ? AND status != 'suspended'"), {name});
    return q.isActive() && q.next() ? q.value(0).toInt() : -1;
}

QList<SupplierImportDialog::ImportRow> SupplierImportDialog::checkRows(const QList<ImportRow>& rows,
                                                                       int& duplicates, int& invalid) {
    QList<ImportRow> toImport;
    QHash<QString, int> firstRowOfName; // among the rows to import
    for (const ImportRow& row : rows) {
        ImportBusy::pump();
        QString reason;
        if (!isValidRow(row, reason)) {
            appendResult(QStringLiteral("  第 %1 行数据无效：%2").arg(QString::number(row.rowNumber), reason),
                         resultColour::kWarning);
            ++invalid;
            continue;
        }
        const int existingId = findDuplicateByName(row.name);
        if (existingId >= 1) {
            appendResult(QStringLiteral("  第 %1 行「%2」与已存在的供应商(ID:%3)重复，跳过")
                             .arg(QString::number(row.rowNumber), row.name, QString::number(existingId)),
                         resultColour::kWarning);
            ++duplicates;
            continue;
        }
        // A name repeated in the file would otherwise be stored twice.
        const auto first = firstRowOfName.constFind(row.name);
        if (first != firstRowOfName.constEnd()) {
            appendResult(QStringLiteral("  第 %1 行「%2」与第 %3 行重复，跳过")
                             .arg(QString::number(row.rowNumber), row.name, QString::number(first.value())),
                         resultColour::kWarning);
            ++duplicates;
            continue;
        }
        firstRowOfName.insert(row.name, row.rowNumber);
        toImport.append(row);
    }
    return toImport;
}

void SupplierImportDialog::onStartImport() {
    if (m_filePath.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请先选择要导入的 Excel 文件。"));
        return;
    }
    const StepButtonsLock lock(importFormOf(ui));
    ui->textResult->clear();
    ImportBusy busy(this, QStringLiteral("供应商导入"), QStringLiteral("正在导入供应商数据，请稍候..."));
    busy.show(true);

    QList<ImportRow> rows;
    QStringList reasons;
    if (!readExcel(m_filePath, rows, reasons)) {
        busy.close();
        appendReadFailure(ui->textResult, kWording, reasons);
        return;
    }
    if (rows.isEmpty()) {
        busy.close();
        appendResult(QStringLiteral("文件中没有有效数据（从第2行开始读取）。"), resultColour::kError);
        return;
    }
    appendResult(QStringLiteral("共读取 %1 条数据，开始校验重复...\n").arg(rows.size()),
                 resultColour::kProgress);
    int duplicates = 0;
    int invalid = 0;
    const QList<ImportRow> toImport = checkRows(rows, duplicates, invalid);
    busy.close();
    appendResult(QStringLiteral("校验完成：有效 %1 条，重复 %2 条，格式错误 %3 条\n")
                     .arg(toImport.size())
                     .arg(duplicates)
                     .arg(invalid),
                 resultColour::kProgress);
    if (toImport.isEmpty()) {
        appendResult(QStringLiteral("没有有效数据可导入。"), resultColour::kError);
        return;
    }
    if (!confirmImport(this, ui->textResult, kWording, toImport.size(), duplicates))
        return;
    repositories::SupplierRepository repo(importAdapter());
    insertAll(ui->textResult, busy, kWording, toImport,
              [&repo](const ImportRow& row) { return repo.insert(toSupplier(row)) >= 1; });
}

} // namespace kestrovalin
