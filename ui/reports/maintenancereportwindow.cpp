#include "ui/reports/maintenancereportwindow.h"
#include "ui_maintenancereportwindow.h"

#include "core/databasemanager.h"
#include "repositories/maintenancecheckrepository.h"
#include "ui/quality/qualityformat.h"

namespace kestrovalin {

namespace {

ReportSetup setup() {
    ReportSetup s;
    s.title = QStringLiteral("养护检查记录表");
    s.exportCaption = QStringLiteral("导出养护检查记录表");
    s.columns =
        QStringList{QStringLiteral("检查月份"), QStringLiteral("检查日期"), QStringLiteral("检查人"),
                    QStringLiteral("湿度"),     QStringLiteral("温度"),     QStringLiteral("储存条件"),
                    QStringLiteral("设施设备"), QStringLiteral("备注")};
    s.centredColumns = {4, 5, 6, 7};
    s.monthsBack = 3;
    return s;
}

// The book leaves out the pest-control item.
TableRow checkRow(const models::MaintenanceCheck& check) {
    return maintenanceRow(check, 1);
}

} // namespace

MaintenanceReportWindow::MaintenanceReportWindow(QWidget* parent)
    : ReportWindow(parent), ui(new Ui_MaintenanceReportWindow) {
    ui->setupUi(this);
    attachFrame(setup());
}

MaintenanceReportWindow::~MaintenanceReportWindow() {
    delete ui;
}

void MaintenanceReportWindow::loadReport() {
    repositories::MaintenanceCheckRepository repository(DatabaseManager::instance().getAdapter());
    frame()->show([&] { return repository.findByDateRange(frame()->startDate(), frame()->endDate()); },
                  checkRow);
}

} // namespace kestrovalin
