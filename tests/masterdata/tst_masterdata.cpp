#include "core/sqliteadapter.h"
#include "repositories/customerrepository.h"
#include "repositories/productrepository.h"
#include "repositories/supplierrepository.h"
#include "repositories/userrepository.h"
#include "tests/support/datarows.h"
#include "tests/support/farday.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"

#include <QtTest>

#include <functional>

using namespace kestrovalin::test;
using namespace kestrovalin::models;
using namespace kestrovalin::repositories;
using Item = ProductRepository::InventoryBatchWithProduct;
using kestrovalin::IDbAdapter;
using kestrovalin::UserRepository;

namespace {

Product makeProduct(const QString& name, const QString& barcode = QString(),
                    const QString& specification = QString(), const QString& maker = QString()) {
    Product p;
    p.name = name;
    p.barcode = barcode;
    p.specification = specification;
    p.manufacturer = maker;
    return p;
}

// A supplier with the expiry dates given for licence, business licence, GSP and tax; the others are NULL.
Supplier supplierWith(const QString& name, const QStringList& dates = {}) {
    Supplier s;
    s.name = name;
    s.licenseNo = "粤AA0200001";
    s.businessScope = QStringList{"中成药", "化学药制剂"};
    QString* fields[] = {&s.licenseExpireDate, &s.businessLicenseExpireDate, &s.gspCertExpireDate,
                         &s.taxRegExpireDate};
    for (int i = 0; i < dates.size(); ++i)
        *fields[i] = dates[i].isEmpty() ? QString() : dates[i];
    return s;
}

void addBatch(TestDatabase& t, int productId, const QString& batchNo, int quantity, const QString& expiry,
              const QVariant& supplierId = QVariant()) {
    t.exec("INSERT INTO inventory_batch (product_id, supplier_id, batch_no, production_date, expiry_date, "
           "quantity, unit_cost, status, created_at, updated_at) VALUES (?, ?, ?, '2031-01-01', ?, ?, 18.8, "
           "'normal', '2031-01-02', '2031-02-03')",
           {productId, supplierId, batchNo, expiry, quantity});
}

template <class T, class F> QString joined(const QList<T>& list, F text) {
    QStringList out;
    for (const T& x : list)
        out << text(x);
    return out.join(',');
}

template <class T> QString names(const QList<T>& list) {
    return joined(list, [](const T& x) { return x.name; });
}

// Batch ids, with the purchase order number where the list carries one.
QString batches(const QList<Item>& list) {
    return joined(list, [](const Item& x) { return QString::number(x.batch.id) + x.purchaseOrderNo; });
}

// Sold line id|returned|still returnable.
QString soldLines(const QList<Item>& list) {
    return joined(
        list, [](const Item& x) { return row(x.salesOrderItemId, x.returnedQuantity, x.batch.quantity); });
}

// One register as two copies of the program on one file see it: the record first stored, the text the other
// copy edits and the one this copy edits, how the other copy deletes the row, a step only some registers
// have, and the row's state (listed, suspended, present) read in SQL by id.
template <class Repo, class Record> struct Register {
    Record record;
    QString Record::*theirs;
    QString Record::*ours;
    std::function<void(IDbAdapter* other, int id)> remove;
    std::function<void(IDbAdapter* other, int id, Record& form)> special;
    QString state;
    QString table;
};

int store(ProductRepository& repo, const Product& p) {
    return repo.insert(p);
}
int store(SupplierRepository& repo, const Supplier& s) {
    return repo.insert(s);
}
int store(CustomerRepository& repo, Customer c) {
    return repo.insert(c) ? c.id : -1;
}
int store(UserRepository& repo, User u) {
    return repo.insert(u) ? u.id : -1;
}

struct Outcome {
    bool otherSaved = true;
    bool saved = false;
    QString reason;
    QString theirs;
    QString ours;
    QString state;
};

// This copy reads the row into its form and types into it; meanwhile the other copy changes the row, deletes
// it, takes the register's special step or only reads it (and saves its own form after this copy). With
// ", same stamp" the other copy's write leaves updated_at as this copy read it (both in one second, or a
// tool that does not stamp it).
template <class Repo, class Record>
Outcome twoCopies(TestDatabase& t, const Register<Repo, Record>& reg, QString meanwhile) {
    kestrovalin::SQLiteAdapter other;
    Outcome out;
    if (!other.connect(t.path()))
        return out;
    Repo mine(t.db());
    const int id = store(mine, reg.record);
    Record form = mine.findById(id);
    form.*reg.ours = "本机所改";
    const QString stampOf = " " + reg.table + " SET updated_at = ? WHERE id = ?";
    const QVariant stamp = t.scalar("SELECT updated_at FROM " + reg.table + " WHERE id = ?", {id});
    const bool sameStamp = meanwhile.endsWith(", same stamp");
    meanwhile = meanwhile.section(',', 0, 0);
    if (meanwhile == "changed") {
        Repo theirs(&other);
        Record elsewhere = theirs.findById(id);
        elsewhere.*reg.theirs = "别处所改";
        out.otherSaved = theirs.update(elsewhere);
    } else if (meanwhile == "deleted") {
        reg.remove(&other, id);
    } else if (meanwhile == "special") {
        reg.special(&other, id, form);
    }
    if (sameStamp)
        other.execute("UPDATE" + stampOf, {stamp, id});
    Repo theirs(&other);
    Record late = theirs.findById(id);
    out.saved = mine.update(form);
    out.reason = mine.refusal();
    if (meanwhile == "none") {
        // The other copy read the row too, but saves only now: this copy's save is the one that stays.
        late.*reg.theirs = "别处所改";
        out.otherSaved = theirs.update(late);
    }
    const Record stored = mine.findById(id);
    out.theirs = stored.*reg.theirs;
    out.ours = stored.*reg.ours;
    out.state = t.scalar(reg.state, {id}).toString();
    return out;
}

Register<ProductRepository, Product> drugs() {
    return {makeProduct("板蓝根颗粒", "6900000000017", "10g*20袋", "甲药厂"), &Product::manufacturer,
            &Product::specification, [](IDbAdapter* other, int id) { ProductRepository(other).remove(id); },
            // The form's record says deleted: an edit still never unlists the drug.
            [](IDbAdapter*, int, Product& form) { form.status = 0; },
            "SELECT status FROM product WHERE id = ?", "product"};
}

Register<SupplierRepository, Supplier> suppliers() {
    Supplier s = supplierWith("甲医药公司");
    s.contactName = "王经理";
    s.contactPhone = "020-1234567";
    return {s,
            &Supplier::contactName,
            &Supplier::contactPhone,
            [](IDbAdapter* other, int id) { SupplierRepository(other).remove(id); },
            {},
            "SELECT status FROM supplier WHERE id = ?",
            "supplier"};
}

Register<CustomerRepository, Customer> customers() {
    Customer c;
    c.name = "张三";
    c.phone = "13800000000";
    c.address = "中山路1号";
    return {c,
            &Customer::phone,
            &Customer::address,
            [](IDbAdapter* other, int id) { CustomerRepository(other).remove(id); },
            {},
            "SELECT COUNT(*) FROM customer WHERE id = ?",
            "customer"};
}

Register<UserRepository, User> users() {
    User u;
    u.username = "li";
    u.realName = "李四";
    u.passwordHash = "h";
    u.role = "clerk";
    u.status = 1;
    // Accounts are never deleted by the program; a row gone is still refused.
    return {u,
            &User::realName,
            &User::username,
            [](IDbAdapter* other, int id) { other->execute("DELETE FROM sys_user WHERE id = ?", {id}); },
            [](IDbAdapter* other, int id, User&) { UserRepository(other).setStatus(id, 0); },
            "SELECT status FROM sys_user WHERE id = ?",
            "sys_user"};
}

// The customers by id, the default marked with a star.
QString customersByDefault(TestDatabase& t) {
    return t
        .scalar("SELECT group_concat(name || substr('*', 1, is_default), ',') FROM "
                "(SELECT * FROM customer ORDER BY id)")
        .toString();
}

} // namespace

class TestMasterData : public QObject {
    Q_OBJECT
private slots:
    // Every member is written and read back. A missing barcode is stored as NULL, so any number of drugs fit
    // the unique column, while a deleted drug's barcode stays taken.
    void productRoundTripAndBarcodes() {
        TestDatabase t;
        ProductRepository repo(t.db());
        Product p = makeProduct("阿莫西林胶囊", "6901234567890", "0.25g*24粒", "华北制药");
        p.mnemonicCode = "AMXL";
        p.approvalNo = "国药准字H13023964";
        p.category = "处方药";
        p.storageCondition = "阴凉";
        p.unit = "盒";
        p.isPrescription = true;
        p.purchasePrice = 20.0;
        p.salePrice = 32.5;
        p.status = 0;
        const auto fields = [](const Product& x) {
            return row(x.id, x.barcode, x.name, x.mnemonicCode, x.specification, x.approvalNo, x.manufacturer,
                       x.category, x.storageCondition, x.isPrescription, x.unit, x.purchasePrice, x.salePrice,
                       x.status);
        };
        p.id = repo.insert(p);
        p.status = 1; // a new drug is always active
        QCOMPARE(fields(repo.findById(p.id)), fields(p));
        p.status = 0; // an edit never unlists a drug
        p.name = "阿莫西林分散片";
        p.rowToken = repo.findById(p.id).rowToken;
        QVERIFY(repo.update(p));
        p.status = 1;
        QCOMPARE(fields(repo.findById(p.id)), fields(p));

        LogCapture log;
        QCOMPARE(repo.insert(makeProduct("布洛芬片", p.barcode)), -1);
        QCOMPARE(log.count(QtCriticalMsg, "Product insert failed:"), 1);
        p.barcode = QString("");
        p.rowToken = repo.findById(p.id).rowToken;
        QVERIFY(repo.update(p) && repo.insert(makeProduct("维生素C片")) > 0);
        QVERIFY(repo.insert(makeProduct("维生素B1片", QString(""))) > 0);
        QCOMPARE(t.count("product", "barcode IS NULL"), 3);
    }

    void removedDrugsLeaveEveryList() {
        TestDatabase t;
        ProductRepository repo(t.db());
        repo.insert(makeProduct("头孢克肟片", "111"));
        const int gone = repo.insert(makeProduct("头孢克肟片", "222"));
        repo.insert(makeProduct("头孢拉定胶囊")); // not a prescription drug
        t.exec("UPDATE product SET is_prescription = 1, mnemonic_code = 'TBKW' WHERE name = '头孢克肟片'");
        QVERIFY(repo.remove(gone) && repo.findById(gone).status == 0);
        // Only search() also looks at barcode and mnemonic code.
        QCOMPARE(
            row(names(repo.findAll()), names(repo.searchByName("头孢")),
                names(repo.searchByNamePrescription("头孢")), names(repo.search("111")),
                names(repo.search("tbkw")), names(repo.search("222")), names(repo.searchByName("111"))),
            QString("头孢拉定胶囊,头孢克肟片|头孢拉定胶囊,头孢克肟片|头孢克肟片|头孢克肟片|头孢克肟片||"));
    }

    // Barcode first, then name with specification and manufacturer when given.
    void findDuplicate_data() {
        QTest::addColumn<QStringList>("typed"); // barcode, name, specification, manufacturer
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("listed barcode, other name") << QStringList{"6901", "别的", "", ""} << true;
        QTest::newRow("same drug") << QStringList{"0000", "阿莫西林胶囊", "0.25g*24粒", "华北制药"} << true;
        QTest::newRow("empty specification") << QStringList{"", "阿莫西林胶囊", "", "华北制药"} << true;
        QTest::newRow("other specification") << QStringList{"", "阿莫西林胶囊", "0.5g*12粒", ""} << false;
        QTest::newRow("other maker") << QStringList{"", "阿莫西林胶囊", "", "联邦制药"} << false;
        QTest::newRow("deleted drug") << QStringList{"6903", "停售药", "", ""} << false;
    }
    void findDuplicate() {
        QFETCH(QStringList, typed);
        QFETCH(bool, duplicate);
        TestDatabase t;
        ProductRepository repo(t.db());
        const int stored = repo.insert(makeProduct("阿莫西林胶囊", "6901", "0.25g*24粒", "华北制药"));
        repo.remove(repo.insert(makeProduct("停售药", "6903")));
        QCOMPARE(repo.findDuplicate(makeProduct(typed.at(1), typed.at(0), typed.at(2), typed.at(3))),
                 duplicate ? stored : -1);
    }

    // Stock lists hold batches with stock left that expire after the local today, of active drugs, newest
    // first; the sellable stock is searched by name or barcode. Purchase lines match by drug and batch
    // number, one row each; a batch whose only line is on a voided order comes once, without a number.
    void stockBatches() {
        PinnedClock pin(kToday, QTime(0, 30)); // in UTC+8 the UTC date is still yesterday
        TestDatabase t;                        // fresh: ids count from 1
        ProductRepository repo(t.db());
        t.exec("INSERT INTO supplier (id, name, status) VALUES (7, '国药控股', 'suspended')");
        repo.insert(makeProduct("感冒清热颗粒", "6902", "10g*10袋"));
        repo.insert(makeProduct("感冒灵颗粒"));
        addBatch(t, 1, "S1", 12, day(1), 7);
        addBatch(t, 1, "S3", 4, day(0));
        addBatch(t, 1, "S4", 0, day(200));
        addBatch(t, 2, "S5", 4, day(200));
        addBatch(t, 1, "S2", 4, day(200), 99);
        repo.remove(2);
        t.exec(
            "INSERT INTO purchase_order (id, order_no, supplier_id, status) "
            "VALUES (1, 'CG001', 1, 'completed'), (2, 'CG002', 1, 'completed'), (3, 'CG003', 1, 'voided')");
        t.exec("INSERT INTO purchase_order_item (order_id, product_id, batch_no, production_date, "
               "expiry_date, quantity, unit_price, amount) VALUES (1, 1, 'S1', '', '', 1, 1, 1), "
               "(2, 1, 'S1', '', '', 1, 1, 1), (3, 1, 'S2', '', '', 1, 1, 1)");
        QCOMPARE(row(batches(repo.findAllBatchesWithProduct()),
                     batches(repo.searchBatchesWithProduct("感冒")),
                     batches(repo.searchBatchesWithProduct("6902")), names(repo.findAllWithStock())),
                 QString("5,1|5,1|5,1|感冒清热颗粒"));
        QStringList withOrders = batches(repo.findAllBatchesWithProductWithPurchaseOrder()).split(',') +
                                 batches(repo.searchBatchesWithProductWithPurchaseOrder("感冒")).split(',');
        withOrders.sort(); // the two orders of one batch come in no set order
        QCOMPARE(withOrders.join(','), QString("1CG001,1CG001,1CG002,1CG002,5,5"));
        const Item item = repo.findAllBatchesWithProduct().value(1);
        const InventoryBatch& b = item.batch;
        QCOMPARE(row(b.productId, b.supplierId, b.batchNo, b.productionDate, b.expiryDate, b.quantity,
                     b.unitCost, b.status, b.createdAt, b.updatedAt, item.supplierName,
                     item.product.specification, item.product.status),
                 "1|7|S1|2031-01-01|" + day(1) + "|12|18.8|normal|2031-01-02|2031-02-03|国药控股|10g*10袋|1");
    }

    // A sold line offers what may still come back: completed sales returns of its order, drug and batch
    // number, summed over return lines. Fully returned lines and voided sales are left out; the batch may
    // have run out and expired since.
    void soldLinesNetOfReturns() {
        TestDatabase t;
        ProductRepository repo(t.db());
        repo.insert(makeProduct("氨溴索口服液", "6906"));
        addBatch(t, 1, "B0", 0, "2020-01-01");
        t.exec("INSERT INTO sales_order (id, order_no, status) VALUES (3, 'XS001', 'completed'), "
               "(4, 'XS002', 'voided')");
        for (int line = 0; line < 7; ++line) // B6 belongs to the voided sale
            t.exec("INSERT INTO sales_order_item (id, order_id, product_id, batch_id, batch_no, "
                   "production_date, expiry_date, quantity, unit_price, amount) "
                   "VALUES (?, ?, 1, 1, ?, '2019-01-01', '2020-01-01', 5, 26.5, 132.5)",
                   {40 + line, line < 6 ? 3 : 4, QString("B%1").arg(line)});
        t.exec("INSERT INTO return_order (id, return_no, return_type, status) VALUES (8, 'TH1', 'sales', "
               "'completed'), (9, 'TH2', 'sales', 'voided'), (10, 'TH3', 'purchase', 'completed')");
        t.exec("INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, quantity) "
               "VALUES (8, 1, 'B1', 'XS001', 1), (8, 1, 'B1', 'XS001', 1), (9, 1, 'B2', 'XS001', 2), "
               "(10, 1, 'B3', 'XS001', 2), (8, 1, 'X4', 'XS001', 2), (8, 1, 'B5', 'XS001', 5)");
        const QString all = soldLines(repo.findAllBatchesWithProductWithSalesOrder());
        QCOMPARE(all, QString("44|0|5,43|0|5,42|0|5,41|2|3,40|0|5"));
        QCOMPARE(soldLines(repo.searchBatchesWithProductWithSalesOrder("溴索")), all);
        const Item i = repo.findAllBatchesWithProductWithSalesOrder().value(3);
        QCOMPARE(row(i.soldQuantity, i.remainingQuantity, i.batch.id, i.batch.supplierId, i.batch.unitCost,
                     i.batch.batchNo, i.batch.status, i.salesOrderNo, i.product.name),
                 QString("5|3|1|-1|26.5|B1|normal|XS001|氨溴索口服液"));
    }

    // Stored status and the dates decide whether a supplier may deliver; the expiry lists compare with the
    // local date.
    void qualificationRules_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<QString>("outcome"); // calculated|qualified|findExpiring(30)|findExpired() sizes
        QTest::newRow("licence today") << "valid" << QStringList{day(0)} << "expiring|true|1|0";
        QTest::newRow("business licence +30") << "valid" << QStringList{"", day(30)} << "expiring|true|1|0";
        QTest::newRow("gsp +31") << "valid" << QStringList{"", "", day(31)} << "valid|true|0|0";
        QTest::newRow("tax yesterday") << "valid" << QStringList{"", "", "", day(-1)} << "expired|false|0|1";
        QTest::newRow("expired wins") << "valid" << QStringList{day(3), day(-3)} << "expired|false|1|1";
        QTest::newRow("no dates") << "valid" << QStringList{} << "valid|true|0|0";
        QTest::newRow("slashes") << "valid" << QStringList{"", "2031/05/15"} << "valid|false|0|0";
        QTest::newRow("stored expiring") << "expiring" << QStringList{} << "valid|false|0|0";
    }
    void qualificationRules() {
        QFETCH(QString, stored);
        QFETCH(QStringList, dates);
        PinnedClock pin(kToday, QTime(0, 10)); // in UTC+8 the UTC date is still yesterday
        TestDatabase t;
        SupplierRepository repo(t.db());
        Supplier s = supplierWith("甲", dates);
        const QString calculated = SupplierRepository::calculateQualificationStatus(s);
        s.qualificationStatus = stored;
        const int id = repo.insert(s);
        QTEST(row(calculated, repo.isSupplierQualified(id), repo.findExpiring(30).size(),
                  repo.findExpired().size()),
              "outcome");
        QVERIFY(repo.remove(id) && !repo.isSupplierQualified(id));
    }

    // What insert and update are given is stored; only an empty status is worked out from the dates. The
    // business scope round-trips through one comma-joined text. Removing suspends.
    void supplierStoredAsGivenAndRemoved() {
        PinnedClock pin(kToday);
        TestDatabase t;
        SupplierRepository repo(t.db());
        Supplier s = supplierWith("华东医药", {day(-10)});
        const int given = repo.insert(s);
        s.qualificationStatus.clear();
        QCOMPARE(repo.findById(repo.insert(s)).qualificationStatus, QString("expired"));
        s = repo.findById(given);
        QCOMPARE(row(s.name, s.licenseNo, s.licenseExpireDate, s.qualificationStatus,
                     s.businessScope.join('/'), t.scalar("SELECT business_scope FROM supplier")),
                 "华东医药|粤AA0200001|" + day(-10) + "|valid|中成药/化学药制剂|中成药,化学药制剂");
        s.qualificationStatus.clear();
        s.licenseExpireDate = day(10);
        s.name = "华润医药";
        QVERIFY(repo.update(s));
        QCOMPARE(repo.findById(given).qualificationStatus, QString("expiring"));

        QVERIFY(repo.remove(given + 1) && repo.findById(given + 1).status == "suspended");
        QCOMPARE(row(names(repo.findAll()), names(repo.searchByName("华")), names(repo.findExpired()),
                     names(repo.findExpiring(30)), repo.count()),
                 QString("华润医药|华润医药||华润医药|1"));
    }

    // An empty expiry date (as a workbook cell may give) is no date: stored as NULL, never "expired".
    void emptySupplierDatesAreNoDates() {
        PinnedClock pin(kToday);
        TestDatabase t;
        SupplierRepository repo(t.db());
        Supplier s = supplierWith("甲");
        s.licenseExpireDate = s.businessLicenseExpireDate = s.gspCertExpireDate = s.taxRegExpireDate = "";
        const int id = repo.insert(s);
        QCOMPARE(t.count("supplier",
                         "license_expire_date IS NULL AND business_license_expire_date IS NULL AND "
                         "gsp_cert_expire_date IS NULL AND tax_reg_expire_date IS NULL"),
                 1);
        QCOMPARE(names(repo.findExpired()), QString());
        QCOMPARE(repo.isSupplierQualified(id), true);
    }

    // The refresh rewrites only changed statuses, and all of them or none.
    void refreshIsOneTransaction() {
        PinnedClock pin(kToday);
        TestDatabase t;
        SupplierRepository repo(t.db());
        repo.insert(supplierWith("甲"));
        repo.insert(supplierWith("乙", {"", "", day(7)}));
        repo.insert(supplierWith("丙", {"", "", "", day(-7)}));
        repo.remove(repo.insert(supplierWith("丁", {day(-7)})));
        t.exec("UPDATE supplier SET updated_at = NULL");
        const QString statuses =
            "SELECT group_concat(qualification_status) FROM (SELECT * FROM supplier ORDER BY id)";
        t.exec("CREATE TRIGGER refuse BEFORE UPDATE ON supplier WHEN NEW.name = '丙' "
               "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        LogCapture log;
        QCOMPARE(repo.refreshAllQualificationStatus(), false);
        QCOMPARE(t.scalar(statuses).toString(), QString("valid,valid,valid,valid"));
        QVERIFY(log.contains("Supplier qualification refresh failed for id:"));
        t.exec("DROP TRIGGER refuse");
        QCOMPARE(repo.refreshAllQualificationStatus(), true);
        QCOMPARE(t.scalar(statuses).toString(), QString("valid,expiring,expired,valid"));
        QCOMPARE(t.count("supplier", "updated_at IS NOT NULL"), 2);
    }

    // Two copies on one file: a form saved after its row was changed or deleted elsewhere writes nothing and
    // says why; a row nobody touched is saved. An edit never writes a drug's status.
    void saveOnlyOverTheRowAsRead_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<QString>("ours");
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("otherSaved");
        const QString changed = "该记录已被修改，请重新打开后再编辑";
        const QString mine = "本机所改";
        const QString other = "别处所改";
        // "none": the other copy only reads, and its own save comes after this copy's.
        const auto add = [](const char* name, const QString& kind, const QString& meanwhile, bool saved,
                            const QString& reason, const QString& theirs, const QString& ours,
                            const QString& state, bool otherSaved) {
            QTest::newRow(name) << kind << meanwhile << saved << reason << theirs << ours << state
                                << otherSaved;
        };
        add("drug changed", "drug", "changed", false, changed, other, "10g*20袋", "1", true);
        add("drug deleted", "drug", "deleted", false, "该商品已被删除", "甲药厂", "10g*20袋", "0", true);
        add("drug deleted, same stamp", "drug", "deleted, same stamp", false, "该商品已被删除", "甲药厂",
            "10g*20袋", "0", true);
        add("drug changed, same stamp", "drug", "changed, same stamp", false, changed, other, "10g*20袋", "1",
            true);
        add("drug form holding status 0", "drug", "special", true, "", "甲药厂", mine, "1", true);
        add("drug saved first", "drug", "none", true, "", "甲药厂", mine, "1", false);
        add("supplier changed", "supplier", "changed", false, changed, other, "020-1234567", "active", true);
        add("supplier deleted", "supplier", "deleted", false, "该供应商已被删除", "王经理", "020-1234567",
            "suspended", true);
        add("supplier deleted, same stamp", "supplier", "deleted, same stamp", false, "该供应商已被删除",
            "王经理", "020-1234567", "suspended", true);
        add("supplier saved first", "supplier", "none", true, "", "王经理", mine, "active", false);
        add("customer changed", "customer", "changed", false, changed, other, "中山路1号", "1", true);
        add("customer changed, same stamp", "customer", "changed, same stamp", false, changed, other,
            "中山路1号", "1", true);
        add("customer deleted", "customer", "deleted", false, "该客户已被删除", "", "", "0", true);
        add("customer saved first", "customer", "none", true, "", "13800000000", mine, "1", false);
        add("user changed", "user", "changed", false, changed, other, "li", "1", true);
        add("user disabled", "user", "special", false, changed, "李四", "li", "0", true);
        add("user disabled, same stamp", "user", "special, same stamp", false, changed, "李四", "li", "0",
            true);
        add("user deleted", "user", "deleted", false, "该用户已被删除", "", "", "", true);
        add("user saved first", "user", "none", true, "", "李四", mine, "1", false);
    }
    void saveOnlyOverTheRowAsRead() {
        QFETCH(QString, kind);
        QFETCH(QString, meanwhile);
        TestDatabase t;
        LogCapture log;
        Outcome out;
        if (kind == "drug")
            out = twoCopies(t, drugs(), meanwhile);
        else if (kind == "supplier")
            out = twoCopies(t, suppliers(), meanwhile);
        else if (kind == "customer")
            out = twoCopies(t, customers(), meanwhile);
        else
            out = twoCopies(t, users(), meanwhile);
        QTEST(out.otherSaved, "otherSaved");
        QTEST(out.saved, "saved");
        QTEST(out.reason, "reason");
        QTEST(out.theirs, "theirs");
        QTEST(out.ours, "ours");
        QTEST(out.state, "state");
        QCOMPARE(t.db()->inTransaction(), false);
        // One log line per refused save, which names the row and says why.
        const QStringList lines = log.dump().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), int(!out.saved) + int(!out.otherSaved));
        if (!out.saved)
            QVERIFY2(lines.first().contains(out.reason), qPrintable(lines.first()));
    }

    // Whatever a form sends, exactly one customer stays the default: ticking one (new or stored) takes the
    // flag from the others, and an unticked default keeps it.
    void oneDefaultCustomer_data() {
        QTest::addColumn<QString>("form"); // the customer the form edits; a new one is added
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("left");
        QTest::newRow("default unticked") << "零售客户" << false << "零售客户*,张三";
        QTest::newRow("stored one ticked") << "张三" << true << "零售客户,张三*";
        QTest::newRow("new one ticked") << "王五" << true << "零售客户,张三,王五*";
    }
    void oneDefaultCustomer() {
        QFETCH(QString, form);
        QFETCH(bool, ticked);
        TestDatabase t;
        t.exec("INSERT INTO customer (name) VALUES ('张三')");
        CustomerRepository repo(t.db());
        Customer c = repo.findById(t.scalar("SELECT id FROM customer WHERE name = ?", {form}).toInt());
        c.name = form;
        c.phone = "1";
        c.isDefault = ticked;
        QVERIFY(c.id ? repo.update(c) : repo.insert(c));
        QTEST(customersByDefault(t), "left");
        QCOMPARE(t.count("customer", "phone = '1'"), 1);
    }

    // Deleting 张三 after the other copy moved the default (or deleted 张三) since this copy read its list:
    // the stored flag decides, so some customer stays the default for the next sale.
    void customerDeleteKeepsTheStoredDefault_data() {
        QTest::addColumn<bool>("wasDefault");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("left");
        QTest::newRow("plain") << false << "" << true << QString() << "零售客户*";
        QTest::newRow("default") << true << "" << false << QString("默认客户不能删除") << "零售客户,张三*";
        QTest::newRow("made default")
            << false << "张三" << false << QString("默认客户不能删除") << "零售客户,张三*";
        QTest::newRow("default moved away") << true << "零售客户" << true << QString() << "零售客户*";
        QTest::newRow("deleted") << false << "deleted" << false << QString("该客户已被删除") << "零售客户*";
    }
    void customerDeleteKeepsTheStoredDefault() {
        QFETCH(bool, wasDefault);
        QFETCH(QString, meanwhile);
        TestDatabase t;
        kestrovalin::SQLiteAdapter other;
        QVERIFY(other.connect(t.path()));
        CustomerRepository mine(t.db());
        Customer c;
        c.name = "张三";
        c.isDefault = wasDefault;
        QVERIFY(mine.insert(c));
        CustomerRepository theirs(&other);
        if (meanwhile == "deleted") {
            theirs.remove(c.id);
        } else if (!meanwhile.isEmpty()) {
            const int id = t.scalar("SELECT id FROM customer WHERE name = ?", {meanwhile}).toInt();
            Customer made = theirs.findById(id);
            made.isDefault = true;
            QVERIFY(theirs.update(made));
        }
        QTEST(mine.remove(c.id), "removed");
        QTEST(mine.refusal(), "reason");
        QTEST(customersByDefault(t), "left");
        QCOMPARE(t.db()->inTransaction(), false);
    }
};

KV_TEST_CLASS(TestMasterData)
#include "tst_masterdata.moc"
