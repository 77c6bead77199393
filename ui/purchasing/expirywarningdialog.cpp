#include "ui/purchasing/expirywarningdialog.h"

#include "ui/common/tablefill.h"
#include "ui_expirywarningdialog.h"

#include <QHeaderView>
#include <QPushButton>

namespace kestrovalin {

RemainingDaysColours remainingDaysColours(int days) {
    if (days <= 30)
        return {Qt::white, Qt::darkRed};
    if (days <= 90)
        return {Qt::white, Qt::darkYellow};
    return {};
}

ExpiryWarningDialog::ExpiryWarningDialog(const QList<repositories::ExpiryWarningItem>& items, QWidget* parent)
    : QDialog(parent), ui(new Ui_ExpiryWarningDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("近效期药品预警"));

    QTableWidget* table = ui->tableWidget;
    table->setColumnCount(5);
    table->setHorizontalHeaderLabels({QStringLiteral("商品名称"), QStringLiteral("批号"),
                                      QStringLiteral("有效期至"), QStringLiteral("剩余天数"),
                                      QStringLiteral("库存数量")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    // Room for full drug names; the stretched quantity column takes what is left.
    table->setColumnWidth(0, 260);
    table->setColumnWidth(1, 140);
    table->setColumnWidth(2, 110);
    table->setColumnWidth(3, 90);

    {
        TableFill fill(table, items.size());
        for (int row = 0; row < items.size(); ++row) {
            const repositories::ExpiryWarningItem& item = items.at(row);
            fill.set(row, 0, item.productName);
            fill.set(row, 1, item.batchNo);
            fill.set(row, 2, item.expiryDate);
            QTableWidgetItem* days =
                fill.set(row, 3, QString::number(item.remainingDays) + QStringLiteral(" 天"));
            days->setTextAlignment(Qt::AlignCenter);
            const RemainingDaysColours colours = remainingDaysColours(item.remainingDays);
            if (colours.background.isValid()) {
                days->setForeground(colours.foreground);
                days->setBackground(colours.background);
            }
            fill.set(row, 4, QString::number(item.quantity));
        }
    }

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
