#include "repositories/supplierrepository.h"
#include "tests/masterdata/masterdatafixtures.h"
#include "tests/support/pinnedclock.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using kestrovalin::models::Supplier;
using kestrovalin::repositories::SupplierRepository;

namespace {

const char* const kDateColumns[] = {"license_expire_date", "business_license_expire_date",
                                    "gsp_cert_expire_date", "tax_reg_expire_date"};

// A supplier whose four documents expire far ahead, with one date (by index) replaced.
Supplier supplierWith(const QString& name, int dateIndex = -1, const QString& date = QString()) {
    Supplier s;
    s.name = name;
    s.licenseNo = "粤AA0200001";
    s.businessLicenseNo = "91440101MA5C000001";
    s.businessScope = QStringList{"中成药", "化学药制剂"};
    s.address = "广州市天河区";
    s.contactName = "王经理";
    s.contactPhone = "020-88886666";
    s.gspCertNo = "C-GD-20-0001";
    s.taxRegNo = "440101000000001";
    QString* dates[] = {&s.licenseExpireDate, &s.businessLicenseExpireDate, &s.gspCertExpireDate,
                        &s.taxRegExpireDate};
    for (QString* d : dates)
        *d = day(400);
    if (dateIndex >= 0)
        *dates[dateIndex] = date;
    return s;
}

QStringList fields(const Supplier& s) {
    return QStringList() << QString::number(s.id) << s.name << s.licenseNo << s.businessLicenseNo
                         << s.businessScope.join('|') << s.address << s.contactName << s.contactPhone
                         << s.licenseExpireDate << s.businessLicenseExpireDate << s.gspCertNo
                         << s.gspCertExpireDate << s.taxRegNo << s.taxRegExpireDate << s.qualificationStatus
                         << s.status;
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
        QTest::addColumn<int>("dateIndex");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("calculated");
        QTest::addColumn<bool>("qualified");
        const QString slashes = kToday.addDays(-5).toString("yyyy/MM/dd");
        QTest::newRow("far ahead") << "valid" << -1 << QString() << "valid" << true;
        QTest::newRow("licence today") << "valid" << 0 << day(0) << "expiring" << true;
        QTest::newRow("business licence +30") << "valid" << 1 << day(30) << "expiring" << true;
        QTest::newRow("gsp +31") << "valid" << 2 << day(31) << "valid" << true;
        QTest::newRow("tax yesterday") << "valid" << 3 << day(-1) << "expired" << false;
        QTest::newRow("empty date") << "valid" << 0 << QString() << "valid" << true;
        QTest::newRow("slashes") << "valid" << 1 << slashes << "valid" << false;
        QTest::newRow("stored expiring") << "expiring" << -1 << QString() << "valid" << false;
        QTest::newRow("stored expired") << "expired" << -1 << QString() << "valid" << false;
    }

    void qualificationRules() {
        QFETCH(QString, stored);
        QFETCH(int, dateIndex);
        QFETCH(QString, date);
        PinnedClock pin(kToday, QTime(0, 10));
        TestDatabase t;
        SupplierRepository repo(t.db());
        Supplier s = supplierWith("甲", dateIndex, date);
        QTEST(SupplierRepository::calculateQualificationStatus(s), "calculated");
        s.qualificationStatus = stored;
        const int id = repo.insert(s);
        QTEST(repo.isSupplierQualified(id), "qualified");
        QVERIFY(repo.remove(id));
        QVERIFY(!repo.isSupplierQualified(id));
    }

    void expiredWinsAndNoDatesIsValid() {
        PinnedClock pin(kToday);
        Supplier s = supplierWith("乙", 0, day(3));
        s.taxRegExpireDate = day(-3);
        QCOMPARE(SupplierRepository::calculateQualificationStatus(s), QString("expired"));
        QCOMPARE(SupplierRepository::calculateQualificationStatus(Supplier()), QString("valid"));
        QVERIFY(!SupplierRepository(nullptr).isSupplierQualified(1));
    }

    void storedQualificationIsWhatIsGiven() {
        PinnedClock pin(kToday);
        TestDatabase t;
        SupplierRepository repo(t.db());
        Supplier s = supplierWith("丁", 0, day(-10));
        const int given = repo.insert(s);
        s.qualificationStatus.clear();
        const int computed = repo.insert(s);
        QCOMPARE(repo.findById(given).qualificationStatus, QString("valid"));
        QCOMPARE(repo.findById(computed).qualificationStatus, QString("expired"));
        s = repo.findById(given);
        s.qualificationStatus.clear();
        s.licenseExpireDate = day(10);
        QVERIFY(repo.update(s));
        QCOMPARE(repo.findById(given).qualificationStatus, QString("expiring"));
    }

    void recordRoundTrips() {
        TestDatabase t;
        SupplierRepository repo(t.db());
        Supplier s = supplierWith("九州通医药集团");
        s.id = repo.insert(s);
        QCOMPARE(fields(repo.findById(s.id)), fields(s));
        QCOMPARE(t.scalar("SELECT business_scope FROM supplier").toString(), QString("中成药,化学药制剂"));
        s.contactPhone = "13800138000";
        s.businessScope.clear();
        s.status = "suspended";
        QVERIFY(repo.update(s));
        const Supplier back = repo.findById(s.id);
        QCOMPARE(fields(back), fields(s));
        QVERIFY(!back.updatedAt.isEmpty());
        QCOMPARE(repo.findById(s.id + 1).id, -1);
    }

    void removeSuspendsEverywhereButFindById() {
        PinnedClock pin(kToday);
        TestDatabase t;
        SupplierRepository repo(t.db());
        repo.insert(supplierWith("华润医药"));
        Supplier doomed = supplierWith("华东医药", 0, day(5));
        doomed.businessLicenseExpireDate = day(-5);
        const int gone = repo.insert(doomed);
        QCOMPARE(names(repo.findExpiring(30)), QStringList{"华东医药"});
        QCOMPARE(names(repo.findExpired()), QStringList{"华东医药"});
        QCOMPARE(names(repo.searchByName("")), (QStringList{"华东医药", "华润医药"}));
        QCOMPARE(repo.count(), 2);

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
        t.exec(QString("UPDATE supplier SET %1 = ?").arg(kDateColumns[dateIndex]), {date});
        QTEST(repo.findExpiring(30).size(), "expiring");
        QTEST(repo.findExpired().size(), "expired");
    }

    void refreshRewritesOnlyChangedStatuses() {
        PinnedClock pin(kToday);
        TestDatabase t;
        SupplierRepository repo(t.db());
        const int fine = repo.insert(supplierWith("甲"));
        const int soon = repo.insert(supplierWith("乙", 2, day(7)));
        const int late = repo.insert(supplierWith("丙", 3, day(-7)));
        const int paused = repo.insert(supplierWith("丁", 0, day(-7)));
        repo.remove(paused);
        t.exec("UPDATE supplier SET updated_at = NULL");
        repo.refreshAllQualificationStatus();
        QStringList statuses;
        for (int id : {fine, soon, late, paused})
            statuses << repo.findById(id).qualificationStatus;
        QCOMPARE(statuses, (QStringList{"valid", "expiring", "expired", "valid"}));
        QCOMPARE(t.count("supplier", "updated_at IS NOT NULL"), 2);
    }
};

QTEST_GUILESS_MAIN(TestSupplierRepository)
#include "tst_supplierrepository.moc"
