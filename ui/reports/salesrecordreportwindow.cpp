#include "ui/reports/salesrecordreportwindow.h"
#include "ui_salesrecordreportwindow.h"

#include "ui/common/reportframe.h"
#include "ui/reports/recordbook.h"

namespace kestrovalin {

namespace {

ReportSpec spec() {
    ReportSpec s;
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
    : QMainWindow(parent), ui(new Ui_SalesRecordReportWindow) {
    ui->setupUi(this);
    m_frame = new ReportFrame(this, parent, spec());
    connect(ui->btnQuery, &QPushButton::clicked, this, &SalesRecordReportWindow::onQueryClicked);
    connect(ui->btnExport, &QPushButton::clicked, this, &SalesRecordReportWindow::onExportClicked);
    loadReport();
}

SalesRecordReportWindow::~SalesRecordReportWindow() {
    delete ui;
}

void SalesRecordReportWindow::onQueryClicked() {
    loadReport();
}

void SalesRecordReportWindow::onExportClicked() {
    m_frame->exportCsv();
}

void SalesRecordReportWindow::loadReport() {
    loadRecordBook(m_frame, this, salesRecords());
}

} // namespace kestrovalin
