#include "core/usersession.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/quality/temphumidityrecordwindow.h"

#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/prompttrail.h"
#include "tests/support/testdatabase.h"
#include "tests/support/windowprobe.h"

#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTableView>
#include <QTimeEdit>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate kToday(2025, 6, 18);

const QAbstractItemModel* modelOf(QObject* window) {
    return tableModel(window, "tableWidget");
}

QString column(QObject* window, int c) {
    return texts(modelOf(window), -1, c);
}

QString colours(QObject* window, int c) {
    return columnColours(modelOf(window), c);
}

QString total(QObject* window) {
    return labelText(window, "labelTotal");
}

void enter(QObject* window, double temperature, int humidity, const QString& remark = QString()) {
    child<QDoubleSpinBox>(window, "spinTemperature")->setValue(temperature);
    child<QSpinBox>(window, "spinHumidity")->setValue(humidity);
    child<QPlainTextEdit>(window, "editRemark")->setPlainText(remark);
}

// The stored readings, oldest first, one "date time temperature humidity statuses operator notes" each.
QString stored(TestDatabase& t) {
    QSqlQuery q = t.db()->query(
        "SELECT record_date, record_time, temperature, humidity, temperature_status, humidity_status, "
        "operator_id, operator_name, notes FROM temperature_record ORDER BY id");
    QStringList out;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < 9; ++i)
            row << q.value(i).toString();
        out << row.join(' ');
    }
    return out.join('|');
}

void addReading(TestDatabase& t, const QString& date, double temperature, const QString& temperatureStatus,
                const QString& humidityStatus) {
    t.exec("INSERT INTO temperature_record (record_date, record_time, temperature, humidity, "
           "temperature_status, "
           "humidity_status, operator_id, operator_name) VALUES (?, '08:00:00', ?, 50, ?, ?, 2, '张丽')",
           {date, temperature, temperatureStatus, humidityStatus});
}

} // namespace

class TestTempHumidity : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        Prompts::setTestMode(true);
        UserSession::instance().setCurrentUser(
            {2, QStringLiteral("zhangli"), QStringLiteral("张丽"), QStringLiteral("clerk")});
    }
    void init() { Prompts::reset(); }

    // The live line knows the limits only, both included; the warning band is the save's.
    void liveStatusLine_data() {
        QTest::addColumn<double>("temperature");
        QTest::addColumn<int>("humidity");
        QTest::addColumn<QString>("line");
        const QString tOk = "温度正常 (0-30℃)", tBad = "温度异常 (超出 0-30℃)";
        const QString hOk = "湿度正常 (35-75%)", hBad = "湿度异常 (超出 35-75%)";
        QTest::newRow("defaults") << 0.0 << 0 << tOk + " | " + hBad;
        QTest::newRow("upper limits") << 30.0 << 75 << tOk + " | " + hOk;
        QTest::newRow("past upper") << 30.01 << 76 << tBad + " | " + hBad;
        QTest::newRow("lower limits") << 0.0 << 35 << tOk + " | " + hOk;
        QTest::newRow("below lower") << -0.01 << 34 << tBad + " | " + hBad;
    }
    void liveStatusLine() {
        QFETCH(double, temperature);
        QFETCH(int, humidity);
        QFETCH(QString, line);
        PinnedClock clock(kToday);
        TestDatabase t;
        TempHumidityRecordWindow w;
        enter(&w, temperature, humidity);
        QCOMPARE(child<QLabel>(&w, "labelStatusValue")->text(), line);
    }

    // The save grades both values with the margin rule, limits and margin edges in the warning band; any
    // status but normal brings the reminder after the success box.
    void saveGrades_data() {
        QTest::addColumn<double>("temperature");
        QTest::addColumn<int>("humidity");
        QTest::addColumn<QString>("statuses");
        QTest::newRow("20.0 / 36") << 20.0 << 36 << "normal warning";
        QTest::newRow("-0.01 / 34") << -0.01 << 34 << "critical critical";
        QTest::newRow("0 / 35") << 0.0 << 35 << "warning warning";
        QTest::newRow("1.5 / 37") << 1.5 << 37 << "warning warning";
        QTest::newRow("1.51 / 38") << 1.51 << 38 << "normal normal";
        QTest::newRow("28.49 / 72") << 28.49 << 72 << "normal normal";
        QTest::newRow("28.5 / 73") << 28.5 << 73 << "warning warning";
        QTest::newRow("30 / 75") << 30.0 << 75 << "warning warning";
        QTest::newRow("30.01 / 76") << 30.01 << 76 << "critical critical";
    }
    void saveGrades() {
        QFETCH(double, temperature);
        QFETCH(int, humidity);
        QFETCH(QString, statuses);
        PinnedClock clock(kToday);
        TestDatabase t;
        TempHumidityRecordWindow w;
        enter(&w, temperature, humidity);
        click(&w, "btnSave");
        QCOMPARE(t.scalar("SELECT temperature_status || ' ' || humidity_status FROM temperature_record")
                     .toString(),
                 statuses);
        const QString success = "成功:温湿度记录保存成功！";
        QCOMPARE(takePrompts(":"), statuses == "normal normal"
                                       ? success
                                       : success + "|异常提醒:检测到温湿度异常，请及时处理！");
    }

    // What is stored and what the form keeps: the remark goes, the time moves to now (the next reading's
    // time), date and values stay; the today list shows the later save first. A reading dated yesterday is
    // stored but not listed today.
    void saveKeepsDateAndValues() {
        PinnedClock clock(kToday, QTime(9, 0));
        TestDatabase t;
        TempHumidityRecordWindow w;
        QCOMPARE(child<QTimeEdit>(&w, "editTime")->time(), QTime(9, 0));
        child<QTimeEdit>(&w, "editTime")->setTime(QTime(8, 15, 30));
        enter(&w, 25.5, 50, " 空调 \"正常\" ");
        click(&w, "btnSave");
        Clock::pin(QDateTime(kToday, QTime(15, 20, 5)));
        enter(&w, 0.0, 55);
        click(&w, "btnSave");
        QCOMPARE(stored(t), QString("2025-06-18 08:15:30 25.5 50 normal normal 2 张丽  空调 \"正常\" |"
                                    "2025-06-18 09:00:00 0 55 warning normal 2 张丽 "));
        QCOMPARE(child<QTimeEdit>(&w, "editTime")->time(), QTime(15, 20, 5));
        QCOMPARE(child<QDateEdit>(&w, "editDate")->date(), kToday);
        QCOMPARE(child<QDoubleSpinBox>(&w, "spinTemperature")->value(), 0.0);
        QCOMPARE(child<QSpinBox>(&w, "spinHumidity")->value(), 55);
        QCOMPARE(child<QPlainTextEdit>(&w, "editRemark")->toPlainText(), QString());
        QCOMPARE(column(&w, 1), QString("09:00:00|08:15:30"));
        QCOMPARE(column(&w, 2), QString("0|25.5"));
        QCOMPARE(total(&w), QString("今日已记录 2 条"));

        child<QDateEdit>(&w, "editDate")->setDate(kToday.addDays(-1));
        click(&w, "btnSave");
        QCOMPARE(t.count("temperature_record"), 3);
        QCOMPARE(column(&w, 1), QString("09:00:00|08:15:30"));
        QCOMPARE(total(&w), QString("今日已记录 2 条"));
    }

    // The window is kept between uses: shown again, untouched date and time fields show now, so the reading
    // carries the time it was taken; a field the user changed keeps what was typed.
    void shownAgainTakesTheCurrentTime() {
        PinnedClock clock(QDateTime(kToday, QTime(11, 57, 8)));
        TestDatabase t;
        TempHumidityRecordWindow w;
        w.show();
        w.hide();
        Clock::pin(QDateTime(kToday, QTime(11, 58, 20)));
        w.show();
        enter(&w, 20.0, 50);
        click(&w, "btnSave");
        QCOMPARE(t.scalar("SELECT record_date || ' ' || record_time FROM temperature_record").toString(),
                 QString("2025-06-18 11:58:20"));

        child<QTimeEdit>(&w, "editTime")->setTime(QTime(8, 0));
        w.hide();
        Clock::pin(QDateTime(kToday.addDays(1), QTime(0, 5)));
        w.show();
        QCOMPARE(child<QDateEdit>(&w, "editDate")->date(), kToday.addDays(1));
        QCOMPARE(child<QTimeEdit>(&w, "editTime")->time(), QTime(8, 0));
        child<QDateEdit>(&w, "editDate")->setDate(kToday);
        w.hide();
        Clock::pin(QDateTime(kToday.addDays(2), QTime(9, 0)));
        w.show();
        QCOMPARE(child<QDateEdit>(&w, "editDate")->date(), kToday);
    }

    // A failed insert says so and leaves the form as typed.
    void failedSaveKeepsTheForm() {
        PinnedClock clock(kToday, QTime(9, 0));
        TestDatabase t;
        t.exec(
            "CREATE TRIGGER refuse BEFORE INSERT ON temperature_record BEGIN SELECT RAISE(ABORT, 'no'); END");
        TempHumidityRecordWindow w;
        child<QTimeEdit>(&w, "editTime")->setTime(QTime(8, 0));
        enter(&w, 31.0, 50, "备注");
        click(&w, "btnSave");
        QCOMPARE(takePrompts(":"), QString("错误:保存失败，请重试"));
        QCOMPARE(child<QPlainTextEdit>(&w, "editRemark")->toPlainText(), QString("备注"));
        QCOMPARE(child<QTimeEdit>(&w, "editTime")->time(), QTime(8, 0));
    }

    // The history's three lists share one table and label: a range (defaults today - 7 to today), and every
    // abnormal reading of any date, warnings included, in save order. Only status cells are coloured.
    void historyLists() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addReading(t, "2025-06-10", 20.0, "normal", "normal");
        addReading(t, "2025-06-11", 29.0, "warning", "normal");
        addReading(t, "2024-01-05", 20.0, "normal", "warning");
        addReading(t, "2025-06-18", 31.0, "critical", "bogus");
        addReading(t, "2025-06-17", 20.0, "normal", "normal");
        TempHumidityRecordWindow w;
        QCOMPARE(column(&w, 0) + " " + total(&w), QString("2025-06-18 今日已记录 1 条"));
        QCOMPARE(child<QDateEdit>(&w, "editStartDate")->date(), QDate(2025, 6, 11));
        QCOMPARE(child<QDateEdit>(&w, "editEndDate")->date(), kToday);
        click(&w, "btnSearch");
        QCOMPARE(column(&w, 0), QString("2025-06-17|2025-06-18|2025-06-11"));
        QCOMPARE(total(&w), QString("共 3 条记录"));
        click(&w, "btnShowAbnormal");
        QCOMPARE(column(&w, 0), QString("2025-06-18|2024-01-05|2025-06-11"));
        QCOMPARE(column(&w, 2), QString("31|20|29"));
        QCOMPARE(column(&w, 4), QString("异常|正常|预警"));
        QCOMPARE(column(&w, 5), QString("异常|预警|正常"));
        QCOMPARE(colours(&w, 4), QString("#ff0000|-|#808000"));
        QCOMPARE(colours(&w, 5), QString("#808000|#808000|-"));
        QCOMPARE(colours(&w, 2), QString("-|-|-"));
        QCOMPARE(total(&w), QString("共 3 条异常记录"));
    }
};

KV_TEST_CLASS(TestTempHumidity)
#include "tst_temphumidity.moc"
