#include "repositories/supplierrepository.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using kestrovalin::models::Supplier;
using kestrovalin::repositories::SupplierRepository;

namespace {

// Far from the machine's real date, so a query that used SQLite's own (UTC) clock would give other answers.
const QDate kToday(2031, 5, 20);

QString day(int offsetFromToday) {
    return kToday.addDays(offsetFromToday).toString("yyyy-MM-dd");
}

// A supplier whose four documents expire far ahead, except those given: licence, business licence, GSP, tax
// ("-" for an empty date).
Supplier supplierWith(const QString& name, const QStringList& dates = {}) {
    Supplier s;
    s.name = name;
    s.licenseNo = "粤AA0200001";
    s.businessScope = QStringList{"中成药", "化学药制剂"};
    s.contactPhone = "020-88886666";
    QString* fields[] = {&s.licenseExpireDate, &s.businessLicenseExpireDate, &s.gspCertExpireDate,
                         &s.taxRegExpireDate};
    for (int i = 0; i < 4; ++i) {
        const QString given = dates.value(i);
        *fields[i] = given.isEmpty() ? day(400) : given == "-" ? QString() : given;
    }
    return s;
}

QStringList names(const QList<Supplier>& list) {
    QStringList out;
    for (const Supplier& s : list)
        out << s.name;
    return out;
}

} // namespace

class TestSupplierRepository : public QObject {
    Q_OBJECT
private slots:
    void qualificationRules_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<QString>("calculated");
        QTest::addColumn<bool>("qualified");
        QTest::newRow("far ahead") << "valid" << QStringList{} << "valid" << true;
        QTest::newRow("licence today") << "valid" << QStringList{day(0)} << "expiring" << true;
        QTest::newRow("business licence +30") << "valid" << QStringList{"", day(30)} << "expiring" << true;
        QTest::newRow("gsp +31") << "valid" << QStringList{"", "", day(31)} << "valid" << true;
        QTest::newRow("tax yesterday") << "valid" << QStringList{"", "", "", day(-1)} << "expired" << false;
        QTest::newRow("expired wins") << "valid" << QStringList{day(3), day(-3)} << "expired" << false;
        QTest::newRow("no dates") << "valid" << QStringList{"-", "-", "-", "-"} << "valid" << true;
        QTest::newRow("slashes") << "valid" << QStringList{"", kToday.addDays(-5).toString("yyyy/MM/dd")}
                                 << "valid" << false;
        QTest::newRow("stored expiring") << "expiring" << QStringList{} << "valid" << false;
    }
    void qualificationRules() {
        QFETCH(QString, stored);
        QFETCH(QStringList, dates);
        PinnedClock pin(kToday, QTime(0, 10));
        TestDatabase t;
        SupplierRepository repo(t.db());
        Supplier s = supplierWith("甲", dates);
        QTEST(SupplierRepository::calculateQualificationStatus(s), "calculated");
        s.qualificationStatus = stored;
        const int id = repo.insert(s);
        QTEST(repo.isSupplierQualified(id), "qualified");
        QVERIFY(repo.remove(id));
        QVERIFY(!repo.isSupplierQualified(id));
    }

    // What insert and update are given is stored; only an empty status is worked out from the dates. The
    // business scope round-trips through one comma-joined text.
    void storedAsGiven() {
        PinnedClock pin(kToday);
        TestDatabase t;
        SupplierRepository repo(t.db());
        Supplier s = supplierWith("丁", {day(-10)});
        const int given = repo.insert(s);
        s.qualificationStatus.clear();
        QCOMPARE(repo.findById(repo.insert(s)).qualificationStatus, QString("expired"));
        s = repo.findById(given);
        QCOMPARE(
            (QStringList{s.name, s.licenseNo, s.contactPhone, s.licenseExpireDate, s.qualificationStatus}),
            (QStringList{"丁", "粤AA0200001", "020-88886666", day(-10), "valid"}));
        QCOMPARE(s.businessScope, (QStringList{"中成药", "化学药制剂"}));
        QCOMPARE(t.scalar("SELECT business_scope FROM supplier").toString(), QString("中成药,化学药制剂"));
        s.qualificationStatus.clear();
        s.licenseExpireDate = day(10);
        QVERIFY(repo.update(s));
        QCOMPARE(repo.findById(given).qualificationStatus, QString("expiring"));
        t.exec("UPDATE supplier SET business_scope = ',,'");
        QVERIFY(repo.findById(given).businessScope.isEmpty());
        QCOMPARE(repo.findById(given + 5).id, -1);
    }

    void removeSuspendsEverywhereButFindById() {
        PinnedClock pin(kToday);
        TestDatabase t;
        SupplierRepository repo(t.db());
        repo.insert(supplierWith("华润医药"));
        const int gone = repo.insert(supplierWith("华东医药", {day(5), day(-5)}));
        QCOMPARE(names(repo.findExpiring(30)), QStringList{"华东医药"});
        QCOMPARE(names(repo.findExpired()), QStringList{"华东医药"});
        QCOMPARE(names(repo.searchByName("")), (QStringList{"华东医药", "华润医药"}));

        QVERIFY(repo.remove(gone));
        QCOMPARE(repo.findById(gone).status, QString("suspended"));
        QCOMPARE(names(repo.findAll()), QStringList{"华润医药"});
        QCOMPARE(names(repo.searchByName("华")), QStringList{"华润医药"});
        QCOMPARE(repo.count(), 1);
        QVERIFY(repo.findExpiring(30).isEmpty() && repo.findExpired().isEmpty());
    }

    void expiryListsUseTheLocalDate_data() {
        QTest::addColumn<int>("dateIndex");
        QTest::addColumn<QVariant>("date"); // an invalid QVariant is stored as NULL
        QTest::addColumn<int>("expiring");
        QTest::addColumn<int>("expired");
        QTest::newRow("today") << 0 << QVariant(day(0)) << 1 << 0;
        QTest::newRow("+30") << 1 << QVariant(day(30)) << 1 << 0;
        QTest::newRow("+31") << 2 << QVariant(day(31)) << 0 << 0;
        QTest::newRow("yesterday") << 3 << QVariant(day(-1)) << 0 << 1;
        QTest::newRow("empty text") << 0 << QVariant(QString("")) << 0 << 1;
        QTest::newRow("null") << 1 << QVariant() << 0 << 0;
    }
    void expiryListsUseTheLocalDate() {
        QFETCH(int, dateIndex);
        QFETCH(QVariant, date);
        PinnedClock pin(kToday, QTime(0, 10)); // in UTC+8 the UTC date is still yesterday
        TestDatabase t;
        SupplierRepository repo(t.db());
        repo.insert(supplierWith("戊"));
        const char* const columns[] = {"license_expire_date", "business_license_expire_date",
                                       "gsp_cert_expire_date", "tax_reg_expire_date"};
        t.exec(QString("UPDATE supplier SET %1 = ?").arg(columns[dateIndex]), {date});
        QTEST(repo.findExpiring(30).size(), "expiring");
        QTEST(repo.findExpired().size(), "expired");
    }

    // The refresh rewrites only changed statuses, and all of them or none.
    void refreshIsOneTransaction() {
        PinnedClock pin(kToday);
        TestDatabase t;
        SupplierRepository repo(t.db());
        const int fine = repo.insert(supplierWith("甲"));
        const int soon = repo.insert(supplierWith("乙", {"", "", day(7)}));
        const int late = repo.insert(supplierWith("丙", {"", "", "", day(-7)}));
        const int paused = repo.insert(supplierWith("丁", {day(-7)}));
        repo.remove(paused);
        t.exec("UPDATE supplier SET updated_at = NULL");
        const auto statuses = [&] {
            QStringList out;
            for (int id : {fine, soon, late, paused})
                out << repo.findById(id).qualificationStatus;
            return out;
        };
        t.exec("CREATE TRIGGER refuse BEFORE UPDATE ON supplier WHEN NEW.name = '丙' "
               "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        LogCapture log;
        repo.refreshAllQualificationStatus();
        QCOMPARE(statuses(), (QStringList{"valid", "valid", "valid", "valid"}));
        QVERIFY(log.contains("Supplier qualification refresh failed for id:"));

        t.exec("DROP TRIGGER refuse");
        repo.refreshAllQualificationStatus();
        QCOMPARE(statuses(), (QStringList{"valid", "expiring", "expired", "valid"}));
        QCOMPARE(t.count("supplier", "updated_at IS NOT NULL"), 2);
    }
};

QTEST_GUILESS_MAIN(TestSupplierRepository)
#include "tst_supplierrepository.moc"
