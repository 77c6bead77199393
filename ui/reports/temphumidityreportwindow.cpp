#include "ui/reports/temphumidityreportwindow.h"
#include "ui_temphumidityreportwindow.h"

#include "core/databasemanager.h"
#include "repositories/temphumidityrepository.h"
#include "ui/quality/qualityformat.h"

namespace kestrovalin {

namespace {

using repositories::TempHumidityRepository;

// The value cells take the colour of their status only for the two codes the grading gives.
QColor valueColour(const QString& status) {
    if (status == QLatin1String("critical"))
        return QColor(Qt::red);
    return status == QLatin1String("warning") ? QColor(Qt::darkYellow) : QColor();
}

ReportSetup setup() {
    ReportSetup s;
    s.title = QStringLiteral("温湿度记录表");
    s.exportCaption = QStringLiteral("导出温湿度记录表");
    s.columns =
        QStringList{QStringLiteral("记录日期"), QStringLiteral("记录时间"), QStringLiteral("温度(℃)"),
                    QStringLiteral("湿度(%)"),  QStringLiteral("温度状态"), QStringLiteral("湿度状态"),
                    QStringLiteral("记录人")};
    s.centredColumns = {3, 4, 5, 6};
    s.monthsBack = 1;
    return s;
}

TableRow readingRow(const models::TempHumidityRecord& r) {
    TableRow row(r.id, {r.recordDate, r.recordTime, bookTemperatureText(r.temperature),
                        QString::number(r.humidity), TempHumidityRepository::statusLabel(r.temperatureStatus),
                        TempHumidityRepository::statusLabel(r.humidityStatus), r.operatorName});
    row.mark(3, valueColour(r.temperatureStatus), QColor())
        .mark(4, valueColour(r.humidityStatus), QColor())
        .mark(5, tempHumidityStatusColour(r.temperatureStatus), QColor())
        .mark(6, tempHumidityStatusColour(r.humidityStatus), QColor());
    return row;
}

} // namespace

TempHumidityReportWindow::TempHumidityReportWindow(QWidget* parent)
    : ReportWindow(parent), ui(new Ui_TempHumidityReportWindow) {
    ui->setupUi(this);
    attachFrame(setup());
}

TempHumidityReportWindow::~TempHumidityReportWindow() {
    delete ui;
}

void TempHumidityReportWindow::loadReport() {
    TempHumidityRepository repository(DatabaseManager::instance().getAdapter());
    frame()->show([&] { return repository.findByDateRange(frame()->startDate(), frame()->endDate()); },
                  readingRow);
}

} // namespace kestrovalin
