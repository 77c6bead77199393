#include "ui/reports/purchasereportwindow.h"
#include "ui_purchasereportwindow.h"

#include "ui/reports/recordbook.h"

namespace kestrovalin {

namespace {

ReportSetup setup() {
    ReportSetup s;
    s.title = QStringLiteral("购进记录表");
    s.exportCaption = QStringLiteral("导出购进记录表");
    s.columns =
        QStringList{QStringLiteral("购进日期"), QStringLiteral("单据编号"),  QStringLiteral("供应商名称"),
                    QStringLiteral("药品名称"), QStringLiteral("生产企业"),  QStringLiteral("批号"),
                    QStringLiteral("有效期至"), QStringLiteral("剂型/规格"), QStringLiteral("数量"),
                    QStringLiteral("单位"),     QStringLiteral("购进单价"),  QStringLiteral("购进金额"),
                    QStringLiteral("验收结论"), QStringLiteral("验收日期")};
    s.monthsBack = 1;
    return s;
}

} // namespace

PurchaseReportWindow::PurchaseReportWindow(QWidget* parent)
    : ReportWindow(parent), ui(new Ui_PurchaseReportWindow) {
    ui->setupUi(this);
    attachFrame(setup());
}

PurchaseReportWindow::~PurchaseReportWindow() {
    delete ui;
}

void PurchaseReportWindow::loadReport() {
    loadRecordBook(frame(), this, purchaseRecords());
}

} // namespace kestrovalin
