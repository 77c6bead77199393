#include "repositories/temphumidityrepository.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using kestrovalin::models::TempHumidityRecord;
using kestrovalin::repositories::TempHumidityRepository;
using kestrovalin::test::LogCapture;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

namespace {

using Repo = TempHumidityRepository;

TempHumidityRecord reading(const QString& date, const QString& time, double temperature = 22.5,
                           int humidity = 55, const QString& temperatureStatus = "normal",
                           const QString& humidityStatus = "normal") {
    TempHumidityRecord r;
    r.recordDate = date;
    r.recordTime = time;
    r.temperature = temperature;
    r.humidity = humidity;
    r.temperatureStatus = temperatureStatus;
    r.humidityStatus = humidityStatus;
    r.notes = QStringLiteral("空调正常运行");
    r.operatorId = 1;
    r.operatorName = QStringLiteral("系统管理员");
    return r;
}

QList<int> ids(const QList<TempHumidityRecord>& records) {
    QList<int> out;
    for (const TempHumidityRecord& r : records)
        out << r.id;
    return out;
}

} // namespace

class TestTempHumidityRepository : public QObject {
    Q_OBJECT
private slots:
    void temperatureStatus_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("status");
        QTest::newRow("-0.01") << -0.01 << "critical";
        QTest::newRow("0") << 0.0 << "warning";
        QTest::newRow("1.5") << 1.5 << "warning";
        QTest::newRow("1.51") << 1.51 << "normal";
        QTest::newRow("20") << 20.0 << "normal";
        QTest::newRow("28.49") << 28.49 << "normal";
        QTest::newRow("28.5") << 28.5 << "warning";
        QTest::newRow("30") << 30.0 << "warning";
        QTest::newRow("30.01") << 30.01 << "critical";
        QTest::newRow("-15") << -15.0 << "critical";
    }
    void temperatureStatus() {
        QFETCH(double, value);
        QFETCH(QString, status);
        QCOMPARE(Repo::calculateStatus(value, Repo::kTemperatureMin, Repo::kTemperatureMax), status);
    }

    void humidityStatus_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("status");
        const QList<QPair<int, const char*>> table = {{34, "critical"}, {35, "warning"}, {36, "warning"},
                                                      {37, "warning"},  {38, "normal"},  {55, "normal"},
                                                      {72, "normal"},   {73, "warning"}, {74, "warning"},
                                                      {75, "warning"},  {76, "critical"}};
        for (const auto& row : table)
            QTest::newRow(QByteArray::number(row.first).constData()) << row.first << QString(row.second);
    }
    void humidityStatus() {
        QFETCH(int, value);
        QFETCH(QString, status);
        QCOMPARE(Repo::calculateStatus(value, Repo::kHumidityMin, Repo::kHumidityMax), status);
    }

    void statusLabels() {
        QCOMPARE((QStringList{Repo::statusLabel("normal"), Repo::statusLabel("warning"),
                              Repo::statusLabel("critical"), Repo::statusLabel("Normal")}),
                 (QStringList{"正常", "预警", "异常", "异常"}));
    }

    void insertedReadingReadsBack() {
        TestDatabase t;
        Repo repo(t.db());
        TempHumidityRecord r = reading("2026-03-01", "09:30:00", 26.75, 73, "normal", "warning");
        r.id = 999;
        r.createdAt = "2026-03-01 09:30:00";
        const int id = repo.insert(r);
        QVERIFY(id > 0);
        QVERIFY(id != 999);
        const TempHumidityRecord back = repo.findById(id);
        QCOMPARE(back.id, id);
        QCOMPARE(back.recordDate, QStringLiteral("2026-03-01"));
        QCOMPARE(back.recordTime, QStringLiteral("09:30:00"));
        QCOMPARE(back.temperature, 26.75);
        QCOMPARE(back.humidity, 73);
        QCOMPARE(back.temperatureStatus, QStringLiteral("normal"));
        QCOMPARE(back.humidityStatus, QStringLiteral("warning"));
        QCOMPARE(back.notes, QStringLiteral("空调正常运行"));
        QCOMPARE(back.operatorId, 1);
        QCOMPARE(back.operatorName, QStringLiteral("系统管理员"));
        QCOMPARE(back.createdAt, QString()); // not written
        QCOMPARE(repo.findById(id + 1).id, 0);
    }

    void listsNewestSavedFirst() {
        TestDatabase t;
        Repo repo(t.db());
        const int a = repo.insert(reading("2026-03-01", "15:00:00"));
        const int b = repo.insert(reading("2026-03-01", "09:00:00")); // saved later, read earlier
        const int c = repo.insert(reading("2026-02-28", "09:00:00"));
        const int d = repo.insert(reading("2026-03-02", "09:00:00"));
        QCOMPARE(ids(repo.findByDate("2026-03-01")), (QList<int>{b, a}));
        QCOMPARE(ids(repo.findByDateRange("2026-02-28", "2026-03-02")), (QList<int>{d, c, b, a}));
        QCOMPARE(ids(repo.findByDateRange("2026-03-01", "2026-03-01")), (QList<int>{b, a}));
        QVERIFY(repo.findByDateRange("2026-03-02", "2026-03-01").isEmpty());
    }

    void abnormalIncludesWarnings() {
        TestDatabase t;
        Repo repo(t.db());
        repo.insert(reading("2026-03-01", "09:00:00"));
        const int humidityWarning =
            repo.insert(reading("2026-03-01", "10:00:00", 22.0, 74, "normal", "warning"));
        repo.insert(reading("2026-03-02", "09:00:00"));
        const int hot = repo.insert(reading("2025-07-20", "14:00:00", 31.2, 60, "critical", "normal"));
        QCOMPARE(ids(repo.findAbnormalRecords()), (QList<int>{hot, humidityWarning}));
    }

    // "Today" is the program's local date, not the day the row was saved or SQLite's UTC date.
    void todayFollowsTheLocalDate() {
        TestDatabase t;
        Repo repo(t.db());
        repo.insert(reading("2026-02-28", "23:50:00"));
        {
            PinnedClock pin(QDate(2026, 3, 1), QTime(0, 20));
            QVERIFY(!repo.hasRecordToday());
            QCOMPARE(repo.countTodayRecords(), 0);
            QVERIFY(repo.findTodayRecords().isEmpty());
            repo.insert(reading("2026-03-01", "00:20:00"));
            repo.insert(reading("2026-03-01", "07:30:00"));
            QVERIFY(repo.hasRecordToday());
            QCOMPARE(repo.countTodayRecords(), 2);
            QCOMPARE(repo.findTodayRecords().size(), 2);
        }
        PinnedClock pin(QDate(2026, 3, 2), QTime(7, 59));
        QVERIFY(!repo.hasRecordToday());
    }

    void failuresGiveEmptyResults() {
        Repo none(nullptr);
        QCOMPARE(none.insert(reading("2026-03-01", "09:00:00")), -1);
        QVERIFY(none.findByDateRange("2026-01-01", "2026-12-31").isEmpty());
        QVERIFY(!none.hasRecordToday());

        TestDatabase t;
        Repo repo(t.db());
        LogCapture log;
        QCOMPARE(repo.insert(reading(QString(), "09:00:00")), -1); // record_date is NOT NULL
        QCOMPARE(log.count(QtCriticalMsg, "TempHumidity insert failed:"), 1);
        QCOMPARE(t.count("temperature_record"), 0);
    }
};

QTEST_GUILESS_MAIN(TestTempHumidityRepository)
#include "tst_temphumidityrepository.moc"
