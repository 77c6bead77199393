#include "repositories/customerrepository.h"
#include "tests/support/logcapture.h"
#include "tests/support/testdatabase.h"

#include <QDateTime>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::models::Customer;
using kestrovalin::repositories::CustomerRepository;
using kestrovalin::test::LogCapture;
using kestrovalin::test::TestDatabase;

namespace {

QStringList names(const QList<Customer>& list) {
    QStringList out;
    for (const Customer& c : list)
        out.append(c.name);
    return out;
}

Customer customer(const QString& name, const QString& phone = QString(""),
                  const QString& address = QString("")) {
    Customer c;
    c.name = name;
    c.phone = phone;
    c.address = address;
    c.idCard = QStringLiteral("110101199001011234");
    c.remark = QStringLiteral("常客");
    return c;
}

// Rows with fixed creation times, so the order of lists is known.
void seedRegister(TestDatabase& t) {
    const QString sql =
        QStringLiteral("INSERT INTO customer (id, name, phone, address, is_default, created_at, "
                       "updated_at) VALUES (?, ?, ?, ?, 0, ?, ?)");
    t.exec(sql, {10, "张三", "13800001111", "北京市朝阳区", "2030-01-01 08:00:00", "2030-01-01 08:00:00"});
    t.exec(sql, {11, "李四", "13912345678", "上海市 138弄", "2030-01-03 08:00:00", "2030-01-03 08:00:00"});
    t.exec(sql, {12, "王五", QVariant(), QVariant(), "2030-01-02 08:00:00", "2030-01-02 08:00:00"});
    t.exec(sql, {13, "Abc药房", "021-5555", "杭州 西湖", "2029-12-31 08:00:00", "2029-12-31 08:00:00"});
    // The seeded default is the oldest row of all.
    t.exec("UPDATE customer SET created_at='2000-01-01 00:00:00' WHERE is_default=1");
}

int defaultCount(TestDatabase& t) {
    return t.count("customer", "is_default=1");
}

} // namespace

class TestCustomerRepository : public QObject {
    Q_OBJECT
private slots:
    void freshDatabaseHoldsTheRetailCustomer() {
        TestDatabase t;
        CustomerRepository repo(t.db());
        const QList<Customer> all = repo.findAll();
        QCOMPARE(all.size(), 1);
        QCOMPARE(all.first().name, QString("零售客户"));
        QVERIFY(all.first().isDefault);
        QCOMPARE(all.first().remark, QString("默认零售客户，用于未登记客户的销售"));
        const Customer def = repo.findDefault();
        QCOMPARE(def.id, all.first().id);
        QVERIFY(def.id > 0);
        QCOMPARE(repo.getDefaultCustomerId(), def.id);
    }

    void listsPutTheDefaultFirstThenTheNewest() {
        TestDatabase t;
        seedRegister(t);
        CustomerRepository repo(t.db());
        QCOMPARE(names(repo.findAll()), QStringList({"零售客户", "李四", "王五", "张三", "Abc药房"}));
        QCOMPARE(names(repo.search("市")), QStringList({"李四", "张三"}));
    }

    void searchMatchesNamePhoneAndAddressAsTyped_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("phone or address digits") << "138" << QStringList({"李四", "张三"});
        QTest::newRow("single blank is not empty") << " " << QStringList({"李四", "Abc药房"});
        QTest::newRow("ascii letters ignore case") << "abc" << QStringList({"Abc药房"});
        QTest::newRow("percent matches every row")
            << "%" << QStringList({"零售客户", "李四", "王五", "张三", "Abc药房"});
        QTest::newRow("underscore is a wildcard") << "王_" << QStringList({"王五"});
        QTest::newRow("trailing blank must match") << "杭州 " << QStringList({"Abc药房"});
        QTest::newRow("no match") << "不存在" << QStringList();
        QTest::newRow("quote is data, not SQL") << "' OR 1=1 --" << QStringList();
    }
    void searchMatchesNamePhoneAndAddressAsTyped() {
        QFETCH(QString, keyword);
        QFETCH(QStringList, expected);
        TestDatabase t;
        seedRegister(t);
        QCOMPARE(names(CustomerRepository(t.db()).search(keyword)), expected);
    }

    void insertWritesBackTheIdAndUtcTimestamps() {
        TestDatabase t;
        CustomerRepository repo(t.db());
        Customer c = customer("赵六", "13700002222", "广州市天河区");
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-2);
        QVERIFY(repo.insert(c));
        const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(2);
        QVERIFY(c.id > 0);
        const Customer back = repo.findById(c.id);
        QCOMPARE(back.id, c.id);
        QCOMPARE(back.name, c.name);
        QCOMPARE(back.phone, c.phone);
        QCOMPARE(back.address, c.address);
        QCOMPARE(back.idCard, c.idCard);
        QCOMPARE(back.remark, c.remark);
        QVERIFY(!back.isDefault);
        QCOMPARE(back.createdAt, back.updatedAt);
        QDateTime stamp = QDateTime::fromString(back.createdAt, "yyyy-MM-dd HH:mm:ss");
        stamp.setTimeSpec(Qt::UTC);
        QVERIFY2(stamp >= before && stamp <= after, qPrintable(back.createdAt));
    }

    void failedInsertLeavesTheRecordAlone() {
        TestDatabase t;
        CustomerRepository repo(t.db());
        Customer c; // null name violates NOT NULL
        c.id = 77;
        LogCapture log;
        QVERIFY(!repo.insert(c));
        QCOMPARE(c.id, 77);
        QVERIFY(log.contains("SQLite Query Error:"));
        QCOMPARE(t.count("customer"), 1);
    }

    void updateRewritesEveryColumnButCreation() {
        TestDatabase t;
        seedRegister(t);
        CustomerRepository repo(t.db());
        Customer c = repo.findById(12);
        QCOMPARE(c.phone, QString("")); // NULL reads as empty text
        c.phone = "13600000000";
        c.remark = "改过";
        QVERIFY(repo.update(c));
        const Customer back = repo.findById(12);
        QCOMPARE(back.phone, QString("13600000000"));
        QCOMPARE(back.remark, QString("改过"));
        QCOMPARE(back.createdAt, QString("2030-01-02 08:00:00"));
        QVERIFY(back.updatedAt != back.createdAt);
    }

    void missingRowsAndRemoval() {
        TestDatabase t;
        seedRegister(t);
        CustomerRepository repo(t.db());
        QCOMPARE(repo.findById(999).id, 0);
        Customer ghost = customer("无此人");
        ghost.id = 999;
        QVERIFY(repo.update(ghost));
        QVERIFY(repo.remove(999));
        QCOMPARE(t.count("customer"), 5);
        // The repository itself does not protect the default customer.
        const int def = repo.getDefaultCustomerId();
        QVERIFY(repo.remove(def));
        QCOMPARE(repo.findById(def).id, 0);
        QCOMPARE(repo.findDefault().id, 0);
        QCOMPARE(repo.getDefaultCustomerId(), 0);
    }

    void withoutAdapterNothingRuns() {
        CustomerRepository repo(nullptr);
        Customer c = customer("张三");
        QVERIFY(!repo.insert(c));
        QCOMPARE(c.id, 0);
        QVERIFY(!repo.update(c));
        QVERIFY(!repo.remove(1));
        QVERIFY(!repo.insertAsDefault(c));
        QVERIFY(!repo.updateAsDefault(c));
        QCOMPARE(repo.findById(1).id, 0);
        QVERIFY(repo.findAll().isEmpty());
        QVERIFY(repo.search("张").isEmpty());
        QCOMPARE(repo.findDefault().id, 0);
        QCOMPARE(repo.getDefaultCustomerId(), 0);
    }

    void insertAsDefaultLeavesExactlyOneDefault() {
        TestDatabase t;
        CustomerRepository repo(t.db());
        const Customer old = repo.findDefault();
        Customer c = customer("新门店客户");
        QVERIFY(repo.insertAsDefault(c));
        QVERIFY(c.id > 0);
        QVERIFY(c.isDefault);
        QCOMPARE(defaultCount(t), 1);
        QCOMPARE(repo.findDefault().id, c.id);
        const Customer former = repo.findById(old.id);
        QVERIFY(!former.isDefault);
        QCOMPARE(former.name, old.name);
        QCOMPARE(former.remark, old.remark);
        QCOMPARE(names(repo.findAll()).first(), QString("新门店客户"));
    }

    void failedDefaultWriteKeepsThePreviousDefault() {
        TestDatabase t;
        seedRegister(t);
        t.exec("CREATE TRIGGER refuse_bad_insert BEFORE INSERT ON customer WHEN NEW.name = '坏数据' "
               "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        t.exec("CREATE TRIGGER refuse_bad_update BEFORE UPDATE ON customer WHEN NEW.name = '坏数据' "
               "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        CustomerRepository repo(t.db());
        const int def = repo.getDefaultCustomerId();
        LogCapture log;

        Customer bad = customer("坏数据");
        QVERIFY(!repo.insertAsDefault(bad));
        QCOMPARE(bad.id, 0);
        QCOMPARE(repo.getDefaultCustomerId(), def);
        QCOMPARE(defaultCount(t), 1);

        Customer edited = repo.findById(10);
        edited.name = "坏数据";
        QVERIFY(!repo.updateAsDefault(edited));
        QCOMPARE(repo.getDefaultCustomerId(), def);
        QCOMPARE(repo.findById(10).name, QString("张三"));

        // A row removed meanwhile must not take the default with it.
        Customer gone = repo.findById(11);
        QVERIFY(repo.remove(11));
        QVERIFY(!repo.updateAsDefault(gone));
        QCOMPARE(repo.getDefaultCustomerId(), def);
        QCOMPARE(defaultCount(t), 1);

        // The connection is usable afterwards: nothing was left open.
        Customer good = repo.findById(10);
        QVERIFY(repo.updateAsDefault(good));
        QCOMPARE(repo.getDefaultCustomerId(), 10);
        QCOMPARE(defaultCount(t), 1);
        QVERIFY(!repo.findById(def).isDefault);
    }
};

QTEST_GUILESS_MAIN(TestCustomerRepository)
#include "tst_customerrepository.moc"
