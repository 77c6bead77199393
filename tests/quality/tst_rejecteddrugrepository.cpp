#include "core/databasemanager.h"
#include "repositories/rejecteddrugcodes.h"
#include "repositories/rejecteddrugrepository.h"
#include "tests/support/testmain.h"

#include "tests/quality/rejectedseed.h"
#include "tests/support/datarows.h"
#include "tests/support/faultyadapter.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QSqlQuery>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using kestrovalin::repositories::RejectedDrugRepository;
using Outcome = RejectedDrugRepository::ConfirmOutcome;

Q_DECLARE_METATYPE(RejectedDrugRepository::ConfirmOutcome)

namespace {

QString ids(const QList<models::RejectedDrug>& records) {
    QStringList out;
    for (const models::RejectedDrug& r : records)
        out << QString::number(r.id);
    return out.join(',');
}

models::RejectedDrug registration() {
    models::RejectedDrug d;
    d.productId = 101;
    d.productName = QStringLiteral("阿莫西林胶囊");
    d.barcode = QStringLiteral("6921361200154");
    d.productSpec = QStringLiteral("0.25g*24粒");
    d.manufacturer = QStringLiteral("华康制药");
    d.batchId = 11;
    d.batchNo = QStringLiteral("A231120");
    d.productionDate = QStringLiteral("2030-01-10");
    d.expiryDate = QStringLiteral("2032-01-10");
    d.quantity = 4;
    d.supplierId = 1;
    d.supplierName = QStringLiteral("上海康联医药有限公司");
    d.reason = QStringLiteral("damaged");
    d.reasonRemark = QStringLiteral(" 外盒压痕 ");
    d.reportDate = QStringLiteral("2031-05-19");
    d.foundBy = 7;
    d.remark = QStringLiteral("<b>x</b>");
    return d;
}

} // namespace

class TestRejectedDrugRepository : public QObject {
    Q_OBJECT
private slots:
    // Vocabulary.

    void labels_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QString>("processType");
        addRow("pending", "pending", "pending", "待审核", "#FF8C00", "pending");
        addRow("confirmed", "confirmed", "confirmed", "已确认", "#0066CC", "confirmed");
        addRow("processed", "processed", "processed", "已处理", "#009900", "processed");
        addRow("expired", "expired", "过期失效", "expired", "", "expired");
        addRow("failed", "failed", "质量抽检不合格", "failed", "", "failed");
        addRow("recall", "recall", "供应商召回", "recall", "", "recall");
        addRow("return", "return", "return", "return", "", "退回供应商");
        addRow("writeoff", "writeoff", "writeoff", "writeoff", "", "报损");
        addRow("case matters", "Pending", "Pending", "Pending", "", "Pending");
        addRow("empty", "", "", "", "", "-");
        addRow("all is no status", "all", "all", "all", "", "all");
    }
    void labels() {
        QFETCH(QString, code);
        QFETCH(QString, reason);
        QFETCH(QString, status);
        QFETCH(QString, colour);
        QFETCH(QString, processType);
        QCOMPARE(rejected::reasonLabel(code), reason);
        QCOMPARE(rejected::statusLabel(code), status);
        QCOMPARE(rejected::statusColour(code), colour);
        QCOMPARE(rejected::processTypeLabel(code), processType);
    }

    // The offer orders and the way back from a label to its code.
    void offers() {
        QStringList reasons;
        for (const rejected::CodeLabel& r : rejected::reasons())
            reasons << r.code + '=' + r.label;
        QCOMPARE(reasons.join(' '),
                 QString("expired=过期失效 damaged=包装破损 abnormal=外观异常 moisture=受潮霉变 "
                         "contaminated=污染 failed=质量抽检不合格 recall=供应商召回 other=其他"));
        QStringList types;
        for (const rejected::CodeLabel& p : rejected::processTypes())
            types << rejected::processTypeCode(p.label) + '=' + p.label;
        QCOMPARE(types.join(' '), QString("destroy=销毁 return=退回供应商 recheck=复检 writeoff=报损"));
        QStringList filters;
        for (const rejected::CodeLabel& f : rejected::statusFilters())
            filters << rejected::statusFilterCode(f.label) + '=' + f.label;
        QCOMPARE(filters.join(' '), QString("all=全部 pending=待审核 confirmed=已确认 processed=已处理"));
        QCOMPARE(rejected::statusFilterCode("待审"), QString());
        QCOMPARE(rejected::processTypeCode("destroy"), QString());
    }

    // Insert.

    // Whatever the record says about its state, it is stored pending at the local registration time, with its
    // remark; the new id comes back in the record.
    void insertStoresPendingWithRemark() {
        TestDatabase t;
        seedStock(t);
        PinnedClock clock(kRejectToday, QTime(8, 5, 9));
        models::RejectedDrug d = registration();
        d.status = "confirmed";
        d.processType = "destroy";
        d.processDate = "2031-01-01";
        d.processBy = 7;
        d.createdAt = "2020-01-01 00:00:00";
        QVERIFY(RejectedDrugRepository(t.db()).insert(d));
        QCOMPARE(d.id, 1);
        QCOMPARE(
            fields(RejectedDrugRepository(t.db()).findById(1)),
            QString(
                "1|101|阿莫西林胶囊|6921361200154|0.25g*24粒|华康制药|11|A231120|2030-01-10|2032-01-10|4|1|"
                "上海康联医药有限公司|damaged| 外盒压痕 |2031-05-19|7|张丽|pending|||0||<b>x</b>|"
                "2031-05-20 08:05:09"));
        // Registration sets nothing aside yet.
        QCOMPARE(stockOf(t, 11), QString("20/0"));
    }

    void insertFailureKeepsId() {
        TestDatabase t;
        FaultyAdapter db(t.db());
        db.failStatement("^INSERT INTO unqualified_drug");
        models::RejectedDrug d = registration();
        LogCapture log;
        QVERIFY(!RejectedDrugRepository(&db).insert(d));
        QCOMPARE(d.id, -1);
        QCOMPARE(log.count(QtCriticalMsg, "RejectedDrug insert failed:"), 1);
    }

    // Confirm.

    void confirm_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("recordId"); // 1 is the record under test
        QTest::addColumn<int>("batchId");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>(
            "countSheet"); // status of a stocktaking sheet counting "batch no", or empty
        QTest::addColumn<QString>("countedBatch");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("statusAfter");
        QTest::addColumn<QString>("stockAfter");
        QTest::addColumn<QString>("said");
        // Batch 11 holds 20.
        addRow("sets aside", "pending", 1, 11, 5, "", "", Outcome::Confirmed, "confirmed", "15/5", "");
        addRow("the whole batch", "pending", 1, 11, 20, "", "", Outcome::Confirmed, "confirmed", "0/20", "");
        addRow("more than the batch holds", "pending", 1, 11, 21, "", "", Outcome::NotEnoughStock, "pending",
               "20/0", "批次 A231120 现有库存 20，确认需移出 21");
        addRow("batch row gone", "pending", 1, 99, 1, "", "", Outcome::Failed, "pending", "20/0",
               "库存中没有该批次");
        addRow("already confirmed", "confirmed", 1, 11, 5, "", "", Outcome::NotPending, "confirmed", "20/0",
               "该记录已审核确认");
        addRow("processed", "processed", 1, 11, 5, "", "", Outcome::NotPending, "processed", "20/0",
               "该记录已处理");
        addRow("no such record", "pending", 2, 11, 5, "", "", Outcome::NotPending, "pending", "20/0",
               "该记录不存在");
        addRow("draft sheet counts the batch", "pending", 1, 11, 5, "draft", "A231120",
               Outcome::InStocktaking, "pending", "20/0", "批次 A231120 正在盘点中，请先审核或删除盘点单");
        addRow("approved sheet", "pending", 1, 11, 5, "approved", "A231120", Outcome::Confirmed, "confirmed",
               "15/5", "");
        addRow("draft sheet of another batch", "pending", 1, 11, 5, "draft", "A240501", Outcome::Confirmed,
               "confirmed", "15/5", "");
    }
    void confirm() {
        QFETCH(QString, status);
        QFETCH(int, recordId);
        QFETCH(int, batchId);
        QFETCH(int, quantity);
        QFETCH(QString, countSheet);
        QFETCH(QString, countedBatch);
        QFETCH(Outcome, outcome);
        QFETCH(QString, statusAfter);
        QFETCH(QString, stockAfter);
        QFETCH(QString, said);
        TestDatabase t;
        seedStock(t);
        seedRecord(t, {1, 101, batchId, quantity, "damaged", qPrintable(status), 7, "2031-05-10 09:00:00"});
        if (!countSheet.isEmpty()) {
            t.exec("INSERT INTO inventory_check (id, check_no, check_type, check_date, operator_id, status) "
                   "VALUES (1, 'CHK202105200001', 'full', '2031-05-20', 1, ?)",
                   {countSheet});
            t.exec("INSERT INTO inventory_check_item (check_id, product_id, batch_no, production_date, "
                   "expiry_date, system_quantity, actual_quantity, diff_quantity) "
                   "VALUES (1, 101, ?, '2030-01-10', '2032-01-10', 20, 20, 0)",
                   {countedBatch});
        }
        RejectedDrugRepository repo(t.db());
        QCOMPARE(repo.confirmRecord(recordId, 7), outcome);
        QCOMPARE(repo.refusal(), said);
        QCOMPARE(statusOf(t, 1), statusAfter);
        QCOMPARE(stockOf(t, 11), stockAfter);
    }

    // A second confirmation of the same record is refused and moves nothing again.
    void confirmTwice() {
        TestDatabase t;
        seedStock(t);
        seedRecord(t, {1, 101, 11, 6, "damaged", "pending", 7, "2031-05-10 09:00:00"});
        RejectedDrugRepository repo(t.db());
        QVERIFY(repo.confirm(1, 7));
        QVERIFY(!repo.confirm(1, 7));
        QCOMPARE(stockOf(t, 11), QString("14/6"));
        QCOMPARE(statusOf(t, 1), QString("confirmed"));
    }

    // A failure at any step leaves the record pending and the batch as it was.
    void confirmRollsBack_data() {
        QTest::addColumn<QString>("failing"); // statement pattern, or "COMMIT"
        QTest::addColumn<int>("stockLogged"); // "Update rejected_quantity failed:" lines
        addRow("status update", "^UPDATE unqualified_drug", 0);
        addRow("batch update", "^UPDATE inventory_batch", 1);
        addRow("batch look-up", "^SELECT id, batch_no, quantity FROM inventory_batch", 0);
        addRow("stocktaking look-up", "inventory_check_item", 0);
        addRow("commit", "COMMIT", 0);
    }
    void confirmRollsBack() {
        QFETCH(QString, failing);
        QFETCH(int, stockLogged);
        TestDatabase t;
        seedStock(t);
        seedRecord(t, {1, 101, 11, 6, "damaged", "pending", 7, "2031-05-10 09:00:00"});
        FaultyAdapter db(t.db());
        if (failing == "COMMIT")
            db.failCommit();
        else
            db.failStatement(failing);
        RejectedDrugRepository repo(&db);
        LogCapture log;
        QCOMPARE(repo.confirmRecord(1, 7), Outcome::Failed);
        QCOMPARE(log.count(QtCriticalMsg, "Update rejected_quantity failed:"), stockLogged);
        QCOMPARE(repo.refusal(), QString()); // a failure, not a refusal
        QCOMPARE(statusOf(t, 1), QString("pending"));
        QCOMPARE(stockOf(t, 11), QString("20/0"));
    }

    // Process.

    void process_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("recordId");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("done");
        QTest::addColumn<QString>("stored"); // status, type, date, user after the call
        QTest::addColumn<QString>("stockAfter");
        QTest::addColumn<QString>("said");
        // Batch 11 holds 14 sellable and 6 set aside; the record sets aside 6.
        addRow("destroy", "confirmed", 1, "destroy", true, "processed destroy 2031-05-20 8", "14/0", "");
        addRow("return", "confirmed", 1, "return", true, "processed return 2031-05-20 8", "14/0", "");
        addRow("writeoff", "confirmed", 1, "writeoff", true, "processed writeoff 2031-05-20 8", "14/0", "");
        addRow("recheck keeps it aside", "confirmed", 1, "recheck", true, "processed recheck 2031-05-20 8",
               "14/6", "");
        addRow("pending", "pending", 1, "destroy", false, "pending   0", "14/6", "该记录尚未审核");
        addRow("processed", "processed", 1, "destroy", false, "processed   0", "14/6", "该记录已处理");
        addRow("no such record", "confirmed", 2, "destroy", false, "confirmed   0", "14/6", "该记录不存在");
    }
    void process() {
        QFETCH(QString, status);
        QFETCH(int, recordId);
        QFETCH(QString, type);
        QFETCH(bool, done);
        QFETCH(QString, stored);
        QFETCH(QString, stockAfter);
        QFETCH(QString, said);
        TestDatabase t;
        seedStock(t);
        seedRecord(t, {1, 101, 11, 6, "damaged", qPrintable(status), 7, "2031-05-10 09:00:00"});
        t.exec("UPDATE inventory_batch SET quantity = 14, rejected_quantity = 6 WHERE id = 11");
        PinnedClock clock(kRejectToday);
        RejectedDrugRepository repo(t.db());
        QCOMPARE(repo.process(recordId, type, 8), done);
        QCOMPARE(repo.refusal(), said);
        const models::RejectedDrug r = RejectedDrugRepository(t.db()).findById(1);
        QCOMPARE(
            QStringList({r.status, r.processType, r.processDate, QString::number(r.processBy)}).join(' '),
            stored);
        QCOMPARE(stockOf(t, 11), stockAfter);
    }

    // The set-aside stock that cannot be taken out fails the processing as a whole.
    void processRollsBack_data() {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("setAside");
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("stockLogged"); // "Update rejected_quantity failed:" lines
        addRow("batch update", "^UPDATE inventory_batch", 6, "", 1);
        addRow("less set aside than the record", "", 5, "批次 A231120 不合格库存 5，处理需扣减 6", 0);
        addRow("commit", "COMMIT", 6, "", 0);
    }
    void processRollsBack() {
        QFETCH(QString, failing);
        QFETCH(int, setAside);
        QFETCH(QString, said);
        QFETCH(int, stockLogged);
        TestDatabase t;
        seedStock(t);
        seedRecord(t, {1, 101, 11, 6, "damaged", "confirmed", 7, "2031-05-10 09:00:00"});
        t.exec("UPDATE inventory_batch SET quantity = 14, rejected_quantity = ? WHERE id = 11", {setAside});
        FaultyAdapter db(t.db());
        if (failing == "COMMIT")
            db.failCommit();
        else if (!failing.isEmpty())
            db.failStatement(failing);
        RejectedDrugRepository repo(&db);
        LogCapture log;
        QVERIFY(!repo.process(1, "destroy", 8));
        QCOMPARE(log.count(QtCriticalMsg, "Update rejected_quantity failed:"), stockLogged);
        QCOMPARE(repo.refusal(), said);
        QCOMPARE(statusOf(t, 1), QString("confirmed"));
        QCOMPARE(stockOf(t, 11), QString("14/%1").arg(setAside));
    }

    // Update.

    // Only a pending record is rewritten, in one guarded statement: what review has confirmed stays as it
    // is. The record's own status and processing are never written, and no stock moves.
    void update_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("recordId");
        QTest::addColumn<QString>("failing"); // statement pattern, or empty
        QTest::addColumn<bool>("done");
        QTest::addColumn<QString>("stored"); // record 1 after the call; empty: as before
        addRow("pending", "pending", 1, "", true,
               "1|101|阿莫西林胶囊|6921361200154|0.25g*24粒|华康制药|15|A240501|2030-01-10|2032-01-10|3|1|"
               "上海康联医药有限公司|moisture|受潮结块|2031-05-18|8|王芳|pending|||0||复核后改批号|"
               "2031-05-10 09:00:00");
        addRow("confirmed", "confirmed", 1, "", false, "");
        addRow("processed", "processed", 1, "", false, "");
        addRow("no such record", "pending", 2, "", false, "");
        addRow("statement fails", "pending", 1, "^UPDATE unqualified_drug", false, "");
    }
    void update() {
        QFETCH(QString, status);
        QFETCH(int, recordId);
        QFETCH(QString, failing);
        QFETCH(bool, done);
        QFETCH(QString, stored);
        TestDatabase t;
        seedStock(t);
        seedRecord(t, {1, 101, 11, 6, "damaged", qPrintable(status), 7, "2031-05-10 09:00:00"});
        if (status == "processed")
            t.exec("UPDATE unqualified_drug SET process_type = 'return', process_date = '2031-05-12', "
                   "process_by = 1 WHERE id = 1");
        const QString before = fields(RejectedDrugRepository(t.db()).findById(1));
        models::RejectedDrug d = registration();
        d.id = recordId;
        d.batchId = 15;
        d.batchNo = "A240501";
        d.quantity = 3;
        d.reason = "moisture";
        d.reasonRemark = "受潮结块";
        d.reportDate = "2031-05-18";
        d.foundBy = 8;
        d.remark = "复核后改批号";
        d.status = "processed";
        d.processType = "destroy";
        d.processDate = "2031-05-19";
        d.processBy = 8;
        FaultyAdapter db(t.db());
        if (!failing.isEmpty())
            db.failStatement(failing);
        LogCapture log;
        QCOMPARE(RejectedDrugRepository(&db).update(d), done);
        QCOMPARE(fields(RejectedDrugRepository(t.db()).findById(1)), stored.isEmpty() ? before : stored);
        QCOMPARE(log.count(QtCriticalMsg, "RejectedDrug update failed:"), done ? 0 : 1);
        QCOMPARE(stockOf(t, 11), QString("20/0"));
        QCOMPARE(stockOf(t, 15), QString("5/0"));
    }

    // Remove.

    void remove_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("recordId");
        QTest::addColumn<bool>("done");
        QTest::addColumn<int>("left");
        QTest::addColumn<QString>("said");
        addRow("pending", "pending", 1, true, 0, "");
        addRow("confirmed", "confirmed", 1, false, 1, "该记录已审核确认");
        addRow("processed", "processed", 1, false, 1, "该记录已处理");
        addRow("no such record", "pending", 2, false, 1, "该记录不存在");
    }
    void remove() {
        QFETCH(QString, status);
        QFETCH(int, recordId);
        QFETCH(bool, done);
        QFETCH(int, left);
        QFETCH(QString, said);
        TestDatabase t;
        seedStock(t);
        seedRecord(t, {1, 101, 11, 6, "damaged", qPrintable(status), 7, "2031-05-10 09:00:00"});
        RejectedDrugRepository repo(t.db());
        QCOMPARE(repo.remove(recordId), done);
        QCOMPARE(repo.refusal(), said);
        QCOMPARE(t.count("unqualified_drug"), left);
        QCOMPARE(stockOf(t, 11), QString("20/0"));
    }

    // Reads.

    void search_data() {
        QTest::addColumn<QStringList>("filters"); // status, supplier, product, barcode, mnemonic, batch
        QTest::addColumn<QString>("found");
        addRow("all, newest first", QStringList{"all", "", "", "", "", ""}, "4,2,3,1");
        addRow("empty status", QStringList{"", "", "", "", "", ""}, "4,2,3,1");
        addRow("pending exactly", QStringList{"pending", "", "", "", "", ""}, "1");
        addRow("a code outside the list", QStringList{"Pending", "", "", "", "", ""}, "4");
        addRow("supplier part", QStringList{"all", "康联", "", "", "", ""}, "3,1");
        addRow("product part", QStringList{"all", "", "阿莫", "", "", ""}, "1");
        addRow("barcode part", QStringList{"all", "", "", "2900286", "", ""}, "2");
        addRow("lower-case mnemonic", QStringList{"all", "", "", "", "hxz", ""}, "2");
        addRow("mnemonic of a delisted drug", QStringList{"all", "", "", "", "xbd", ""}, "3");
        addRow("batch part", QStringList{"all", "", "", "", "", "HX22"}, "2");
        addRow("blanks are matched literally", QStringList{"all", "", "  ", "", "", ""}, "");
        addRow("percent matches anything", QStringList{"all", "", "%", "", "", ""}, "4,2,3,1");
        addRow("every filter at once", QStringList{"confirmed", "恒泰", "藿香", "6935502", "HXZ", "HX"}, "2");
        addRow("status and a filter that misses", QStringList{"pending", "恒泰", "", "", "", ""}, "");
    }
    void search() {
        QFETCH(QStringList, filters);
        QFETCH(QString, found);
        TestDatabase t;
        seedRegister(t);
        QCOMPARE(ids(RejectedDrugRepository(t.db()).search(filters[0], filters[1], filters[2], filters[3],
                                                           filters[4], filters[5])),
                 found);
    }

    void otherLists() {
        TestDatabase t;
        seedRegister(t);
        RejectedDrugRepository repo(t.db());
        QCOMPARE(ids(repo.findAll()), QString("4,2,3,1"));
        QCOMPARE(ids(repo.findByStatus("processed")), QString("3"));
        QCOMPARE(ids(repo.findByStatus("")), QString());
        QCOMPARE(ids(repo.search("confirmed")), QString("2"));
    }

    // Names come from the user table; a record never processed has no processor, a deleted finder no name.
    void findById() {
        TestDatabase t;
        seedRegister(t);
        t.exec("DELETE FROM sys_user WHERE id = 8");
        RejectedDrugRepository repo(t.db());
        QCOMPARE(
            fields(repo.findById(1)),
            QString(
                "1|101|阿莫西林胶囊|6921361200154|0.25g*24粒|华康制药|11|A231120|2030-01-10|2032-01-10|2|1|"
                "上海康联医药有限公司|damaged||2031-05-10|7|张丽|pending|||0|||2031-05-10 09:00:00"));
        QCOMPARE(
            fields(repo.findById(3)),
            QString(
                "3|104|硝苯地平缓释片|6926104300187|10mg*30片|京华双鹿|14|XB230201|2030-02-01|2032-06-01|1|1|"
                "上海康联医药有限公司|recall||2031-05-11|1|系统管理员|processed|return|2031-05-12|1|"
                "系统管理员||2031-05-11 15:00:00"));
        QCOMPARE(repo.findById(2).foundByName, QString());
        QCOMPARE(repo.findById(42).id, -1);
    }

    void noAdapter() {
        LogCapture log;
        RejectedDrugRepository repo(nullptr);
        models::RejectedDrug d = registration();
        QVERIFY(!repo.insert(d));
        QVERIFY(!repo.confirm(1, 1));
        QVERIFY(!repo.process(1, "destroy", 1));
        QVERIFY(!repo.remove(1));
        QVERIFY(!repo.update(d));
        QCOMPARE(repo.findById(1).id, -1);
        QCOMPARE(repo.search("all").size(), 0);
        QCOMPARE(repo.findAll().size(), 0);
        QCOMPARE(repo.findByStatus("pending").size(), 0);
        QCOMPARE(log.count(QtCriticalMsg, "RejectedDrugRepository::findById: m_adapter is null"), 1);
        QCOMPARE(log.count(QtCriticalMsg, "RejectedDrugRepository::search: m_adapter is null"), 1);
        QCOMPARE(log.count(QtCriticalMsg, "RejectedDrugRepository::findAll: m_adapter is null"), 1);
        QCOMPARE(log.count(QtCriticalMsg, "RejectedDrugRepository::findByStatus: m_adapter is null"), 1);
    }

    // The sample data's confirmed registrations are what their batches hold set aside, and every copy
    // matches its batch and drug.
    void sampleData() {
        TestDatabase t;
        QVERIFY(DatabaseManager::instance().importTestData(KV_SOURCE_DIR "/docs/test_data.sql"));
        QVERIFY(t.count("unqualified_drug") >= 5);
        QCOMPARE(
            t.count(
                "unqualified_drug u",
                "u.status = 'confirmed' AND u.quantity > (SELECT rejected_quantity FROM inventory_batch b "
                "WHERE b.id = u.batch_id)"),
            0);
        QCOMPARE(t.count("inventory_batch b",
                         "b.rejected_quantity <> (SELECT COALESCE(SUM(quantity), 0) FROM unqualified_drug u "
                         "WHERE u.batch_id = b.id AND u.status = 'confirmed')"),
                 0);
        QCOMPARE(
            t.count("unqualified_drug u",
                    "NOT EXISTS (SELECT 1 FROM inventory_batch b JOIN product p ON p.id = b.product_id "
                    "WHERE b.id = u.batch_id AND b.product_id = u.product_id AND b.batch_no = u.batch_no "
                    "AND p.name = u.product_name AND p.barcode = u.barcode)"),
            0);
    }
};

KV_TEST_CLASS(TestRejectedDrugRepository)
#include "tst_rejecteddrugrepository.moc"
