#pragma once

#include "models/inventorycheck.h"
#include "models/returnorder.h"
#include "tests/support/testdatabase.h"

#include <QDate>
#include <QVariant>

namespace kestrovalin::test {

// Far from the machine's real date, so a statement that used SQLite's own (UTC) clock would give other
// answers.
inline const QDate kReturnDay(2031, 3, 5);

inline QString dayText(int offset) {
    return kReturnDay.addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
}

// Rows that returns and stocktaking work on, with explicit ids.
struct ReturnSeed {
    TestDatabase& t;

    void product(int id, const QString& name, const QString& barcode = QString()) {
        t.exec("INSERT INTO product (id, barcode, name, specification, category, status) VALUES (?, ?, ?, "
               "'0.25g*24粒', '抗生素', 1)",
               {id, barcode.isEmpty() ? QVariant(QVariant::String) : QVariant(barcode), name});
    }
    void batch(int id, int productId, const QString& batchNo, int quantity, int expiryOffset = 365,
               double unitCost = 12.5) {
        t.exec(
            "INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, "
            "expiry_date, quantity, unit_cost, status) VALUES (?, ?, 1, ?, '2030-01-01', ?, ?, ?, 'normal')",
            {id, productId, batchNo, dayText(expiryOffset), quantity, unitCost});
    }
    void purchase(int id, const QString& orderNo, int productId, const QString& batchNo,
                  const QString& status = QStringLiteral("completed")) {
        t.exec("INSERT INTO purchase_order (id, order_no, supplier_id, status) VALUES (?, ?, 1, ?)",
               {id, orderNo, status});
        t.exec(
            "INSERT INTO purchase_order_item (order_id, product_id, batch_no, production_date, expiry_date, "
            "quantity, unit_price, amount) VALUES (?, ?, ?, '2030-01-01', '2032-01-01', 10, 12.5, 125)",
            {id, productId, batchNo});
    }
    void sale(int id, const QString& orderNo, const QString& status = QStringLiteral("completed")) {
        t.exec("INSERT INTO sales_order (id, order_no, status) VALUES (?, ?, ?)", {id, orderNo, status});
    }
    void soldLine(int id, int orderId, int productId, int batchId, const QString& batchNo, int quantity,
                  double price = 25.8) {
        t.exec(
            "INSERT INTO sales_order_item (id, order_id, product_id, batch_id, batch_no, production_date, "
            "expiry_date, quantity, unit_price, amount) VALUES (?, ?, ?, ?, ?, '2030-02-01', '2032-02-01', "
            "?, ?, ?)",
            {id, orderId, productId, batchId, batchNo, quantity, price, quantity * price});
    }
    // The two drugs most tests start from, each with one batch (ids 11 and 12).
    void twoDrugs(int firstStock, int secondStock, double secondCost = 12.5) {
        product(1, QStringLiteral("阿莫西林胶囊"), QStringLiteral("6901234567001"));
        product(2, QStringLiteral("布洛芬缓释胶囊"), QStringLiteral("6901234567002"));
        batch(11, 1, QStringLiteral("A2301"), firstStock);
        batch(12, 2, QStringLiteral("B2302"), secondStock, 365, secondCost);
    }
    int quantity(int batchId) {
        return t.scalar("SELECT quantity FROM inventory_batch WHERE id = ?", {batchId}).toInt();
    }
};

// One return line of a drug's batch, as the dialogs build it.
inline models::ReturnOrderItem returnLine(int productId, const QString& batchNo, int quantity,
                                          const QString& orderNo = QString(), double price = 12.5,
                                          int batchId = 0) {
    models::ReturnOrderItem item;
    item.productId = productId;
    item.batchId = batchId;
    item.batchNo = batchNo;
    item.productionDate = QStringLiteral("2030-02-01");
    item.expiryDate = QStringLiteral("2032-02-01");
    item.originalOrderNo = orderNo;
    item.quantity = quantity;
    item.unitPrice = price;
    item.amount = quantity * price;
    item.reason = QStringLiteral("包装破损");
    return item;
}

// One counted line of a stocktaking sheet, its difference as the sheet dialog works it out.
inline models::InventoryCheckItem countedLine(int productId, const QString& batchNo, int booked, int count) {
    models::InventoryCheckItem item;
    item.productId = productId;
    item.batchNo = batchNo;
    item.productionDate = QStringLiteral("2030-03-01");
    item.expiryDate = QStringLiteral("2033-03-01");
    item.systemQuantity = booked;
    item.actualQuantity = count;
    item.diffQuantity = count - booked;
    item.diffReason = QStringLiteral("破损");
    return item;
}

} // namespace kestrovalin::test
