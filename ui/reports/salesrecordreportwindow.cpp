#include "ui/reports/salesrecordreportwindow.h"
#include "ui_salesrecordreportwindow.h"

#include "ui/reports/recordbook.h"

namespace kestrovalin {

namespace {

ReportSetup setup() {
    ReportSetup s;
    s.title = QStringLiteral("销售记录表");
    s.exportCaption = QStringLiteral("导出销售记录表");
    s.columns =
        QStringList{QStringLiteral("销售日期"),  QStringLiteral("单据编号"), QStringLiteral("药品名称"),
                    QStringLiteral("条码"),      QStringLiteral("生产企业"), QStringLiteral("批号"),
                    QStringLiteral("剂型/规格"), QStringLiteral("数量"),     QStringLiteral("单位"),
                    QStringLiteral("销售单价"),  QStringLiteral("销售金额"), QStringLiteral("操作员")};
    s.monthsBack = 1;
    s.log = &OperLogHelper::logSales;
    return s;
}

} // namespace

SalesRecordReportWindow::SalesRecordReportWindow(QWidget* parent)
    : ReportWindow(parent), ui(new Ui_SalesRecordReportWindow) {
    ui->setupUi(this);
    attachFrame(setup());
}

SalesRecordReportWindow::~SalesRecordReportWindow() {
    delete ui;
}

void SalesRecordReportWindow::loadReport() {
    loadRecordBook(frame(), this, salesRecords());
}

} // namespace kestrovalin
