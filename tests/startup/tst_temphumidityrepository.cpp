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
    // Within 5% of the range from either limit is a warning, outside the range critical.
    void status_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("humidity");
        const QList<QPair<double, const char*>> temperature = {
            {-0.01, "critical"}, {0, "warning"},    {1.5, "warning"}, {1.51, "normal"},
            {28.49, "normal"},   {28.5, "warning"}, {30, "warning"},  {30.01, "critical"}};
        const QList<QPair<double, const char*>> humidity = {
            {34, "critical"}, {35, "warning"}, {37, "warning"}, {38, "normal"},
            {72, "normal"},   {73, "warning"}, {75, "warning"}, {76, "critical"}};
        for (const auto& row : temperature)
            QTest::newRow(qPrintable(QString("%1 C").arg(row.first)))
                << row.first << QString(row.second) << false;
        for (const auto& row : humidity)
            QTest::newRow(qPrintable(QString("%1 %").arg(row.first)))
                << row.first << QString(row.second) << true;
    }
    void status() {
        QFETCH(double, value);
        QFETCH(bool, humidity);
        if (humidity)
            QTEST(Repo::calculateStatus(int(value), Repo::kHumidityMin, Repo::kHumidityMax), "status");
        else
            QTEST(Repo::calculateStatus(value, Repo::kTemperatureMin, Repo::kTemperatureMax), "status");
    }

    void insertedReadingReadsBack() {
        TestDatabase t;
        Repo repo(t.db());
        TempHumidityRecord r = reading("2026-03-01", "09:30:00", 26.75, 73, "normal", "warning");
        r.id = 999;
        r.createdAt = "2026-03-01 09:30:00";
        const int id = repo.insert(r);
        QVERIFY(id > 0 && id != 999);
        const TempHumidityRecord b = repo.findById(id);
        QCOMPARE(
            (QStringList{QString::number(b.id), b.recordDate, b.recordTime, QString::number(b.temperature),
                         QString::number(b.humidity), b.temperatureStatus, b.humidityStatus, b.notes,
                         QString::number(b.operatorId), b.operatorName, b.createdAt}),
            (QStringList{QString::number(id), "2026-03-01", "09:30:00", "26.75", "73", "normal", "warning",
                         "空调正常运行", "1", "系统管理员", ""}));
        QCOMPARE(repo.findById(id + 1).id, 0);
    }

    // Newest saved first; the abnormal list includes warnings.
    void lists() {
        TestDatabase t;
        Repo repo(t.db());
        const int a = repo.insert(reading("2026-03-01", "15:00:00"));
        const int b = repo.insert(reading("2026-03-01", "09:00:00", 22.0, 74, "normal", "warning"));
        const int c = repo.insert(reading("2026-02-28", "09:00:00"));
        const int d = repo.insert(reading("2025-07-20", "14:00:00", 31.2, 60, "critical", "normal"));
        QCOMPARE(ids(repo.findByDate("2026-03-01")), (QList<int>{b, a}));
        QCOMPARE(ids(repo.findByDateRange("2026-02-28", "2026-03-01")), (QList<int>{c, b, a}));
        QCOMPARE(ids(repo.findAbnormalRecords()), (QList<int>{d, b}));
    }

    // "Today" is the program's local date, not the day the row was saved or SQLite's UTC date.
    void todayFollowsTheLocalDate() {
        TestDatabase t;
        Repo repo(t.db());
        repo.insert(reading("2026-02-28", "23:50:00"));
        {
            PinnedClock pin(QDate(2026, 3, 1), QTime(0, 20));
            QVERIFY(!repo.hasRecordToday());
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
        QVERIFY(none.findByDateRange("2026-01-01", "2026-12-31").isEmpty() && !none.hasRecordToday());

        TestDatabase t;
        LogCapture log;
        QCOMPARE(Repo(t.db()).insert(reading(QString(), "09:00:00")), -1); // record_date is NOT NULL
    }
};

QTEST_GUILESS_MAIN(TestTempHumidityRepository)
#include "tst_temphumidityrepository.moc"
