#include "repositories/inventorycheckrepository.h"
#include "tests/returns/returnseed.h"
#include "tests/support/faultyadapter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testmain.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using kestrovalin::repositories::InventoryCheckRepository;
using models::InventoryCheck;
using models::InventoryCheckItem;

namespace {

InventoryCheck sheet(const QString& type = QStringLiteral("spot"), int dayOffset = 0) {
    InventoryCheck check;
    check.checkType = type;
    check.checkDate = dayText(dayOffset);
    check.operatorId = 1;
    check.remark = QStringLiteral("月末抽盘");
    check.checkNo = QStringLiteral("CHK-IGNORED");
    return check;
}

} // namespace

class TestInventoryCheckRepository : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_db.reset(new TestDatabase);
        m_clock.reset(new PinnedClock(kReturnDay, QTime(0, 20)));
        ReturnSeed s{*m_db};
        s.twoDrugs(50, 8);
    }
    void cleanup() {
        m_clock.reset();
        m_db.reset();
    }

    // --- saving ---
    void numbersSurviveADeletedSheet() {
        InventoryCheckRepository repo(m_db->db());
        QList<int> ids;
        for (int i = 0; i < 3; ++i) {
            InventoryCheck check = sheet("spot", -1);
            ids << repo.insertCheck(check, {countedLine(1, "A2301", 50, 50)});
        }
        QVERIFY(repo.deleteCheck(ids.at(1)));
        InventoryCheck next = sheet();
        QVERIFY(repo.insertCheck(next, {countedLine(1, "A2301", 50, 50)}) > 0);
        // Numbered by the day of saving, not the sheet's date.
        QCOMPARE(repo.findById(ids.at(0)).checkNo, QString("CHK203103050001"));
        QCOMPARE(next.checkNo, QString("CHK203103050004"));
        QCOMPARE(repo.findById(next.id).status, QString("draft"));
    }

    void logReportsTheSignedDifference_data() {
        QTest::addColumn<int>("firstCount");
        QTest::addColumn<int>("secondCount");
        QTest::addColumn<QString>("detail");
        QTest::newRow("minus five plus two") << 45 << 10 << "差异: -3";
        QTest::newRow("all match") << 50 << 8 << "差异: 0";
    }
    void logReportsTheSignedDifference() {
        QFETCH(int, firstCount);
        QFETCH(int, secondCount);
        QFETCH(QString, detail);
        InventoryCheck check = sheet();
        const int id = InventoryCheckRepository(m_db->db())
                           .insertCheck(check, {countedLine(1, "A2301", 50, firstCount),
                                                countedLine(2, "B2302", 8, secondCount)});
        QVERIFY(id > 0);
        QCOMPARE(m_db->scalar("SELECT detail FROM sys_operation_log WHERE action = '新增盘点单'").toString(),
                 "盘点单号: CHK203103050001, " + detail);
        const InventoryCheck stored = InventoryCheckRepository(m_db->db()).findById(id);
        QCOMPARE(stored.items.size(), 2);
        QCOMPARE(stored.items.at(0).diffQuantity, firstCount - 50);
        QCOMPARE(stored.items.at(1).productName, QString("布洛芬缓释胶囊"));
    }

    void aFailingLineStoresNothing() {
        FaultyAdapter faulty(m_db->db());
        faulty.failStatement("^INSERT INTO inventory_check_item", 2);
        InventoryCheck check = sheet();
        QCOMPARE(InventoryCheckRepository(&faulty).insertCheck(
                     check, {countedLine(1, "A2301", 50, 49), countedLine(2, "B2302", 8, 8)}),
                 -1);
        QCOMPARE(m_db->count("inventory_check"), 0);
        QCOMPARE(m_db->count("inventory_check_item"), 0);
        QCOMPARE(m_db->count("sys_operation_log"), 0);
    }

    // --- approval ---
    void approvalSetsEachBatchToItsCount() {
        m_db->exec("DELETE FROM inventory_batch WHERE id = 12");
        m_db->exec("INSERT INTO sys_user (id, username, password_hash, real_name) VALUES (2, 'zhangli', '-', "
                   "'张丽')");
        InventoryCheckRepository repo(m_db->db());
        InventoryCheck check = sheet();
        const int id = repo.insertCheck(check, {countedLine(1, "A2301", 50, 0), countedLine(2, "B2302", 8, 3),
                                                countedLine(2, "B9999", 0, 0)});
        m_db->exec("UPDATE inventory_batch SET quantity = 47 WHERE id = 11"); // sold after counting
        FaultyAdapter watched(m_db->db());
        QVERIFY(InventoryCheckRepository(&watched).approveCheck(id, 2));
        // Each line's batch is read once.
        QCOMPARE(watched.statements().filter(QRegularExpression("^SELECT .* FROM inventory_batch ")).size(),
                 3);

        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 0);
        const QString created = "SELECT %1 FROM inventory_batch WHERE product_id = 2 AND batch_no = 'B2302'";
        QCOMPARE(m_db->scalar(created.arg("quantity")).toInt(), 3);
        QCOMPARE(m_db->scalar(created.arg("status")).toString(), QString("normal"));
        QCOMPARE(m_db->scalar(created.arg("supplier_id")).toInt(), 0);
        QCOMPARE(m_db->scalar(created.arg("unit_cost")).toDouble(), 0.0);
        QCOMPARE(m_db->scalar(created.arg("expiry_date")).toString(), QString("2033-03-01"));
        QCOMPARE(m_db->count("inventory_batch", "batch_no = 'B9999'"), 0);
        const InventoryCheck approved = repo.findById(id);
        QCOMPARE(approved.status, QString("approved"));
        QCOMPARE(approved.approvedByName, QString("张丽"));
        QCOMPARE(m_db->scalar("SELECT detail FROM sys_operation_log WHERE action = '审核盘点单'").toString(),
                 QString("盘点单ID: %1").arg(id));
    }

    void anEqualCountWritesNothing() {
        InventoryCheck check = sheet();
        const int id =
            InventoryCheckRepository(m_db->db()).insertCheck(check, {countedLine(1, "A2301", 50, 50)});
        FaultyAdapter watched(m_db->db());
        QVERIFY(InventoryCheckRepository(&watched).approveCheck(id, 1));
        QCOMPARE(watched.statements().filter("inventory_batch SET").size(), 0);
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 50);
    }

    void approvalIsAllOrNothing_data() {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("said"); // why, as the user is told; a failed statement tells nothing
        QTest::newRow("negative count on the second line") << QString() << "批次 B2302 的实盘数量 -1 无效";
        QTest::newRow("second stock write") << "^UPDATE inventory_batch SET quantity"
                                            << "";
    }
    void approvalIsAllOrNothing() {
        QFETCH(QString, failing);
        QFETCH(QString, said);
        InventoryCheckRepository repo(m_db->db());
        InventoryCheck check = sheet();
        const int id =
            repo.insertCheck(check, {countedLine(1, "A2301", 50, 40), countedLine(2, "B2302", 8, 6)});
        if (failing.isEmpty())
            m_db->exec("UPDATE inventory_check_item SET actual_quantity = -1 WHERE batch_no = 'B2302'");
        FaultyAdapter faulty(m_db->db());
        if (!failing.isEmpty())
            faulty.failStatement(failing, 2);
        InventoryCheckRepository approving(&faulty);
        QVERIFY(!approving.approveCheck(id, 1));
        QCOMPARE(approving.refusal(), said);
        QCOMPARE(repo.findById(id).status, QString("draft"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 50);
        QCOMPARE(ReturnSeed{*m_db}.quantity(12), 8);
        QCOMPARE(m_db->count("sys_operation_log", "action = '审核盘点单'"), 0);
    }

    void approvingTwiceOrNothingFails() {
        InventoryCheckRepository repo(m_db->db());
        InventoryCheck check = sheet();
        const int id = repo.insertCheck(check, {countedLine(1, "A2301", 50, 40)});
        QVERIFY(repo.approveCheck(id, 1));
        m_db->exec("UPDATE inventory_batch SET quantity = 35 WHERE id = 11");
        QVERIFY(!repo.approveCheck(id, 1));
        QCOMPARE(repo.refusal(), QString("该盘点单已审核"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(11), 35);
        QVERIFY(!repo.approveCheck(999, 1));
        QCOMPARE(repo.refusal(), QString("该盘点单不存在"));
        QCOMPARE(m_db->count("sys_operation_log", "action = '审核盘点单'"), 1);
    }

    // --- deletion ---
    void onlyAnExistingDraftIsDeleted() {
        InventoryCheckRepository repo(m_db->db());
        InventoryCheck draft = sheet();
        const int draftId =
            repo.insertCheck(draft, {countedLine(1, "A2301", 50, 50), countedLine(2, "B2302", 8, 8)});
        InventoryCheck approved = sheet();
        const int approvedId = repo.insertCheck(approved, {countedLine(1, "A2301", 50, 49)});
        QVERIFY(repo.approveCheck(approvedId, 1));

        QVERIFY(repo.deleteCheck(draftId));
        QCOMPARE(m_db->count("inventory_check", "id = ?", {draftId}), 0);
        QCOMPARE(m_db->count("inventory_check_item", "check_id = ?", {draftId}), 0);
        QCOMPARE(m_db->scalar("SELECT detail FROM sys_operation_log WHERE action = '删除盘点单'").toString(),
                 QString("盘点单ID: %1").arg(draftId));

        QVERIFY(!repo.deleteCheck(approvedId));
        QCOMPARE(repo.refusal(), QString("该盘点单已审核"));
        QCOMPARE(repo.findById(approvedId).items.size(), 1);
        QVERIFY(!repo.deleteCheck(999));
        QCOMPARE(repo.refusal(), QString("该盘点单不存在"));
        QCOMPARE(m_db->count("sys_operation_log", "action = '删除盘点单'"), 1);
    }

    void anApprovedSheetIsNotRewritten() {
        InventoryCheckRepository repo(m_db->db());
        InventoryCheck check = sheet();
        const int id = repo.insertCheck(check, {countedLine(1, "A2301", 50, 49)});
        QVERIFY(repo.approveCheck(id, 1));
        check.remark = "改写";
        QVERIFY(!repo.updateCheck(check, {}));
        QCOMPARE(repo.refusal(), QString("该盘点单已审核"));
        QCOMPARE(repo.findById(id).items.size(), 1);
    }

    // --- reading ---
    void searchMatchesNumberOrTypeCode_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<int>("found");
        QTest::newRow("type code") << "spot" << 1;
        QTest::newRow("type label") << "抽盘" << 0;
        QTest::newRow("number") << "0002" << 1;
        QTest::newRow("day") << "CHK20310305" << 2;
    }
    void searchMatchesNumberOrTypeCode() {
        QFETCH(QString, keyword);
        QFETCH(int, found);
        InventoryCheckRepository repo(m_db->db());
        InventoryCheck spot = sheet("spot");
        repo.insertCheck(spot, {countedLine(1, "A2301", 50, 50)});
        InventoryCheck full = sheet("full");
        repo.insertCheck(full, {countedLine(1, "A2301", 50, 50)});
        QCOMPARE(repo.search(keyword).size(), found);
        const QList<InventoryCheck> all = repo.findAll();
        QCOMPARE(all.value(0).checkNo, full.checkNo);
        QCOMPARE(all.value(0).operatorName, QString("系统管理员"));
        QCOMPARE(all.value(0).items.size(), 0);
    }

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<PinnedClock> m_clock;
};

KV_TEST_CLASS(TestInventoryCheckRepository)
#include "tst_inventorycheckrepository.moc"
