#include "ui/quality/temphumidityrecordwindow.h"
#include "ui_temphumidityrecordwindow.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/usersession.h"
#include "repositories/temphumidityrepository.h"
#include "ui/common/listfollower.h"
#include "ui/common/listreread.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/rowtablemodel.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"
#include "ui/quality/qualityformat.h"

#include <QEvent>
#include <QHeaderView>

namespace kestrovalin {

namespace {

using repositories::TempHumidityRepository;

TempHumidityRepository repository() {
    return TempHumidityRepository(DatabaseManager::instance().getAdapter());
}

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

TableRow readingRow(const models::TempHumidityRecord& r) {
    TableRow row(r.id, {r.recordDate, r.recordTime, QString::number(r.temperature, 'g', 6),
                        QString::number(r.humidity), TempHumidityRepository::statusLabel(r.temperatureStatus),
                        TempHumidityRepository::statusLabel(r.humidityStatus), r.operatorName, r.notes});
    row.mark(4, tempHumidityStatusColour(r.temperatureStatus), QColor())
        .mark(5, tempHumidityStatusColour(r.humidityStatus), QColor());
    return row;
}

} // namespace

TempHumidityRecordWindow::TempHumidityRecordWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui_TempHumidityRecordWindow) {
    // The sheet goes on before the form is built: under a parent with a sheet of its own, widgets the form
    // polishes while it lays them out would otherwise keep the parent's look.
    setStyleSheet(tempHumidityRecordStyleSheet());
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("温湿度记录管理"));
    placeOnParent(this, parent);

    const QDateTime now = Clock::now();
    ui->editDate->setDate(now.date());
    m_shownDate = ui->editDate->date();
    setReadingTime(now.time());
    ui->editStartDate->setDate(now.date().addDays(-7));
    ui->editEndDate->setDate(now.date());

    // The history keeps the view's own selection behaviour; it is read-only and has no row header.
    m_model =
        new RowTableModel({QStringLiteral("记录日期"), QStringLiteral("记录时间"), QStringLiteral("温度(℃)"),
                           QStringLiteral("湿度(%)"), QStringLiteral("温度状态"), QStringLiteral("湿度状态"),
                           QStringLiteral("记录人"), QStringLiteral("备注")},
                          this);
    ui->tableWidget->setModel(m_model);
    followList(ui->tableWidget, m_model);
    m_reread = new ListReread(ui->tableWidget);
    setupPlainTable(ui->tableWidget);

    connect(ui->btnSave, &QPushButton::clicked, this, &TempHumidityRecordWindow::onBtnSaveClicked);
    connect(ui->btnSearch, &QPushButton::clicked, this, &TempHumidityRecordWindow::onBtnSearchClicked);
    connect(ui->btnShowAbnormal, &QPushButton::clicked, this,
            &TempHumidityRecordWindow::onBtnShowAbnormalClicked);
    connect(ui->spinTemperature, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &TempHumidityRecordWindow::onTemperatureChanged);
    connect(ui->spinHumidity, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &TempHumidityRecordWindow::onHumidityChanged);

    updateStatusDisplay();
    refreshHistory();
}

TempHumidityRecordWindow::~TempHumidityRecordWindow() {
    delete ui;
}

void TempHumidityRecordWindow::onTemperatureChanged(double) {
    updateStatusDisplay();
}

void TempHumidityRecordWindow::onHumidityChanged(int) {
    updateStatusDisplay();
}

void TempHumidityRecordWindow::updateStatusDisplay() {
    ui->labelStatusValue->setText(getStatusText(ui->spinTemperature->value(), ui->spinHumidity->value()));
}

// The live line checks the limits only; the warning band is the save's grading.
QString TempHumidityRecordWindow::getStatusText(double temperature, int humidity) const {
    const QString tMin = QString::number(TempHumidityRepository::kTemperatureMin);
    const QString tMax = QString::number(TempHumidityRepository::kTemperatureMax);
    const QString hMin = QString::number(TempHumidityRepository::kHumidityMin);
    const QString hMax = QString::number(TempHumidityRepository::kHumidityMax);
    const bool temperatureOk = temperature >= TempHumidityRepository::kTemperatureMin &&
                               temperature <= TempHumidityRepository::kTemperatureMax;
    const bool humidityOk =
        humidity >= TempHumidityRepository::kHumidityMin && humidity <= TempHumidityRepository::kHumidityMax;
    const QString temperaturePart = temperatureOk ? QStringLiteral("温度正常 (%1-%2℃)").arg(tMin, tMax)
                                                  : QStringLiteral("温度异常 (超出 %1-%2℃)").arg(tMin, tMax);
    const QString humidityPart = humidityOk ? QStringLiteral("湿度正常 (%1-%2%)").arg(hMin, hMax)
                                            : QStringLiteral("湿度异常 (超出 %1-%2%)").arg(hMin, hMax);
    return temperaturePart + QStringLiteral(" | ") + humidityPart;
}

void TempHumidityRecordWindow::onBtnSaveClicked() {
    models::TempHumidityRecord record;
    record.recordDate = ui->editDate->date().toString(kDateFormat);
    record.recordTime = ui->editTime->time().toString(QStringLiteral("HH:mm:ss"));
    record.temperature = ui->spinTemperature->value();
    record.humidity = ui->spinHumidity->value();
    record.notes = ui->editRemark->toPlainText();
    record.temperatureStatus = TempHumidityRepository::calculateStatus(
        record.temperature, TempHumidityRepository::kTemperatureMin, TempHumidityRepository::kTemperatureMax);
    record.humidityStatus = TempHumidityRepository::calculateStatus(
        record.humidity, TempHumidityRepository::kHumidityMin, TempHumidityRepository::kHumidityMax);
    record.operatorId = UserSession::instance().getCurrentUserId();
    record.operatorName = UserSession::instance().getCurrentUserName();

    TempHumidityRepository repo = repository();
    if (repo.insert(record) < 1) {
        Prompts::critical(this, QStringLiteral("错误"),
                          Prompts::withReason(QStringLiteral("保存失败，请重试"), repo.refusal()));
        return;
    }
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("温湿度记录保存成功！"));
    const QString normal = QStringLiteral("normal");
    if (record.temperatureStatus != normal || record.humidityStatus != normal)
        Prompts::warning(this, QStringLiteral("异常提醒"), QStringLiteral("检测到温湿度异常，请及时处理！"));
    ui->editRemark->clear();
    setReadingTime(Clock::now().time());
    refreshHistory();
}

void TempHumidityRecordWindow::setReadingTime(const QTime& time) {
    ui->editTime->setTime(time);
    m_shownTime = ui->editTime->time();
}

// The window is kept between uses: a reading taken now must not carry the time, or the date, of the window's
// first showing. Fields the user changed keep what was typed.
void TempHumidityRecordWindow::showCurrentTime() {
    const QDateTime now = Clock::now();
    if (ui->editDate->date() == m_shownDate) {
        ui->editDate->setDate(now.date());
        m_shownDate = ui->editDate->date();
    }
    if (ui->editTime->time() == m_shownTime)
        setReadingTime(now.time());
}

void TempHumidityRecordWindow::showEvent(QShowEvent* event) {
    showCurrentTime();
    QMainWindow::showEvent(event);
}

void TempHumidityRecordWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        showCurrentTime();
    QMainWindow::changeEvent(event);
}

void TempHumidityRecordWindow::onBtnSearchClicked() {
    const QString start = ui->editStartDate->date().toString(kDateFormat);
    const QString end = ui->editEndDate->date().toString(kDateFormat);
    showReadings([start, end] { return repository().findByDateRange(start, end); },
                 QStringLiteral("共 %1 条记录"));
}

void TempHumidityRecordWindow::onBtnShowAbnormalClicked() {
    showReadings([] { return repository().findAbnormalRecords(); }, QStringLiteral("共 %1 条异常记录"));
}

void TempHumidityRecordWindow::refreshHistory() {
    showReadings([] { return repository().findByDate(Clock::todayText()); },
                 QStringLiteral("今日已记录 %1 条"));
}

void TempHumidityRecordWindow::showReadings(const Readings& read, const QString& countText) {
    m_reread->setReload([this, read, countText] { showReadings(read, countText); });
    if (m_model->fillRead(read, readingRow))
        fitColumnsToFirstRows(ui->tableWidget);
    showListLine(ui->labelTotal, *m_model, countText.arg(m_model->rowCount()));
}

} // namespace kestrovalin
