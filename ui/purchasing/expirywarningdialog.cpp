#include "ui/purchasing/expirywarningdialog.h"

#include "ui/common/rowtablemodel.h"
#include "ui/common/tablefill.h"
#include "ui_expirywarningdialog.h"

#include <QHeaderView>
#include <QPushButton>

namespace kestrovalin {

void markRemainingDays(TableRow& row, int column, int days) {
    if (days <= 30)
        row.mark(column, Qt::white, Qt::darkRed);
    else if (days <= 90)
        row.mark(column, Qt::white, Qt::darkYellow);
}

namespace {

const int daysColumn = 3;

// Only the remaining days are coloured.
TableRow itemRow(const repositories::ExpiryWarningItem& item) {
    TableRow row(item.productId, {item.productName, item.batchNo, item.expiryDate,
                                  QString::number(item.remainingDays) + QStringLiteral(" 天"),
                                  QString::number(item.quantity)});
    markRemainingDays(row, daysColumn, item.remainingDays);
    return row;
}

} // namespace

ExpiryWarningDialog::ExpiryWarningDialog(const QList<repositories::ExpiryWarningItem>& items, QWidget* parent)
    : QDialog(parent), ui(new Ui_ExpiryWarningDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("近效期药品预警"));

    auto* model =
        new RowTableModel({QStringLiteral("商品名称"), QStringLiteral("批号"), QStringLiteral("有效期至"),
                           QStringLiteral("剩余天数"), QStringLiteral("库存数量")},
                          this);
    model->setColumnAlignment(daysColumn, Qt::AlignCenter);
    model->fill(items, itemRow);
    QTableView* table = ui->tableWidget;
    table->setModel(model);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    // Room for full drug names; the stretched quantity column takes what is left.
    setColumnWidths(table, {260, 140, 110, 90});

    if (items.isEmpty())
        ui->labelTitle->setText(QStringLiteral("当前没有近效期药品预警"));
    else
        ui->labelTitle->setText(
            QStringLiteral("共 %1 条近效期药品预警，以下药品将在近6个月内到期，请注意销售：")
                .arg(items.size()));

    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ExpiryWarningDialog::~ExpiryWarningDialog() {
    delete ui;
}

} // namespace kestrovalin
