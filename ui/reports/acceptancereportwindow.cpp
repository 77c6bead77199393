#include "ui/reports/acceptancereportwindow.h"
#include "ui_acceptancereportwindow.h"

#include "ui/reports/recordbook.h"

namespace kestrovalin {

namespace {

ReportSetup setup() {
    ReportSetup s;
    s.title = QStringLiteral("验收记录表");
    s.exportCaption = QStringLiteral("导出验收记录表");
    s.columns =
        QStringList{QStringLiteral("验收日期"), QStringLiteral("单据编号"), QStringLiteral("供应商名称"),
                    QStringLiteral("药品名称"), QStringLiteral("生产企业"), QStringLiteral("批号"),
                    QStringLiteral("生产日期"), QStringLiteral("有效期至"), QStringLiteral("剂型/规格"),
                    QStringLiteral("数量"),     QStringLiteral("单位"),     QStringLiteral("验收结论"),
                    QStringLiteral("验收人"),   QStringLiteral("备注")};
    s.monthsBack = 1;
    return s;
}

} // namespace

AcceptanceReportWindow::AcceptanceReportWindow(QWidget* parent)
    : ReportWindow(parent), ui(new Ui_AcceptanceReportWindow) {
    ui->setupUi(this);
    attachFrame(setup());
}

AcceptanceReportWindow::~AcceptanceReportWindow() {
    delete ui;
}

void AcceptanceReportWindow::loadReport() {
    loadRecordBook(frame(), this, acceptanceRecords());
}

} // namespace kestrovalin
