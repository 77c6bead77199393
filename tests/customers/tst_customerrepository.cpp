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

class TestCustomerRepository : public QObject {
    Q_OBJECT
private slots:
    // Timestamps come from SQLite's UTC clock, not from the record.
    void insertUpdateAndRemoveRoundTrip() {
        TestDatabase t;
        CustomerRepository repo(t.db());
        Customer c{0, "赵六", "13700002222", "广州市天河区", "110101199001011234", "常客", "x", "y", false};
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-2);
        QVERIFY(repo.insert(c));
        QVERIFY(c.id > 1);
        Customer back = repo.findById(c.id);
        QCOMPARE((QStringList{back.name, back.phone, back.address, back.idCard, back.remark}),
                 (QStringList{c.name, c.phone, c.address, c.idCard, c.remark}));
        QCOMPARE(back.createdAt, back.updatedAt);
        QDateTime stamp = QDateTime::fromString(back.createdAt, "yyyy-MM-dd HH:mm:ss");
        stamp.setTimeSpec(Qt::UTC);
        QVERIFY2(stamp >= before && stamp <= before.addSecs(4), qPrintable(back.createdAt));

        t.exec("UPDATE customer SET created_at='2001-01-01 00:00:00' WHERE id=?", {c.id});
        back.phone = "";
        QVERIFY(repo.update(back));
        back = repo.findById(c.id);
        QCOMPARE(back.phone, QString(""));
        QCOMPARE(back.createdAt, QString("2001-01-01 00:00:00"));
        QVERIFY(back.updatedAt != back.createdAt);
        QVERIFY(repo.remove(c.id));
        QCOMPARE(repo.findById(c.id).id, 0);
        QCOMPARE(t.count("customer"), 1);
        QVERIFY(repo.search("' OR 1=1 --").isEmpty()); // a quote is data, not SQL
    }

    // Clearing the other flags and writing the customer is one transaction: a failed write keeps the previous
    // retail customer.
    void failedDefaultWriteKeepsThePreviousDefault() {
        TestDatabase t;
        t.exec("INSERT INTO customer (id, name) VALUES (10, '张三'), (11, '李四'), (12, '王五')");
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
        QCOMPARE(t.count("customer", "is_default=1"), 1);
        QCOMPARE(repo.getDefaultCustomerId(), def);

        // Nothing was left open on the connection.
        QVERIFY(repo.updateAsDefault(repo.findById(12)));
        QCOMPARE(repo.getDefaultCustomerId(), 12);
        QCOMPARE(t.count("customer", "is_default=1"), 1);
    }
};

QTEST_GUILESS_MAIN(TestCustomerRepository)
#include "tst_customerrepository.moc"
