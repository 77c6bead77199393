#include "ui/quality/maintenancedetaildialog.h"
#include "ui_maintenancedetaildialog.h"

#include "ui/common/formdialog.h"
#include "ui/common/styles.h"
#include "ui/quality/qualityformat.h"

namespace kestrovalin {

namespace {

void showVerdict(QLabel* label, bool ok, const QString& text) {
    label->setText(text);
    label->setStyleSheet(verdictLabelStyleSheet(ok));
}

} // namespace

MaintenanceDetailDialog::MaintenanceDetailDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui_MaintenanceDetailDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("养护检查详情"));
    setModal(true);
    // Names and remarks are shown as typed, never as markup.
    for (QLabel* value :
         {ui->valueMonth, ui->valueDate, ui->valueChecker, ui->valueCreated, ui->valueHumidity,
          ui->valueTemperature, ui->valueStorage, ui->valueFacilities, ui->valuePestControl})
        value->setTextFormat(Qt::PlainText);
    // A long remark scrolls in its box rather than being cut off.
    useForLongText(ui->valueRemark, 3, true);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDialog::close);
}

MaintenanceDetailDialog::~MaintenanceDetailDialog() {
    delete ui;
}

void MaintenanceDetailDialog::setCheck(const models::MaintenanceCheck& check) {
    ui->valueMonth->setText(maintenanceMonthText(check.checkMonth));
    ui->valueDate->setText(check.checkDate);
    ui->valueChecker->setText(check.checkedByName);
    ui->valueCreated->setText(check.createdAt);
    showVerdict(ui->valueHumidity, check.humidityNormal, verdictNormal(check.humidityNormal));
    showVerdict(ui->valueTemperature, check.temperatureNormal, verdictNormal(check.temperatureNormal));
    showVerdict(ui->valueStorage, check.storageConditionOk, verdictCompliant(check.storageConditionOk));
    showVerdict(ui->valueFacilities, check.facilitiesOk, verdictNormal(check.facilitiesOk));
    showVerdict(ui->valuePestControl, check.pestControlOk, verdictInPlace(check.pestControlOk));
    ui->valueRemark->setPlainText(check.remark.isEmpty() ? QStringLiteral("-") : check.remark);
}

} // namespace kestrovalin
