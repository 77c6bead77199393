#include "ui/purchasing/expirywarningwindow.h"

#include "core/rowreader.h"
#include "repositories/expirywarningrepository.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/styles.h"
#include "ui/purchasing/expirywarningdialog.h"
#include "ui_expirywarningwindow.h"

#include <QSpacerItem>

namespace kestrovalin {

namespace {

const int kDays = 180;
const int kRemainingDaysColumn = 7;

TableRow warningRow(const repositories::ExpiryWarningItem& item) {
    TableRow row(-1, {item.productName, item.barcode, item.specification, item.manufacturer, item.batchNo,
                      item.productionDate, item.expiryDate, QString::number(item.remainingDays),
                      QString::number(item.quantity), item.supplierName});
    markRemainingDays(row, kRemainingDaysColumn, item.remainingDays);
    return row;
}

} // namespace

ExpiryWarningWindow::ExpiryWarningWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::ExpiryWarningWindow) {
    ui->setupUi(this);
    setStyleSheet(reportWindowStyleSheet({QStringLiteral("btnSearch")}, {QStringLiteral("btnSearch")},
                                         QStringLiteral("QTableView")));
    // A stretching last column keeps the filters to the left.
    const int spacerColumn = ui->gridLayout->columnCount();
    ui->gridLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0,
                            spacerColumn, ui->gridLayout->rowCount(), 1);
    ui->gridLayout->setColumnStretch(spacerColumn, 1);
    placeOnParent(this, parent);

    m_list = new ListFrame(this, ui->tableView,
                           {QStringLiteral("商品名称"), QStringLiteral("条码"), QStringLiteral("规格"),
                            QStringLiteral("生产厂商"), QStringLiteral("批号"), QStringLiteral("生产日期"),
                            QStringLiteral("有效期至"), QStringLiteral("剩余天数"),
                            QStringLiteral("库存数量"), QStringLiteral("供应商")},
                           {170, 120, 110, 180, 100, 90, 90, 70, 70}, ListFrame::Hint::Information, false);
    m_list->model()->setColumnAlignment(kRemainingDaysColumn, Qt::AlignCenter);
    m_list->setCountLabel(ui->labelTotal, QStringLiteral("共 %1 条近效期药品预警"));

    loadWarnings(QString(), QString(), QString(), QString(), QString());
}

ExpiryWarningWindow::~ExpiryWarningWindow() {
    delete ui;
}

void ExpiryWarningWindow::loadWarnings(const QString& supplierName, const QString& productName,
                                       const QString& barcode, const QString& mnemonicCode,
                                       const QString& batchNo) {
    using repositories::ExpiryWarningRepository;
    // The count line follows the count.
    m_list->showQuery(ExpiryWarningRepository::nearExpiryList(kDays, supplierName, productName, barcode,
                                                              mnemonicCode, batchNo),
                      [](const Row& row) { return warningRow(ExpiryWarningRepository::readItem(row)); });
}

void ExpiryWarningWindow::onSearch() {
    loadWarnings(ui->txtSupplierName->text().trimmed(), ui->txtProductName->text().trimmed(),
                 ui->txtBarcode->text().trimmed(), ui->txtMnemonic->text().trimmed(),
                 ui->txtBatchNo->text().trimmed());
}

} // namespace kestrovalin
