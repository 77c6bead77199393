#include "ui/quality/rejecteddrugdetaildialog.h"
#include "ui_rejecteddrugdetaildialog.h"

#include "repositories/rejecteddrugcodes.h"
#include "ui/common/formdialog.h"

#include <QLayout>

#include <algorithm>

namespace kestrovalin {

namespace {

QString orDash(const QString& text) {
    return text.isEmpty() ? QStringLiteral("-") : text;
}

} // namespace

RejectedDrugDetailDialog::RejectedDrugDetailDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui_RejectedDrugDetailDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("不合格药品详情"));
    setModal(true);
    // A long remark scrolls in its box rather than being cut off.
    useForLongText(ui->valueRemark, 3, false);
    useForLongText(ui->valueFinalRemark, 3, false);
}

RejectedDrugDetailDialog::~RejectedDrugDetailDialog() {
    delete ui;
}

void RejectedDrugDetailDialog::setDrug(const models::RejectedDrug& drug) {
    ui->valueProductName->setText(drug.productName);
    ui->valueSpec->setText(drug.productSpec);
    ui->valueBarcode->setText(drug.barcode);
    ui->valueManufacturer->setText(drug.manufacturer);
    ui->valueBatchNo->setText(drug.batchNo);
    ui->valueSupplier->setText(drug.supplierName);
    ui->valueProductionDate->setText(orDash(drug.productionDate));
    ui->valueExpiryDate->setText(orDash(drug.expiryDate));
    ui->valueQuantity->setText(QString::number(drug.quantity));
    ui->valueReason->setText(getReasonText(drug.reason));
    ui->valueRemark->setPlainText(orDash(drug.reasonRemark));
    ui->valueStatus->setText(getStatusText(drug.status));
    const QString colour = rejected::statusColour(drug.status);
    ui->valueStatus->setStyleSheet(
        colour.isEmpty() ? QString() : QStringLiteral("color: %1; font-weight: bold;").arg(colour));
    ui->valueReportDate->setText(drug.reportDate);
    ui->valueFoundBy->setText(orDash(drug.foundByName));
    ui->valueProcessType->setText(getProcessTypeText(drug.processType));
    ui->valueProcessDate->setText(orDash(drug.processDate));
    ui->valueProcessBy->setText(orDash(drug.processByName));
    ui->valueFinalRemark->setPlainText(orDash(drug.remark));
    // Wrapped values can need more height at this width than the layout's least; the dialog grows so that
    // every row shows whole.
    if (layout()->hasHeightForWidth())
        resize(width(), std::max(height(), layout()->totalHeightForWidth(width())));
}

QString RejectedDrugDetailDialog::getReasonText(const QString& code) {
    return rejected::reasonLabel(code);
}

QString RejectedDrugDetailDialog::getProcessTypeText(const QString& code) {
    return rejected::processTypeLabel(code);
}

QString RejectedDrugDetailDialog::getStatusText(const QString& code) {
    return rejected::statusLabel(code);
}

} // namespace kestrovalin
