#pragma once

#include "models/rejecteddrug.h"
#include "tests/support/datarows.h"
#include "tests/support/testdatabase.h"

#include <QDate>
#include <QSqlQuery>

namespace kestrovalin::test {

// The local day every non-conforming drug test runs on.
inline const QDate kRejectToday(2031, 5, 20);

// Two clerks besides the administrator (1), two suppliers, four drugs (104 delisted) and five batches:
// 11 阿莫西林 20 in stock, 12 藿香正气水 30 expired on 2031-05-01, 13 板蓝根 none left, 14 of the delisted
// drug, 15 阿莫西林 5 in stock without supplier.
inline void seedStock(TestDatabase& t) {
    t.exec("INSERT INTO sys_user (id, username, password_hash, real_name, role, status) VALUES "
           "(7, 'zhangli', 'x', '张丽', 'clerk', 1), (8, 'wangfang', 'x', '王芳', 'clerk', 1)");
    t.exec("INSERT INTO supplier (id, name) VALUES (1, '上海康联医药有限公司'), (2, '江苏恒泰医药有限公司')");
    t.exec("INSERT INTO product (id, barcode, name, mnemonic_code, specification, manufacturer, category, "
           "status) "
           "VALUES (101, '6921361200154', '阿莫西林胶囊', 'AMXLJN', '0.25g*24粒', '华康制药', '处方药', 1), "
           "(102, '6935502900286', '藿香正气水', 'HXZQS', '10ml*10支', '蜀中药业', 'OTC甲类', 1), "
           "(103, '6902115300209', '板蓝根颗粒', 'BLGKL', '10g*20袋', '岭南中药', 'OTC甲类', 1), "
           "(104, '6926104300187', '硝苯地平缓释片', 'XBDPHSP', '10mg*30片', '京华双鹿', '处方药', 0)");
    t.exec(
        "INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, expiry_date, "
        "quantity) VALUES "
        "(11, 101, 1, 'A231120', '2030-01-10', '2032-01-10', 20), "
        "(12, 102, 2, 'HX220915', '2029-05-01', '2031-05-01', 30), "
        "(13, 103, 2, 'BLG240101', '2030-01-01', '2033-01-01', 0), "
        "(14, 104, 1, 'XB230201', '2030-02-01', '2032-06-01', 15), "
        "(15, 101, NULL, 'A240501', '2031-05-01', '2033-05-01', 5)");
}

// One record as a registration stores it; created_at decides the order of the lists.
struct SeedRecord {
    int id;
    int productId;
    int batchId;
    int quantity;
    const char* reason;
    const char* status;
    int foundBy;
    const char* createdAt;
};

inline void seedRecord(TestDatabase& t, const SeedRecord& r) {
    t.exec("INSERT INTO unqualified_drug (id, product_id, product_name, barcode, product_spec, manufacturer, "
           "batch_id, batch_no, production_date, expiry_date, quantity, supplier_id, supplier_name, reason, "
           "reason_remark, report_date, found_by, status, created_at) "
           "SELECT ?, ?, COALESCE(p.name, '已删除药品'), p.barcode, p.specification, p.manufacturer, ?, "
           "COALESCE(b.batch_no, 'X0'), b.production_date, b.expiry_date, ?, b.supplier_id, s.name, ?, '', "
           "substr(?, 1, 10), ?, ?, ? FROM (SELECT 1) LEFT JOIN product p ON p.id = ? "
           "LEFT JOIN inventory_batch b ON b.id = ? LEFT JOIN supplier s ON s.id = b.supplier_id",
           {r.id, r.productId, r.batchId, r.quantity, r.reason, r.createdAt, r.foundBy, r.status, r.createdAt,
            r.productId, r.batchId});
}

// The register: 1 pending (阿莫西林, 张丽), 2 confirmed (藿香正气水, 王芳), 3 processed (the delisted drug),
// 4 of a drug whose row is gone with a status code outside the list; newest first 4, 2, 3, 1.
inline void seedRegister(TestDatabase& t) {
    seedStock(t);
    seedRecord(t, {1, 101, 11, 2, "damaged", "pending", 7, "2031-05-10 09:00:00"});
    seedRecord(t, {2, 102, 12, 30, "expired", "confirmed", 8, "2031-05-12 10:30:00"});
    seedRecord(t, {3, 104, 14, 1, "recall", "processed", 1, "2031-05-11 15:00:00"});
    seedRecord(t, {4, 999, 13, 1, "odd", "Pending", 7, "2031-05-13 08:00:00"});
    t.exec("UPDATE unqualified_drug SET process_type = 'return', process_date = '2031-05-12', process_by = 1 "
           "WHERE id = 3");
    // What the confirmation of record 2 set aside.
    t.exec("UPDATE inventory_batch SET quantity = 0, rejected_quantity = 30 WHERE id = 12");
}

// A batch row's two stock columns, "quantity/rejected".
inline QString stockOf(TestDatabase& t, int batchId) {
    QSqlQuery q =
        t.db()->query("SELECT quantity, rejected_quantity FROM inventory_batch WHERE id = ?", {batchId});
    return q.next() ? q.value(0).toString() + '/' + q.value(1).toString() : QStringLiteral("none");
}

// Every field of a record in declaration order, joined by '|'.
inline QString fields(const models::RejectedDrug& d) {
    return row(d.id, d.productId, d.productName, d.barcode, d.productSpec, d.manufacturer, d.batchId,
               d.batchNo, d.productionDate, d.expiryDate, d.quantity, d.supplierId, d.supplierName, d.reason,
               d.reasonRemark, d.reportDate, d.foundBy, d.foundByName, d.status, d.processType, d.processDate,
               d.processBy, d.processByName, d.remark, d.createdAt);
}

inline QString statusOf(TestDatabase& t, int id) {
    return t.scalar("SELECT status FROM unqualified_drug WHERE id = ?", {id}).toString();
}

} // namespace kestrovalin::test
