#pragma once

#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QDate>
#include <QString>

namespace kestrovalin::test {

// Far from the machine's real date: a query on SQLite's own (UTC) clock would give other answers.
inline const QDate kStockToday(2031, 5, 20);

inline QString stockDay(int offsetFromToday) {
    return dayText(kStockToday, offsetFromToday);
}

// Drugs: 1 and 2 listed with stock, 3 deleted with stock, 4 listed without batch, 5 listed with batches at 0,
// 6 deleted without batch. Batch ids are the insertion order:
//   1 drug 1, supplier 1, 50 left, expires in 400 days      5 drug 3 (deleted), 3 left, in 200 days
//   2 drug 1, supplier 0, 10 left, expired a year ago         6 drug 5, empty, in 100 days
//   3 drug 2, no supplier, 5 left, expires in 30 days         7 drug 2, empty, expired 10 days ago
//   4 drug 2, supplier 1, 8 left, expires in 31 days          8 drug 5, empty, expired 40 days ago
inline void seedStock(TestDatabase& t) {
    t.exec("INSERT INTO supplier (id, name, license_no) VALUES (1, '上海康联医药有限公司', '沪AA0210235')");
    const char* drugs[][5] = {{"1", "6921361200154", "阿莫西林胶囊", "0.25g*24粒", "1"},
                              {"2", "6932140500213", "布洛芬缓释胶囊", "0.3g*20粒", "1"},
                              {"3", "6926104300187", "硝苯地平缓释片", "10mg*30片", "0"},
                              {"4", "6917230400345", "蒙脱石散", "3g*10袋", "1"},
                              {"5", "6940028300127", "复方甘草片", "100片", "1"},
                              {"6", "6935502900286", "藿香正气水", "10ml*10支", "0"}};
    for (const auto& d : drugs)
        t.exec("INSERT INTO product (id, barcode, name, specification, manufacturer, category, unit, "
               "purchase_price, sale_price, status) VALUES (?, ?, ?, ?, '华康制药股份有限公司', 'OTC甲类', "
               "'盒', 8.5, 16.8, ?)",
               {d[0], d[1], d[2], d[3], d[4]});
    auto batch = [&t](int product, const QVariant& supplier, const QString& batchNo, int quantity,
                      int expiry) {
        t.exec(
            "INSERT INTO inventory_batch (product_id, supplier_id, batch_no, production_date, expiry_date, "
            "quantity, unit_cost, status) VALUES (?, ?, ?, '2030-03-01', ?, ?, 7.25, 'normal')",
            {product, supplier, batchNo, stockDay(expiry), quantity});
    };
    batch(1, 1, "A2301", 50, 400);
    batch(1, 0, "A2302", 10, -365);
    batch(2, QVariant(), "B7788", 5, 30);
    batch(2, 1, "B7789", 8, 31);
    batch(3, 1, "C0012", 3, 200);
    batch(5, 1, "E5501", 0, 100);
    batch(2, 1, "B6601", 0, -10);
    batch(5, 1, "E5502", 0, -40);
}

} // namespace kestrovalin::test
