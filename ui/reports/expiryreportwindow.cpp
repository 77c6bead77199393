#include "ui/reports/expiryreportwindow.h"
#include "ui_expiryreportwindow.h"

#include "core/rowreader.h"
#include "repositories/expirywarningrepository.h"
#include "ui/purchasing/expirywarningdialog.h"

#include <QIntValidator>

#include <algorithm>

namespace kestrovalin {

namespace {

using repositories::ExpiryWarningItem;

constexpr int kMinDays = 1;
constexpr int kMaxDays = 365;
constexpr int kRemainingDaysColumn = 5;

ReportSetup setup() {
    ReportSetup s;
    s.title = QStringLiteral("近效期药品报表");
    s.exportCaption = QStringLiteral("导出近效期药品报表");
    s.columns =
        QStringList{QStringLiteral("药品名称"), QStringLiteral("规格"),     QStringLiteral("批号"),
                    QStringLiteral("有效期"),   QStringLiteral("剩余天数"), QStringLiteral("库存数量"),
                    QStringLiteral("供应商")};
    s.centredColumns = {kRemainingDaysColumn};
    s.countText = QStringLiteral("共 %1 条近效期药品");
    return s;
}

// Only the days-left cell is coloured: a month or less dark red, up to three months dark yellow.
TableRow batchRow(const ExpiryWarningItem& item) {
    TableRow row(-1,
                 {item.productName, item.specification, item.batchNo, item.expiryDate,
                  QString::number(item.remainingDays), QString::number(item.quantity), item.supplierName});
    markRemainingDays(row, kRemainingDaysColumn, item.remainingDays);
    return row;
}

} // namespace

ExpiryReportWindow::ExpiryReportWindow(QWidget* parent)
    : ReportWindow(parent), ui(new Ui_ExpiryReportWindow) {
    ui->setupUi(this);
    ui->editWarningDays->setValidator(new QIntValidator(kMinDays, kMaxDays, this));
    ui->editWarningDays->setText(QStringLiteral("180"));
    // The line edit reports Return only while the validator accepts its text.
    connect(ui->editWarningDays, &QLineEdit::returnPressed, this, &ExpiryReportWindow::onQueryClicked);
    attachFrame(setup());
}

ExpiryReportWindow::~ExpiryReportWindow() {
    delete ui;
}

int ExpiryReportWindow::warningDays() const {
    return std::clamp(ui->editWarningDays->text().toInt(), kMinDays, kMaxDays);
}

void ExpiryReportWindow::loadReport() {
    using repositories::ExpiryWarningRepository;
    // Without a database the book shows an empty table with its count.
    const bool shown =
        frame()->showQuery(ExpiryWarningRepository::nearExpiryList(
                               warningDays(), ui->editSupplier->text().trimmed(),
                               ui->editProductName->text().trimmed(), ui->editBarcode->text().trimmed(),
                               ui->editMnemonic->text().trimmed(), ui->editBatchNo->text().trimmed()),
                           [](const Row& row) { return batchRow(ExpiryWarningRepository::readItem(row)); });
    if (!shown)
        frame()->showRows([] { return QVector<TableRow>(); });
}

} // namespace kestrovalin
