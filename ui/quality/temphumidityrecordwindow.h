#pragma once

#include "models/temphumidityrecord.h"

#include <QDate>
#include <QList>
#include <QMainWindow>
#include <QTime>
#include <functional>

class Ui_TempHumidityRecordWindow;

namespace kestrovalin {

class ListReread;
class RowTableModel;

// Records the store's temperature and humidity readings, graded when saved, and lists today's, a date range's
// or all abnormal readings.
class TempHumidityRecordWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TempHumidityRecordWindow(QWidget* parent = nullptr);
    ~TempHumidityRecordWindow() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void onBtnSaveClicked();
    void onBtnSearchClicked();
    void onBtnShowAbnormalClicked();
    void onTemperatureChanged(double value);
    void onHumidityChanged(int value);

private:
    void updateStatusDisplay();
    QString getStatusText(double temperature, int humidity) const;
    void refreshHistory();
    using Readings = std::function<QList<models::TempHumidityRecord>()>;
    // Fills the history with what read gives; the same read fills it again when the window comes back
    // after the file changed.
    void showReadings(const Readings& read, const QString& countText);
    void setReadingTime(const QTime& time);
    void showCurrentTime();

    Ui_TempHumidityRecordWindow* ui;
    RowTableModel* m_model;
    ListReread* m_reread;
    // What the window itself last put in the date and time fields; a field still holding it is untouched.
    QDate m_shownDate;
    QTime m_shownTime;
};

} // namespace kestrovalin
