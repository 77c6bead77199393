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

// Rows with fixed creation times so the order of lists is known; the seeded default is the oldest row.
void seedRegister(TestDatabase& t) {
    const QString sql =
        QStringLiteral("INSERT INTO customer (id, name, phone, address, created_at, updated_at) "
                       "VALUES (?, ?, ?, ?, ?, ?)");
    t.exec(sql, {10, "张三", "13800001111", "北京市朝阳区", "2030-01-01 08:00:00", "2030-01-01 08:00:00"});
    t.exec(sql, {11, "李四", "13912345678", "上海市 138弄", "2030-01-03 08:00:00", "2030-01-03 08:00:00"});
    t.exec(sql, {12, "王五", QVariant(), QVariant(), "2030-01-02 08:00:00", "2030-01-02 08:00:00"});
    t.exec(sql, {13, "Abc药房", "021-5555", "杭州 西湖", "2029-12-31 08:00:00", "2029-12-31 08:00:00"});
    t.exec("UPDATE customer SET created_at='2000-01-01 00:00:00' WHERE is_default=1");
}

} // namespace

class TestCustomerRepository : public QObject {
    Q_OBJECT
private slots:
    void freshDatabaseHoldsTheRetailCustomer() {
        TestDatabase t;
        CustomerRepository repo(t.db());
        const QList<Customer> all = repo.findAll();
        QCOMPARE(names(all), QStringList({"零售客户"}));
        QVERIFY(all.first().isDefault);
        QCOMPARE(all.first().remark, QString("默认零售客户，用于未登记客户的销售"));
        QCOMPARE(repo.findDefault().id, all.first().id);
        QCOMPARE(repo.getDefaultCustomerId(), all.first().id);
    }

    void searchMatchesNamePhoneAndAddressAsTyped_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("expected");
        // Empty keyword stands for findAll: default first even when oldest, then newest first.
        QTest::newRow("all") << "" << QStringList({"零售客户", "李四", "王五", "张三", "Abc药房"});
        QTest::newRow("phone or address digits") << "138" << QStringList({"李四", "张三"});
        QTest::newRow("single blank is not empty") << " " << QStringList({"李四", "Abc药房"});
        QTest::newRow("ascii letters ignore case") << "abc" << QStringList({"Abc药房"});
        QTest::newRow("percent matches every row")
            << "%" << QStringList({"零售客户", "李四", "王五", "张三", "Abc药房"});
        QTest::newRow("underscore is a wildcard") << "王_" << QStringList({"王五"});
        QTest::newRow("quote is data, not SQL") << "' OR 1=1 --" << QStringList();
    }
    void searchMatchesNamePhoneAndAddressAsTyped() {
        QFETCH(QString, keyword);
        QFETCH(QStringList, expected);
        TestDatabase t;
        seedRegister(t);
        CustomerRepository repo(t.db());
        QCOMPARE(names(keyword.isEmpty() ? repo.findAll() : repo.search(keyword)), expected);
    }

    void insertUpdateAndRemoveRoundTrip() {
        TestDatabase t;
        CustomerRepository repo(t.db());
        Customer c{0, "赵六", "13700002222", "广州市天河区", "110101199001011234", "常客", "x", "y", true};
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-2);
        QVERIFY(repo.insert(c));
        const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(2);
        QVERIFY(c.id > 1);
        Customer back = repo.findById(c.id);
        QCOMPARE(QStringList({back.name, back.phone, back.address, back.idCard, back.remark}),
                 QStringList({c.name, c.phone, c.address, c.idCard, c.remark}));
        QVERIFY(back.isDefault);
        QCOMPARE(back.createdAt, back.updatedAt); // written by SQLite in UTC, not from the record
        QDateTime stamp = QDateTime::fromString(back.createdAt, "yyyy-MM-dd HH:mm:ss");
        stamp.setTimeSpec(Qt::UTC);
        QVERIFY2(stamp >= before && stamp <= after, qPrintable(back.createdAt));

        t.exec("UPDATE customer SET created_at='2001-01-01 00:00:00' WHERE id=?", {c.id});
        back.phone = "";
        back.isDefault = false;
        QVERIFY(repo.update(back));
        back = repo.findById(c.id);
        QCOMPARE(back.phone, QString(""));
        QVERIFY(!back.isDefault);
        QCOMPARE(back.createdAt, QString("2001-01-01 00:00:00"));
        QVERIFY(back.updatedAt != back.createdAt);

        // Gone rows: updates and deletes still report an executed statement.
        QVERIFY(repo.remove(c.id));
        QCOMPARE(repo.findById(c.id).id, 0);
        QVERIFY(repo.update(back));
        QVERIFY(repo.remove(c.id));
        QCOMPARE(t.count("customer"), 1);
    }

    void withoutAdapterNothingRuns() {
        CustomerRepository repo(nullptr);
        Customer c{5, "张三", "", "", "", "", "", "", true};
        QVERIFY(!repo.insert(c) && !repo.insertAsDefault(c) && !repo.update(c) && !repo.updateAsDefault(c));
        QVERIFY(!repo.remove(5));
        QCOMPARE(c.id, 5);
        QVERIFY(repo.findAll().isEmpty() && repo.search("张").isEmpty());
        QCOMPARE(repo.findById(5).id + repo.findDefault().id + repo.getDefaultCustomerId(), 0);
    }

    void makingADefaultMovesTheFlag() {
        TestDatabase t;
        seedRegister(t);
        CustomerRepository repo(t.db());
        const Customer old = repo.findDefault();
        Customer c{0, "新门店客户", "", "", "", "", "", "", true};
        QVERIFY(repo.insertAsDefault(c));
        QVERIFY(c.id > 0);
        QCOMPARE(t.count("customer", "is_default=1"), 1);
        QCOMPARE(repo.getDefaultCustomerId(), c.id);
        QCOMPARE(repo.findById(old.id).remark, old.remark); // the former default keeps its data

        QVERIFY(repo.updateAsDefault(repo.findById(10)));
        QCOMPARE(t.count("customer", "is_default=1"), 1);
        QCOMPARE(repo.getDefaultCustomerId(), 10);
        QCOMPARE(names(repo.findAll()).first(), QString("张三"));
    }

    void failedDefaultWriteKeepsThePreviousDefault() {
        TestDatabase t;
        seedRegister(t);
        for (const char* when : {"INSERT", "UPDATE"})
            t.exec(QString("CREATE TRIGGER refuse_%1 BEFORE %1 ON customer WHEN NEW.name = '坏数据' "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                       .arg(when));
        CustomerRepository repo(t.db());
        const int def = repo.getDefaultCustomerId();
        LogCapture log;

        Customer bad{0, "坏数据", "", "", "", "", "", "", true};
        QVERIFY(!repo.insertAsDefault(bad));
        QCOMPARE(bad.id, 0);
        QVERIFY(log.contains("SQLite Query Error:"));
        QCOMPARE(repo.getDefaultCustomerId(), def);

        Customer edited = repo.findById(10);
        edited.name = "坏数据";
        QVERIFY(!repo.updateAsDefault(edited));
        QCOMPARE(repo.findById(10).name, QString("张三"));
        QCOMPARE(repo.getDefaultCustomerId(), def);

        // A row removed meanwhile must not take the default with it.
        const Customer gone = repo.findById(11);
        QVERIFY(repo.remove(11));
        QVERIFY(!repo.updateAsDefault(gone));
        QCOMPARE(repo.getDefaultCustomerId(), def);
        QCOMPARE(t.count("customer", "is_default=1"), 1);

        // Nothing was left open on the connection.
        QVERIFY(repo.updateAsDefault(repo.findById(12)));
        QCOMPARE(repo.getDefaultCustomerId(), 12);
    }
};

QTEST_GUILESS_MAIN(TestCustomerRepository)
#include "tst_customerrepository.moc"
