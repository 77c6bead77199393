#pragma once

#include "tests/support/testdatabase.h"

#include <QDate>

namespace kestrovalin::test {

// The pinned "today" of the dashboard tests: a Wednesday.
inline const QDate kToday(2026, 3, 11);

inline QString day(int offsetFromToday) {
    return kToday.addDays(offsetFromToday).toString("yyyy-MM-dd");
}

inline void addSale(TestDatabase& t, const QString& date, double amount,
                    const QString& status = "completed") {
    static int number = 0;
    t.exec("INSERT INTO sales_order (order_no, total_amount, sale_date, status) VALUES (?, ?, ?, ?)",
           {QString("SAL%1").arg(++number), amount, date, status});
}

inline void addBatch(TestDatabase& t, int product, const QString& expiry, int quantity) {
    t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (?, 'B', ?, ?)",
           {product, expiry, quantity});
}

inline void addRejected(TestDatabase& t, const QString& status) {
    t.exec("INSERT INTO unqualified_drug (product_id, product_name, batch_id, batch_no, quantity, reason, "
           "found_by, status) VALUES (1, '阿莫西林胶囊', 1, 'B1', 1, 'damaged', 1, ?)",
           {status});
}

} // namespace kestrovalin::test
