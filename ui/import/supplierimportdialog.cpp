#include "ui/import/supplierimportdialog.h"

#include "core/databasemanager.h"
#include "repositories/supplierrepository.h"
#include "spreadsheet/templatecolumn.h"
#include "spreadsheet/workbookreader.h"
#include "ui/common/prompts.h"
#include "ui/import/importkit.h"
#include "ui_supplierimportdialog.h"

#include <QDebug>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace kestrovalin {

namespace {

constexpr int kColumns = 13;
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
constexpr int kLongestDate = 10; // "2026-12-31", "31/12/2026"

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

// A time of day as writers put it after a date: "8:00", "08:00:00.000", a zone ("Z", "+08:00") after a
// 24-hour time, or a 12-hour time with AM/PM after it or 上午/下午 before or after it.
bool isTimeOfDay(const QStringRef& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(?:(上午|下午)\\s*)?(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.\\d{1,9})?)?"
                       "(?:\\s*(AM|PM|上午|下午)|\\s*(?:Z|[+-](\\d{2}):(\\d{2})))?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const bool before = match.capturedLength(1) > 0;
    const bool after = match.capturedLength(5) > 0;
    const int hour = match.capturedRef(2).toInt();
    if (before && after)
        return false;
    if ((before || after) && (hour < 1 || hour > 12))
        return false;
    if (match.capturedLength(6) > 0 &&
        (match.capturedRef(6).toInt() > 14 || match.capturedRef(7).toInt() > 59))
        return false;
    return QTime(hour, match.capturedRef(3).toInt(), match.capturedRef(4).toInt()).isValid();
}

// 许可证到期, 营业执照到期, GSP有效期 and 税务登记有效期 (1-based).
constexpr int kDateColumns[] = {8, 9, 11, 13};

bool isDateColumn(int column) {
    return std::find(std::begin(kDateColumns), std::end(kDateColumns), column) != std::end(kDateColumns);
}

// The field a column (1-based) fills, of a row being read or one read.
template <class Row> auto fieldOf(Row& row, int column) {
    auto& s = row.record;
    decltype(&s.name) const fields[] = {&s.name,
                                        &s.licenseNo,
                                        &s.businessLicenseNo,
                                        &row.businessScope,
                                        &s.address,
                                        &s.contactName,
                                        &s.contactPhone,
                                        &s.licenseExpireDate,
                                        &s.businessLicenseExpireDate,
                                        &s.gspCertNo,
                                        &s.gspCertExpireDate,
                                        &s.taxRegNo,
                                        &s.taxRegExpireDate};
    return fields[column - 1];
}

// The name and the dates need a value: a nameless row is dropped, an empty date stored as none. Address
// and scope may run over several lines.
constexpr FieldKind kFieldKinds[kColumns] = {
    FieldKind::Needed,  FieldKind::OneLine, FieldKind::OneLine, FieldKind::MultiLine, FieldKind::MultiLine,
    FieldKind::OneLine, FieldKind::OneLine, FieldKind::Needed,  FieldKind::Needed,    FieldKind::OneLine,
    FieldKind::Needed,  FieldKind::OneLine, FieldKind::Needed};

void readField(SupplierImportDialog::ImportRow& row, int column, const CellValue& cell) {
    const QString problem = cellProblem(column, cell, kFieldKinds[column - 1]);
    if (row.problem.isEmpty())
        row.problem = problem;
    if (column == 1)
        row.nameUnread = !problem.isEmpty();
    // A date cell reads as "yyyy-MM-dd" and goes through the same parsing as a typed date.
    QString text = fieldText(cell);
    if (isDateColumn(column)) {
        const QDate date = parseDateFlexible(text);
        if (date.isValid())
            text = date.toString(kDateFormat);
    }
    *fieldOf(row, column) = text;
}

// An empty date is stored as NULL: an empty text sorts before every date and would read as expired.
QString dateOrNull(const QString& text) {
    return text.isEmpty() ? QString() : text;
}

models::Supplier toSupplier(const SupplierImportDialog::ImportRow& row) {
    models::Supplier s = row.record;
    s.businessScope = splitImportedScope(row.businessScope);
    for (QString* date :
         {&s.licenseExpireDate, &s.businessLicenseExpireDate, &s.gspCertExpireDate, &s.taxRegExpireDate})
        *date = dateOrNull(*date);
    return s;
}

const ImportDialogBase::Setup kSetup{QStringLiteral("供应商导入模板.xlsx"),
                                     QStringLiteral("供应商"),
                                     QStringLiteral("选择供应商导入文件"),
                                     QStringLiteral("供应商导入"),
                                     QStringLiteral("正在导入供应商数据，请稍候..."),
                                     kTemplate,
                                     kWording};

repositories::SupplierRepository repository() {
    return repositories::SupplierRepository(DatabaseManager::instance().getAdapter());
}

// Rows without a name are left out without a word; a name cell that cannot be read is reported.
bool isNamed(const SupplierImportDialog::ImportRow& row, bool) {
    return !row.record.name.isEmpty() || row.nameUnread;
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
    // Only a time of day is cut away: "2022-05-01 至 2027-04-30" is a period, not its first day.
    if (cut > 0) {
        if (!isTimeOfDay(t.midRef(cut + 1).trimmed()))
            return QDate();
        t.truncate(cut);
    }
    // No pattern matches more than ten characters; a cell may hold 32,767, and each try would read them.
    if (t.size() > kLongestDate)
        return QDate();
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
    : ImportDialogBase(parent, kSetup), ui(new Ui::SupplierImportDialog),
      m_sheet(kTemplate, &readField, &isNamed) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("供应商批量导入"));
    attachForm(importFormOf(ui), ui->buttonBox, ui->labelStep2);
}

SupplierImportDialog::~SupplierImportDialog() {
    delete ui;
}

bool SupplierImportDialog::isValidRow(const ImportRow& row, QString& reason) const {
    const models::Supplier& s = row.record;
    if (!row.problem.isEmpty()) {
        reason = row.problem;
        return false;
    }
    if (s.name.isEmpty()) {
        reason = QStringLiteral("供应商名称不能为空");
        return false;
    }
    for (const int column : kDateColumns) {
        const QString& text = *fieldOf(row, column);
        if (!text.isEmpty() && !parseDateFlexible(text).isValid()) {
            reason = QStringLiteral("第 %1 列（%2）日期无法识别，应为日期（如 2026-12-31，可带时刻）：%3")
                         .arg(columnLetter(column - 1), kTemplate.at(column - 1).title, quoted(text));
            return false;
        }
    }
    return true;
}

int SupplierImportDialog::findDuplicateByName(const QString& name) const {
    return m_storedIdOfName.value(name, -1);
}

bool SupplierImportDialog::readRows(const QString& path, QStringList& reasons) {
    const bool read = m_sheet.open(path, "SupplierImport readExcel:", reasons);
    if (read)
        qDebug() << "SupplierImport total rows read:" << m_sheet.count();
    return read;
}

ImportDialogBase::Checked SupplierImportDialog::checkRows() {
    Checked result;
    int& duplicates = result.duplicates;
    int& invalid = result.invalid;
    m_toStore.clear();
    ResultLines lines(resultArea(), resultColour::kWarning, QStringLiteral("  "));
    QHash<QString, int> firstRowOfName; // among the rows to import
    m_storedIdOfName = repository().activeIdsByName();
    m_sheet.forEach([&](const ImportRow& row) {
        QString reason;
        if (!isValidRow(row, reason)) {
            lines.add([&] {
                return QStringLiteral("  第 %1 行数据无效：%2").arg(QString::number(row.rowNumber), reason);
            });
            ++invalid;
            return;
        }
        const QString& name = row.record.name;
        // A name taken earlier in the file was not stored when it was looked up: nothing is written while
        // checking.
        const auto first = firstRowOfName.constFind(name);
        const int existingId = first != firstRowOfName.constEnd() ? -1 : findDuplicateByName(name);
        if (existingId >= 1) {
            lines.add([&] {
                return QStringLiteral("  第 %1 行「%2」与已存在的供应商(ID:%3)重复，跳过")
                    .arg(QString::number(row.rowNumber), quoted(name), QString::number(existingId));
            });
            ++duplicates;
            return;
        }
        // A name repeated in the file would otherwise be stored twice.
        if (first != firstRowOfName.constEnd()) {
            lines.add([&] {
                return QStringLiteral("  第 %1 行「%2」与第 %3 行重复，跳过")
                    .arg(QString::number(row.rowNumber), quoted(name), QString::number(first.value()));
            });
            ++duplicates;
            return;
        }
        firstRowOfName.insert(name, row.rowNumber);
        m_toStore.append(toSupplier(row));
        result.toStore.append({row.rowNumber, name});
    });
    m_sheet.close();
    return result;
}

repositories::BulkInsertResult SupplierImportDialog::storeRows(const repositories::RowHook& beforeEachRow) {
    const repositories::BulkInsertResult result = repository().insertAll(m_toStore, beforeEachRow);
    m_toStore.clear();
    return result;
}

} // namespace kestrovalin
