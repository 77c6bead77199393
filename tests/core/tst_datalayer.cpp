#include "core/backgroundrow.h"
#include "core/documentnumber.h"
#include "core/numbertext.h"
#include "core/rowreader.h"
#include "core/transaction.h"
#include "repositories/customerrepository.h"
#include "repositories/guardedstatus.h"
#include "repositories/inventorycheckrepository.h"
#include "repositories/returnrepository.h"
#include "repositories/salesrepository.h"
#include "repositories/stockmovement.h"
#include "repositories/supplierrepository.h"
#include "repositories/userrepository.h"
#include "tests/returns/returnseed.h"
#include "tests/support/datarows.h"
#include "tests/support/faultyadapter.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"

#include <QRandomGenerator>
#include <QtTest>

#include <atomic>
#include <memory>

using namespace kestrovalin;
using namespace kestrovalin::repositories;
using namespace kestrovalin::test;

namespace {

// Before 08:00 local time, where the local and the UTC date differ.
const QDateTime kNow(QDate(2026, 3, 1), QTime(7, 5, 9));

// Column x of every row, joined.
QString column(TestDatabase& t, const QString& sql, const QString& separator = ",") {
    return t.scalar("SELECT group_concat(x, ?) FROM (" + sql + ")", {separator}).toString();
}

QString names(TestDatabase& t) {
    return column(t, "SELECT name AS x FROM customer WHERE name <> '零售客户' ORDER BY id");
}

void addCustomer(IDbAdapter* db, const QString& name) {
    QVERIFY(db->execute("INSERT INTO customer (name) VALUES (?)", {name}));
}

// Batches as "product/batch/quantity/rejected/expiry;..." with ids from 1.
void seedBatches(TestDatabase& t, const QString& seed) {
    for (const QString& batch : seed.split(';', Qt::SkipEmptyParts)) {
        const QStringList f = batch.split('/');
        t.exec("INSERT INTO inventory_batch (product_id, batch_no, quantity, rejected_quantity, expiry_date) "
               "VALUES (?, ?, ?, ?, ?)",
               {f[0].toInt(), f[1], f[2].toInt(), f[3].toInt(), f[4]});
    }
}

// "id:quantity:rejected" of every batch, by id.
QString stockState(TestDatabase& t) {
    return column(t,
                  "SELECT id || ':' || quantity || ':' || rejected_quantity AS x FROM inventory_batch "
                  "ORDER BY id",
                  " ");
}

const NewBatch kNewBatch{QVariant(), QString(), "2027-06-30", 12.5, QString()};

// Sale 1 of two from batch A, purchase return 1 of one, and draft stocktaking sheet 1 counting it.
void seedDocuments(TestDatabase& t) {
    seedBatches(t, "1/A/5/0/2027-06-30");
    t.exec("INSERT INTO sales_order (id, order_no) VALUES (1, 'SAL1')");
    t.exec("INSERT INTO sales_order_item (order_id, product_id, batch_id, batch_no, production_date, "
           "expiry_date, quantity, unit_price, amount) VALUES (1, 1, 1, 'A', '2025-01-01', '2027-06-30', 2, "
           "5, 10)");
    t.exec("INSERT INTO return_order (id, return_no, return_type) VALUES (1, 'PR1', 'purchase')");
    t.exec("INSERT INTO return_order_item (return_id, product_id, batch_no, quantity) VALUES (1, 1, 'A', 1)");
    t.exec("INSERT INTO inventory_check (id, check_no, check_type, check_date, operator_id) "
           "VALUES (1, 'CHK1', 'spot', '2026-03-01', 1)");
    t.exec("INSERT INTO inventory_check_item (check_id, product_id, batch_no, production_date, expiry_date, "
           "system_quantity, actual_quantity, diff_quantity) VALUES (1, 1, 'A', '2025-01-01', '2027-06-30', "
           "5, 4, -1)");
}

// The document write that logs `action`, on the seeded documents.
bool writeDocument(IDbAdapter* db, const QString& action) {
    if (action == "新增销售单") {
        models::SalesOrderItem line;
        line.productId = 1;
        line.batchNo = "A";
        line.quantity = 1;
        models::SalesOrder order;
        return SalesRepository(db).insertOrder(order, {line});
    }
    if (action == "新增退货单" || action == "销售退回") {
        const bool sales = action == "销售退回";
        const models::ReturnOrderItem line = returnLine(1, "A", 1, sales ? "SAL1" : "");
        models::ReturnOrder order;
        ReturnRepository repo(db);
        return sales ? repo.insertSalesReturn(order, {line}) : repo.insertPurchaseReturn(order, {line});
    }
    if (action == "新增盘点单") {
        models::InventoryCheck check = InventoryCheckRepository(db).findById(1);
        return InventoryCheckRepository(db).insertCheck(check, check.items) > 0;
    }
    if (action == "作废销售单")
        return SalesRepository(db).voidOrder(1);
    if (action == "作废退货单")
        return ReturnRepository(db).voidReturn(1);
    if (action == "删除盘点单")
        return InventoryCheckRepository(db).deleteCheck(1);
    return InventoryCheckRepository(db).approveCheck(1, 1);
}

// Every document's status and every batch's quantity.
QString documentState(TestDatabase& t) {
    return t
        .scalar("SELECT ifnull((SELECT group_concat(status) FROM sales_order), '') || '/' || "
                "ifnull((SELECT group_concat(status) FROM return_order), '') || '/' || "
                "ifnull((SELECT group_concat(status) FROM inventory_check), '') || '/' || "
                "(SELECT group_concat(quantity) FROM inventory_batch)")
        .toString();
}

// Counts the log rows of an action, as the connection sees them, when a transaction commits.
class CommitProbe : public FaultyAdapter {
public:
    CommitProbe(TestDatabase& t, const QString& action) : FaultyAdapter(t.db()), m_t(t), m_action(action) {}
    bool commit() override {
        logRowsAtCommit = m_t.count("sys_operation_log", "action = ?", {m_action});
        return FaultyAdapter::commit();
    }
    int logRowsAtCommit = -1;

private:
    TestDatabase& m_t;
    QString m_action;
};

} // namespace

// Nesting transactions, reading rows, document numbers, stock movements and guarded status changes.
class TestDataLayer : public QObject {
    Q_OBJECT
private slots:
    void nestedScopes_data() {
        QTest::addColumn<bool>("innerCommits");
        QTest::addColumn<bool>("outerCommits");
        QTest::addColumn<QString>("kept");
        addRow("both commit", true, true, "甲,乙,丙");
        addRow("inner rolls back, outer work stays", false, true, "甲,丙");
        addRow("outer rollback takes the released inner work", true, false, "");
        addRow("both roll back", false, false, "");
    }
    void nestedScopes() {
        QFETCH(bool, innerCommits);
        QFETCH(bool, outerCommits);
        QFETCH(QString, kept);
        TestDatabase t;
        {
            Transaction outer(t.db());
            QVERIFY(outer.isActive());
            QVERIFY(!outer.isNested());
            addCustomer(t.db(), "甲");
            {
                Transaction inner(t.db());
                QVERIFY(inner.isActive());
                QVERIFY(inner.isNested());
                addCustomer(t.db(), "乙");
                if (innerCommits)
                    QVERIFY(inner.commit());
            }
            QVERIFY(t.db()->inTransaction());
            addCustomer(t.db(), "丙");
            if (outerCommits)
                QVERIFY(outer.commit());
        }
        QCOMPARE(t.db()->inTransaction(), false);
        QCOMPARE(names(t), kept);
    }

    // A repository method with its own transaction now runs inside a caller's one; when it fails, only its
    // own work is undone.
    void repositoryTransactionInsideCallers() {
        TestDatabase t;
        FaultyAdapter db(t.db());
        CustomerRepository repo(&db);
        models::Customer customer;
        customer.name = "张三";
        customer.isDefault = true;
        const QString defaultName = "SELECT name AS x FROM customer WHERE is_default = 1";
        {
            Transaction outer(&db);
            QVERIFY(repo.insert(customer));
            QCOMPARE(column(t, defaultName), QString("张三"));
        } // rolled back: the seeded default is the default again
        QCOMPARE(column(t, defaultName), QString("零售客户"));
        {
            LogCapture log;
            Transaction outer(&db);
            addCustomer(&db, "李四");
            db.failStatement("^INSERT INTO customer"); // the repository's insert, after it cleared the flags
            QCOMPARE(repo.insert(customer), false);
            QVERIFY(outer.commit());
        }
        QCOMPARE(names(t), QString("李四"));
        QCOMPARE(column(t, defaultName), QString("零售客户"));
        {
            Transaction outer(&db);
            QVERIFY(repo.insert(customer));
            QVERIFY(outer.commit());
        }
        QCOMPARE(column(t, defaultName), QString("张三"));
    }

    // Every step of a scope can fail; each failure is reported and leaves nothing behind.
    void failedSteps_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("innerActive");
        QTest::addColumn<bool>("innerCommitted");
        QTest::addColumn<bool>("outerCommitted");
        QTest::addColumn<QString>("kept");
        addRow("BEGIN", "begin", false, false, false, "");
        addRow("COMMIT", "commit", true, true, false, "");
        addRow("SAVEPOINT", "^SAVEPOINT", false, false, true, "甲,丙");
        addRow("RELEASE", "^RELEASE", true, false, true, "甲,丙");
    }
    void failedSteps() {
        QFETCH(QString, fault);
        QFETCH(bool, innerActive);
        QFETCH(bool, innerCommitted);
        QFETCH(bool, outerCommitted);
        QFETCH(QString, kept);
        TestDatabase t;
        FaultyAdapter db(t.db());
        if (fault == "begin")
            db.failBegin();
        else if (fault == "commit")
            db.failCommit();
        else
            db.failStatement(fault);
        LogCapture log;
        bool outerDone = false;
        {
            Transaction outer(&db);
            // Writes are skipped when the outer scope did not begin, as callers do.
            if (outer.isActive())
                addCustomer(&db, "甲");
            {
                Transaction inner(&db);
                QCOMPARE(inner.isActive(), innerActive);
                if (inner.isActive())
                    addCustomer(&db, "乙");
                QCOMPARE(inner.commit(), innerCommitted);
            }
            if (outer.isActive())
                addCustomer(&db, "丙");
            outerDone = outer.commit();
        }
        QCOMPARE(outerDone, outerCommitted);
        QCOMPARE(db.inTransaction(), false);
        QCOMPARE(names(t), kept);
    }

    void rowsReadByName() {
        TestDatabase t;
        // Mixed case, a column the statement lacks, and a mapping that reads in another order on some rows.
        const QList<QString> read =
            readList(t.db(),
                     "SELECT column1 AS Kind, column2 AS a, column3 AS b FROM (VALUES (1, 'a1', 'b1'), "
                     "(2, 'a2', 'b2'), (1, 'a3', NULL))",
                     {}, [](const Row& row) {
                         const QString missing = row.isNull("nowhere") ? "-" : "?";
                         return row.integer("kind") == 1 ? row.text("A") + row.text("b") + missing
                                                         : row.text("b") + row.text("a") + missing;
                     });
        QCOMPARE(read, (QList<QString>{"a1b1-", "b2a2-", "a3-"}));
    }

    // Callers that decide on a read can tell a failed statement from no rows.
    void failedReadsAndEmptyReads_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("withAdapter");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("first");
        QTest::addColumn<bool>("hasValue");
        addRow("rows", "SELECT id FROM sys_user UNION ALL SELECT 9", true, true, 2, 1, true);
        addRow("no rows", "SELECT id FROM sys_user WHERE id < 0", true, true, 0, -1, false);
        addRow("failed statement", "SELECT id FROM nowhere", true, false, 0, -1, false);
        addRow("no adapter", "SELECT 1", false, false, 0, -1, false);
    }
    void failedReadsAndEmptyReads() {
        QFETCH(QString, sql);
        QFETCH(bool, withAdapter);
        QFETCH(bool, ok);
        QFETCH(int, rows);
        QFETCH(int, first);
        QFETCH(bool, hasValue);
        TestDatabase t;
        IDbAdapter* db = withAdapter ? t.db() : nullptr;
        auto id = [](const Row& row) {
            return row.integer("id");
        };
        const Fetched<int> fetched = fetch(db, sql, {}, id);
        QCOMPARE(fetched.ok, ok);
        QCOMPARE(fetched.rows.size(), rows);
        QCOMPARE(readList(db, sql, {}, id).size(), rows);
        QCOMPARE(readFirst(db, sql, {}, id, -1), first);
        QCOMPARE(readValue(db, sql).has_value(), hasValue);
    }

    void valuesCountsAndChangedRows() {
        TestDatabase t;
        QCOMPARE(readValue(t.db(), "SELECT COUNT(*) FROM customer WHERE name = ?", {"零售客户"})->toInt(), 1);
        QCOMPARE(readValue(t.db(), "SELECT NULL")->isNull(), true);
        QCOMPARE(fetch(
                     t.db(), "SELECT id FROM sys_user UNION ALL SELECT 9", {},
                     [](const Row& row) { return row.integer("id"); }, 1)
                     .rows.size(),
                 1);
        addCustomer(t.db(), "甲");
        QCOMPARE(changedRows(t.db(), "UPDATE customer SET remark = ? WHERE is_default = 0", {"x"}), 1);
        QCOMPARE(changedRows(t.db(), "UPDATE customer SET remark = ?", {"y"}), 2);
        QCOMPARE(changedRows(t.db(), "UPDATE customer SET remark = ? WHERE id = ?", {"z", 99}), 0);
        QCOMPARE(changedRows(t.db(), "UPDATE nowhere SET x = 1", {}), -1);
        QCOMPARE(changedRows(nullptr, "UPDATE customer SET remark = 1", {}), -1);
    }

    // Rows handed over one at a time come in the statement's order, as the list reads them; a failed
    // statement or a missing adapter hands over none and says so.
    void rowsHandedOverOneAtATime() {
        TestDatabase t;
        const QString sql = "SELECT column1 AS n FROM (VALUES (3), (1), (2))";
        auto n = [](const Row& row) {
            return row.integer("n");
        };
        QList<int> seen;
        const auto each = [&seen](int value) {
            seen << value;
        };
        QCOMPARE(forEachRow(t.db(), sql, {}, n, each), true);
        QCOMPARE(seen, (QList<int>{3, 1, 2}));
        QCOMPARE(forEachRow(t.db(), sql, {}, n, each, 2), true);
        QCOMPARE(seen, (QList<int>{3, 1, 2, 3, 1}));
        std::optional<ReadFailure> error;
        LogCapture quiet;
        QCOMPARE(forEachRow(t.db(), "SELECT n FROM nowhere", {}, n, each, -1, &error), false);
        QCOMPARE(error.value_or(ReadFailure()).text.contains("nowhere"), true);
        QCOMPARE(forEachRow(nullptr, sql, {}, n, each), false);
        QCOMPARE(seen.size(), 5);
    }

    // A read stopped midway (interrupted after its first row) fails, through each reader and through the
    // repositories' lists that windows show: never the rows read so far as if they were all.
    void readStoppedMidwayFails_data() {
        QTest::addColumn<QString>("read");
        for (const char* read :
             {"visitRows", "fetch", "readList", "suppliers", "customers", "users", "stocktakes"})
            addRow(read, QString(read));
    }
    void readStoppedMidwayFails() {
        QFETCH(QString, read);
        TestDatabase t;
        t.exec("INSERT INTO supplier (name, status) VALUES ('国药控股', 'active'), ('九州通', 'active')");
        t.exec("INSERT INTO customer (name) VALUES ('张三'), ('李四')");
        t.exec("INSERT INTO sys_user (username, password_hash, real_name, role, status) "
               "VALUES ('li', 'x', '李娜', 'clerk', 1)");
        t.exec("INSERT INTO inventory_check (check_no, check_type, check_date, operator_id, status) VALUES "
               "('CHK1', 'full', '2031-05-20', 1, 'draft'), ('CHK2', 'full', '2031-05-21', 1, 'draft')");
        FaultyAdapter db(t.db());
        db.interruptReads("^SELECT");
        LogCapture quiet;
        const ReadWatch watch;
        const QString sql = "SELECT name FROM supplier ORDER BY id";
        const auto name = [](const Row& row) {
            return row.text("name");
        };
        std::optional<ReadFailure> failure;
        int rows = -1;
        if (read == "visitRows") {
            rows = 0;
            QCOMPARE(visitRows(
                         &db, sql, {}, [&rows](const Row&) { ++rows; }, -1, &failure),
                     false);
        } else if (read == "fetch") {
            const Fetched<QString> fetched = fetch(&db, sql, {}, name);
            QCOMPARE(fetched.ok, false);
            failure = ReadFailure{DbCondition::None, fetched.error};
        } else if (read == "readList") {
            rows = readList(&db, sql, {}, name).size();
        } else if (read == "suppliers") {
            SupplierRepository(&db).findAll();
        } else if (read == "customers") {
            rows = CustomerRepository(&db).findAll().size();
        } else if (read == "users") {
            rows = UserRepository(&db).findAll().size();
        } else {
            rows = InventoryCheckRepository(&db).findAll().size();
        }
        QVERIFY(watch.failure());
        QVERIFY2(watch.failure()->text.contains("interrupted"), qPrintable(watch.failure()->text));
        if (read == "visitRows" || read == "fetch")
            QCOMPARE(failure.value_or(ReadFailure()).text, watch.failure()->text);
        // A list read in part is no list: the first row read is not handed out as all of them.
        if (read != "visitRows")
            QVERIFY(rows <= 0);
    }

    // A read on a connection of its own hands over the first row of every statement, or nothing: never the
    // rows of those that ran before one failed, as if they were all. Cancelled between two statements, it
    // starts no other (interrupting the connection then would stop nothing) and hands nothing over.
    void backgroundReadsAllOrNothing_data() {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<int>("cancelAfter"); // the statement after which the read is cancelled; -1: never
        QTest::addColumn<QString>("handed");  // rows as "a,b/c", "none" for a failure, "-" for no answer
        const QStringList three{"SELECT 1, 'a'", "SELECT 2 WHERE 0", "SELECT 3"};
        addRow("three statements, one without a row", three, -1, QString("1,a//3"));
        addRow("the second does not prepare", QStringList{"SELECT 1", "SELECT n FROM nowhere", "SELECT 3"},
               -1, QString("none"));
        addRow("the last fails as it runs",
               QStringList{"SELECT 1", "SELECT 2",
                           "SELECT abs(column1) FROM (VALUES (-9223372036854775807 - 1))"},
               -1, QString("none"));
        addRow("cancelled after the first of three", three, 0, QString("-"));
        addRow("cancelled after the second of three", three, 1, QString("-"));
    }
    void backgroundReadsAllOrNothing() {
        QFETCH(QStringList, statements);
        QFETCH(int, cancelAfter);
        QFETCH(QString, handed);
        TestDatabase t;
        std::atomic<BackgroundRow*> reading{nullptr};
        std::atomic<bool> cancelled{false};
        std::atomic<int> ranAfterCancel{0};
        BackgroundRow::setStatementRunForTesting([&](int index) {
            if (cancelled)
                ++ranAfterCancel;
            if (index == cancelAfter) {
                cancelled = true;
                reading.load()->cancel();
            }
        });
        const auto restore = qScopeGuard([] {
            BackgroundRow::setStatementRunForTesting(nullptr);
            BackgroundRow::setHeldForTesting(false);
        });
        QVector<BackgroundRow::Statement> list;
        for (const QString& sql : statements)
            list.append({sql, {}});
        std::optional<QString> answer;
        LogCapture quiet;
        // Held until the hook knows the read to cancel.
        BackgroundRow::setHeldForTesting(true);
        auto read = std::make_unique<BackgroundRow>(
            this, t.path(), list, [&answer](const std::optional<QVector<QVector<QVariant>>>& rows) {
                QStringList texts;
                for (const QVector<QVariant>& row : rows.value_or(QVector<QVector<QVariant>>())) {
                    QStringList values;
                    for (const QVariant& value : row)
                        values << value.toString();
                    texts << values.join(',');
                }
                answer = rows ? texts.join('/') : QString("none");
            });
        reading = read.get();
        BackgroundRow::setHeldForTesting(false);
        if (cancelAfter < 0)
            QTRY_VERIFY(answer.has_value());
        else
            QTRY_VERIFY(cancelled);
        read.reset(); // waits for the read to end
        QCoreApplication::processEvents();
        QCOMPARE(answer.value_or("-"), handed);
        QCOMPARE(ranAfterCancel.load(), 0);
    }

    // Prices and amounts come out as the general formatting writes them, rounding included.
    void fixedTexts_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        addRow("zero", 0.0, 2, QString("0.00"));
        addRow("rounded up", 15.456, 2, QString("15.46"));
        addRow("padded", 9.2, 2, QString("9.20"));
        addRow("half a cent exactly", 0.125, 2, QString("0.13"));
        addRow("just under a half", 2.675, 2, QString("2.67"));
        addRow("carries into the units", 9.999, 2, QString("10.00"));
        addRow("small", 0.004, 2, QString("0.00"));
        addRow("no decimals", 12.5, 0, QString("13"));
        addRow("four decimals", 1.23456, 4, QString("1.2346"));
        addRow("large", 21474836.47, 2, QString("21474836.47"));
        addRow("past the fast range", 1e12 + 0.25, 2, QString("1000000000000.25"));
        addRow("negative", -3.5, 2, QString("-3.50"));
        addRow("negative zero", -0.0, 2, QString::number(-0.0, 'f', 2));
        addRow("six decimals", 0.1234565, 6, QString::number(0.1234565, 'f', 6));
    }
    void fixedTexts() {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QTEST(fixedText(value, decimals), "text");
        QCOMPARE(fixedText(value, decimals), QString::number(value, 'f', decimals));
    }

    // Every amount a till can hold, and random ones, against the general formatting.
    void fixedTextsAgreeEverywhere() {
        QStringList differ;
        auto check = [&differ](double value, int decimals) {
            const QString expected = QString::number(value, 'f', decimals);
            if (fixedText(value, decimals) != expected)
                differ << expected + " got " + fixedText(value, decimals);
        };
        for (int cents = 0; cents <= 2000000; ++cents) {
            check(cents / 100.0, 2);
            check(cents / 1000.0, 2);
            check(cents * 0.001 + 0.0005, 2);
        }
        QRandomGenerator random(20260301);
        for (int i = 0; i < 200000; ++i) {
            check(random.generateDouble() * 1000.0, int(random.bounded(5)));
            check(random.generateDouble() * 3e7, 2);
        }
        QCOMPARE(differ, QStringList());
    }

    // Empty text bound through nullIfEmpty is NULL, which a UNIQUE column admits many times.
    void emptyTextBindsAsNull() {
        TestDatabase t;
        const QString insert = "INSERT INTO product (name, barcode) VALUES (?, ?)";
        QVERIFY(t.db()->execute(insert, {"甲", nullIfEmpty("")}));
        QVERIFY(t.db()->execute(insert, {"乙", nullIfEmpty("")}));
        QVERIFY(t.db()->execute(insert, {"丙", nullIfEmpty("6901")}));
        QCOMPARE(t.count("product", "barcode IS NULL"), 2);
        QCOMPARE(t.count("product", "barcode = '6901'"), 1);
    }

    void documentNumbers_data() {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("expected");
        addRow("first of the day", "", "SAL", "SAL202603010001");
        addRow("gap: highest counts, not the row count", "SAL202603010002,SAL202603010005", "SAL",
               "SAL202603010006");
        addRow("9999 grows to five digits", "SAL202603019999", "SAL", "SAL2026030110000");
        addRow("five digits stay", "SAL2026030110000,SAL202603019999", "SAL", "SAL2026030110001");
        addRow("other days ignored", "SAL202602280009,SAL202603020004", "SAL", "SAL202603010001");
        addRow("longer prefix ignored", "SALX202603010005", "SAL", "SAL202603010001");
        addRow("PR ignores PRX", "PRX202603010003,PR202603010002", "PR", "PR202603010003");
        addRow("not only digits after the date", "SAL20260301-0007,SAL2026030100A9,SAL20260301", "SAL",
               "SAL202603010001");
        addRow("other case ignored", "sal202603010004", "SAL", "SAL202603010001");
        addRow("CHK", "CHK202603010011", "CHK", "CHK202603010012");
    }
    void documentNumbers() {
        QFETCH(QString, existing);
        QFETCH(QString, prefix);
        QFETCH(QString, expected);
        PinnedClock pin(kNow);
        TestDatabase t;
        for (const QString& number : existing.split(',', Qt::SkipEmptyParts))
            t.exec("INSERT INTO sales_order (order_no) VALUES (?)", {number});
        QCOMPARE(nextDocumentNumber(t.db(), prefix, "sales_order", "order_no"), expected);
    }

    // Inside the caller's transaction the number sees the document written just before; a deleted highest
    // number is given again, while a deleted lower one leaves its gap.
    void documentNumbersInsideTheWrite() {
        PinnedClock pin(kNow);
        TestDatabase t;
        Transaction tx(t.db());
        QStringList taken;
        for (int i = 0; i < 3; ++i) {
            taken << nextDocumentNumber(t.db(), "SR", "return_order", "return_no");
            t.exec("INSERT INTO return_order (return_no, return_type) VALUES (?, 'sales')", {taken.last()});
        }
        QCOMPARE(taken, (QStringList{"SR202603010001", "SR202603010002", "SR202603010003"}));
        t.exec("DELETE FROM return_order WHERE return_no IN ('SR202603010001', 'SR202603010003')");
        QCOMPARE(nextDocumentNumber(t.db(), "SR", "return_order", "return_no"), QString("SR202603010003"));
        QVERIFY(tx.commit());
    }

    void documentNumberFailures() {
        PinnedClock pin(kNow);
        TestDatabase t;
        QCOMPARE(nextDocumentNumber(t.db(), "SAL", "nowhere", "order_no"), QString());
        QCOMPARE(nextDocumentNumber(t.db(), "SAL", "sales_order; --", "order_no"), QString());
        QCOMPARE(nextDocumentNumber(nullptr, "SAL", "sales_order", "order_no"), QString());
    }

    // move: "operation batch amount" (a batch "#n" is the row with id n); expected: "outcome batchId before
    // after"; state: "id:quantity:rejected" of every row afterwards.
    void stockMovements_data() {
        QTest::addColumn<QString>("seed");
        QTest::addColumn<QString>("move");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("said"); // why a refused movement was refused, "需扣" standing for the need
        const QString two = "1/A/5/0/2026-12-31;1/A/3/0/2026-12-31";
        const QString one = "1/A/5/2/2026-12-31";
        const QString seller = "1/A/0/0/2026-12-31;1/A/4/0/2026-03-01;1/A/6/0/2026-03-02";
        addRow("raise: lowest id of equal rows", two, "raise A 4", "done 1 5 9", "1:9:0 2:3:0", "");
        addRow("raise: no batch", two, "raise B 4", "none 0 0 0", "1:5:0 2:3:0", "库存中没有批次 B");
        addRow("raise: other product", "2/A/5/0/2026-12-31", "raise A 1", "none 0 0 0", "1:5:0",
               "库存中没有批次 A");
        addRow("raise: negative", two, "raise A -1", "invalid 0 0 0", "1:5:0 2:3:0", "");
        addRow("lower: all of it", two, "lower A 5", "done 1 5 0", "1:0:0 2:3:0", "");
        addRow("lower: more than held", two, "lower A 6", "short 1 5 5", "1:5:0 2:3:0",
               "批次 A 现有库存 5，需扣 6");
        addRow("sell: not empty, not expiring today", seller, "sell A 2", "done 3 6 4", "1:0:0 2:4:0 3:4:0",
               "");
        addRow("sell: only expired stock", "1/A/4/0/2026-02-28", "sell A 1", "none 0 0 0", "1:4:0",
               "库存中没有批次 A");
        addRow("sell: the next row is not tried", "1/A/2/0/2026-12-31;1/A/9/0/2026-12-31", "sell A 3",
               "short 1 2 2", "1:2:0 2:9:0", "批次 A 现有库存 2，需扣 3");
        addRow("count: replaces", two, "count A 8", "done 1 5 8", "1:8:0 2:3:0", "");
        addRow("count: unchanged", two, "count A 5", "done 1 5 5", "1:5:0 2:3:0", "");
        addRow("count: zero of no batch", two, "count B 0", "done 0 0 0", "1:5:0 2:3:0", "");
        addRow("count: creates", two, "count B 3", "done 3 0 3", "1:5:0 2:3:0 3:3:0", "");
        addRow("count: negative", two, "count A -1", "invalid 0 0 0", "1:5:0 2:3:0", "");
        addRow("raise or create: raises", two, "add A 2", "done 1 5 7", "1:7:0 2:3:0", "");
        addRow("raise or create: creates", two, "add B 2", "done 3 0 2", "1:5:0 2:3:0 3:2:0", "");
        addRow("set aside by id", two, "reject #2 2", "done 2 3 1", "1:5:0 2:1:2", "");
        addRow("set aside more than held", two, "reject #2 4", "short 2 3 3", "1:5:0 2:3:0",
               "批次 A 现有库存 3，需扣 4");
        addRow("set aside, no such row", two, "reject #7 1", "none 0 0 0", "1:5:0 2:3:0", "库存中没有该批次");
        addRow("dispose of rejected", one, "dispose #1 2", "done 1 2 0", "1:5:0", "");
        addRow("dispose of more than rejected", one, "dispose #1 3", "short 1 2 2", "1:5:2",
               "批次 A 不合格库存 2，需扣 3");
        addRow("back to stock", one, "release #1 1", "done 1 2 1", "1:6:1", "");
    }
    void stockMovements() {
        QFETCH(QString, seed);
        QFETCH(QString, move);
        QFETCH(QString, expected);
        QFETCH(QString, state);
        QFETCH(QString, said);
        PinnedClock pin(kNow);
        TestDatabase t;
        seedBatches(t, seed);
        const QStringList words = move.split(' ');
        const QString operation = words[0];
        const QString batchNo = words[1];
        const int amount = words[2].toInt();
        const BatchKey key =
            batchNo.startsWith('#') ? BatchKey::byId(batchNo.mid(1).toInt()) : BatchKey::byNumber(1, batchNo);
        Transaction tx(t.db());
        StockMovement stock(t.db());
        StockChange change;
        if (operation == "raise")
            change = stock.raise(key, amount);
        else if (operation == "lower")
            change = stock.lower(key, amount);
        else if (operation == "sell")
            change = stock.lower(BatchKey::sellable(1, batchNo), amount);
        else if (operation == "count")
            change = stock.setCount(1, batchNo, amount, kNewBatch);
        else if (operation == "add")
            change = stock.raiseOrCreate(1, batchNo, amount, kNewBatch);
        else if (operation == "reject")
            change = stock.move(key, amount, StockColumn::Quantity, StockColumn::Rejected);
        else if (operation == "dispose")
            change = stock.lower(key, amount, StockColumn::Rejected);
        else if (operation == "release")
            change = stock.move(key, amount, StockColumn::Rejected, StockColumn::Quantity);
        QVERIFY(tx.commit());
        const QStringList outcomes{"done", "none", "short", "invalid", "failed"};
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(outcomes.value(change.outcome))
                     .arg(change.batchId)
                     .arg(change.before)
                     .arg(change.after),
                 expected);
        QCOMPARE(stockState(t), state);
        QCOMPARE(change.refusal("需扣"), said);
    }

    // Another writer takes from the row between the look-up and the write: the write is refused, however
    // much the look-up saw, and the row keeps what the other writer left instead of going below zero.
    void stockTakenMeanwhile_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("state");
        // Row 1 holds 5 sellable and 2 set aside; the sale and the setting aside take 5, the disposal 2.
        addRow("sale", "sell", "UPDATE inventory_batch SET quantity = quantity - 3 WHERE id = 1", "1:2:2");
        addRow("setting aside", "reject", "UPDATE inventory_batch SET quantity = quantity - 3 WHERE id = 1",
               "1:2:2");
        addRow("disposal", "dispose",
               "UPDATE inventory_batch SET rejected_quantity = rejected_quantity - 1 WHERE id = 1", "1:5:1");
    }
    void stockTakenMeanwhile() {
        QFETCH(QString, operation);
        QFETCH(QString, meanwhile);
        QFETCH(QString, state);
        PinnedClock pin(kNow);
        TestDatabase t;
        seedBatches(t, "1/A/5/2/2026-12-31");
        FaultyAdapter db(t.db());
        db.runBefore("^UPDATE inventory_batch", meanwhile);
        LogCapture log;
        StockMovement stock(&db);
        StockChange change;
        if (operation == "sell")
            change = stock.lower(BatchKey::sellable(1, "A"), 5);
        else if (operation == "reject")
            change = stock.move(BatchKey::byId(1), 5, StockColumn::Quantity, StockColumn::Rejected);
        else
            change = stock.lower(BatchKey::byId(1), 2, StockColumn::Rejected);
        QCOMPARE(int(change.outcome), int(StockChange::Failed));
        QCOMPARE(stockState(t), state);
    }

    // A created batch carries what the caller gave; empty dates and time are NULL, status is 'normal'.
    void createdBatchValues() {
        PinnedClock pin(kNow);
        TestDatabase t;
        StockMovement stock(t.db());
        const QString row =
            "SELECT product_id || '|' || quote(supplier_id) || '|' || batch_no || '|' || "
            "quote(production_date) || '|' || expiry_date || '|' || quote(unit_cost) || '|' || "
            "quantity || '|' || status || '|' || quote(created_at) AS x FROM inventory_batch "
            "WHERE id = %1";
        const StockChange bought =
            stock.raiseOrCreate(3, "P1", 10, {7, "2026-01-05", "2028-01-04", 9.5, "2026-03-01 07:05:09"});
        QCOMPARE(column(t, row.arg(bought.batchId)),
                 QString("3|7|P1|'2026-01-05'|2028-01-04|9.5|10|normal|'2026-03-01 07:05:09'"));
        const StockChange counted = stock.setCount(3, "P2", 4, {0, "", "2027-01-01", 0.0, ""});
        QCOMPARE(column(t, row.arg(counted.batchId)), QString("3|0|P2|NULL|2027-01-01|0.0|4|normal|NULL"));
        QCOMPARE(counted.created, true);
        // A batch without expiry date cannot exist: the insert fails and nothing is created.
        LogCapture log;
        QCOMPARE(int(stock.raiseOrCreate(3, "P3", 1, {}).outcome), int(StockChange::Failed));
        QCOMPARE(t.count("inventory_batch"), 2);
    }

    // A failing look-up or write is a failure, never a movement of some other row.
    void failedStockStatements_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("operation");
        addRow("look-up", "^SELECT id, batch_no, quantity FROM inventory_batch", "lower");
        addRow("update", "^UPDATE inventory_batch", "lower");
        addRow("insert", "^INSERT INTO inventory_batch", "create");
        addRow("count", "^UPDATE inventory_batch", "count");
    }
    void failedStockStatements() {
        QFETCH(QString, pattern);
        QFETCH(QString, operation);
        PinnedClock pin(kNow);
        TestDatabase t;
        seedBatches(t, "1/A/5/0/2026-12-31");
        FaultyAdapter db(t.db());
        db.failStatement(pattern);
        LogCapture log;
        StockMovement stock(&db);
        StockChange change;
        if (operation == "lower")
            change = stock.lower(BatchKey::byNumber(1, "A"), 2);
        else if (operation == "create")
            change = stock.raiseOrCreate(1, "B", 2, kNewBatch);
        else
            change = stock.setCount(1, "A", 2, kNewBatch);
        QCOMPARE(int(change.outcome), int(StockChange::Failed));
        QCOMPARE(db.failures(), 1);
        QCOMPARE(stockState(t), QString("1:5:0"));
    }

    void guardedChanges_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("guard");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("said"); // why it was refused
        // Orders 1 completed, 2 voided.
        const QString untouched = "1:completed: 2:voided:";
        addRow("from: expected status", "from", 1, "completed", true, "1:voided:5 2:voided:", "");
        addRow("from: a repeat", "from", 2, "completed", false, untouched, "该销售单已作废");
        addRow("from: missing id", "from", 9, "completed", false, untouched, "该销售单不存在");
        addRow("unless: earlier status", "unless", 1, "voided", true, "1:voided:5 2:voided:", "");
        addRow("unless: already final", "unless", 2, "voided", false, untouched, "该销售单已作废");
        addRow("update: expected status, kept", "update", 1, "completed", true,
               "1:completed:5 2:voided:", "");
        addRow("update: other status", "update", 2, "completed", false, untouched, "该销售单已作废");
        addRow("update: missing id", "update", 9, "completed", false, untouched, "该销售单不存在");
        addRow("remove: expected status", "remove", 2, "voided", true, "1:completed:", "");
        addRow("remove: other status", "remove", 1, "voided", false, untouched, "该销售单已完成");
        addRow("remove: missing id", "remove", 9, "voided", false, untouched, "该销售单不存在");
    }
    void guardedChanges() {
        QFETCH(QString, kind);
        QFETCH(int, id);
        QFETCH(QString, guard);
        QFETCH(bool, changed);
        QFETCH(QString, state);
        QFETCH(QString, said);
        TestDatabase t;
        t.exec("INSERT INTO sales_order (order_no, status) VALUES ('SAL1', 'completed'), ('SAL2', 'voided')");
        LogCapture log;
        bool result = false;
        const QList<ColumnValue> reviewed{{"review_by", 5, QString()},
                                          {"review_time", {}, "CURRENT_TIMESTAMP"}};
        GuardRefusal why("销售单");
        if (kind == "from")
            result = changeStatusFrom(t.db(), "sales_order", id, guard, "voided", reviewed, &why);
        else if (kind == "unless")
            result = changeStatusUnless(t.db(), "sales_order", id, guard, "voided", reviewed, &why);
        else if (kind == "update")
            result = updateWithStatus(t.db(), "sales_order", id, guard, reviewed, &why);
        else
            result = removeWithStatus(t.db(), "sales_order", id, guard, &why);
        QCOMPARE(result, changed);
        QCOMPARE(why.reason, said);
        QCOMPARE(column(t,
                        "SELECT id || ':' || status || ':' || ifnull(review_by, '') AS x FROM sales_order "
                        "ORDER BY id",
                        " "),
                 state);
        QCOMPARE(t.count("sales_order", "review_by IS NOT NULL AND review_time IS NULL"), 0);
    }

    // A guarded statement that fails is no refusal: the user is told no reason.
    void failedGuardTellsNoReason() {
        TestDatabase t;
        t.exec("INSERT INTO sales_order (order_no, status) VALUES ('SAL1', 'voided')");
        FaultyAdapter db(t.db());
        db.failStatement("^UPDATE sales_order");
        LogCapture log;
        GuardRefusal why("销售单");
        QCOMPARE(changeStatusFrom(&db, "sales_order", 1, "completed", "voided", {}, &why), false);
        QCOMPARE(why.reason, QString());
    }

    void guardedChangesRefuseOddNames() {
        TestDatabase t;
        t.exec("INSERT INTO sales_order (order_no, status) VALUES ('SAL1', 'completed')");
        LogCapture log;
        QCOMPARE(changeStatusFrom(t.db(), "sales_order WHERE 1=1 --", 1, "completed", "voided"), false);
        QCOMPARE(
            changeStatusFrom(t.db(), "sales_order", 1, "completed", "voided", {{"x = 1, y", 1, QString()}}),
            false);
        QCOMPARE(updateWithStatus(t.db(), "sales_order", 1, "completed",
                                  {{"review_by = 1, status", 1, QString()}}),
                 false);
        QCOMPARE(removeWithStatus(t.db(), "sales_order;", 1, "completed"), false);
        QCOMPARE(t.count("sales_order", "status = 'completed'"), 1);
    }

    // A document's log row is written in the document's transaction: it is there when the document commits,
    // and goes with it when the commit fails; a log write that fails never fails the document.
    void documentLogRows_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("logged");
        QTest::addColumn<int>("loggedAtCommit");
        for (const char* action : {"新增销售单", "作废销售单", "新增退货单", "销售退回", "作废退货单",
                                   "新增盘点单", "删除盘点单", "审核盘点单"}) {
            QTest::addRow("%s", action) << QString(action) << "none" << true << 1 << 1;
            QTest::addRow("%s, log write fails", action) << QString(action) << "log" << true << 0 << 0;
            QTest::addRow("%s, commit fails", action) << QString(action) << "commit" << false << 0 << 1;
        }
    }
    void documentLogRows() {
        QFETCH(QString, action);
        QFETCH(QString, fault);
        QFETCH(bool, stored);
        QFETCH(int, logged);
        QFETCH(int, loggedAtCommit);
        PinnedClock pin(kNow);
        TestDatabase t;
        seedDocuments(t);
        const QString before = documentState(t);
        CommitProbe db(t, action);
        db.failCommit(fault == "commit");
        if (fault == "log")
            t.exec("CREATE TRIGGER log_refused BEFORE INSERT ON sys_operation_log "
                   "BEGIN SELECT RAISE(ABORT, 'log refused'); END");
        LogCapture log;
        QCOMPARE(writeDocument(&db, action), stored);
        QCOMPARE(documentState(t) != before, stored);
        QCOMPARE(t.count("sys_operation_log", "action = ?", {action}), logged);
        QCOMPARE(db.logRowsAtCommit, loggedAtCommit);
        QCOMPARE(db.inTransaction(), false);
    }
};

KV_TEST_CLASS(TestDataLayer)
#include "tst_datalayer.moc"
