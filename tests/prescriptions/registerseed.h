#pragma once

#include "tests/support/testdatabase.h"

namespace kestrovalin::test {

// Three listed prescription drugs, one drug sold without prescription and one no longer listed.
inline void seedDrugs(TestDatabase& t) {
    t.exec("INSERT INTO product (id, barcode, name, mnemonic_code, specification, unit, is_prescription, "
           "status) "
           "VALUES (101, '6921361200154', '阿莫西林胶囊', 'AMXLJN', '0.25g*24粒', '盒', 1, 1), "
           "(102, '6923504100518', '头孢克肟分散片', 'TBKWFSP', '0.1g*6片', '盒', 1, 1), "
           "(103, '6911824300372', '奥美拉唑肠溶胶囊', 'AMLZCRJN', '20mg*14粒', '盒', 1, 1), "
           "(104, '6932140500213', '布洛芬缓释胶囊', 'BLFHSJN', '0.3g*20粒', '盒', 0, 1), "
           "(105, '6926104300187', '硝苯地平缓释片', 'XBDPHSP', '10mg*30片', '盒', 1, 0)");
}

// A small register over those drugs: four prescriptions registered on four days, and one sale that used H2.
inline void seedRegister(TestDatabase& t) {
    seedDrugs(t);
    t.exec("INSERT INTO prescription (id, prescription_no, doctor_name, patient_name, created_at, status) "
           "VALUES "
           "(1, 'H1', '李卫东', '王建国', '2031-05-01 02:00:00', 'valid'), "
           "(2, 'H2', '张敏', '李秀兰', '2031-05-03 02:00:00', 'used'), "
           "(3, 'H3', '李卫东', '陈志强', '2031-05-02 02:00:00', 'valid'), "
           "(4, 'H4', '赵刚', '王建华', '2031-05-04 02:00:00', 'expired')");
    // Line names are copies taken at registration; H2's copy differs from today's product name.
    t.exec("INSERT INTO prescription_item (id, prescription_id, product_id, product_name, quantity) VALUES "
           "(1, 1, 101, '阿莫西林胶囊', 2), (2, 1, 103, '奥美拉唑肠溶胶囊', 1), "
           "(3, 2, 102, '头孢克肟片', 1), (4, 3, 101, '阿莫西林胶囊', 1), (5, 1, 101, '阿莫西林胶囊', 1)");
    t.exec("INSERT INTO sales_order_item (order_id, product_id, batch_id, batch_no, production_date, "
           "expiry_date, "
           "quantity, unit_price, amount, is_prescription, prescription_id) VALUES "
           "(1, 102, 5, 'TB240601', '2030-01-01', '2032-01-01', 1, 36, 36, 1, 2), "
           "(1, 101, 1, 'A231120', '2030-01-01', '2032-01-01', 1, 16.8, 16.8, 0, NULL)");
}

} // namespace kestrovalin::test
