#include "repositories/productrepository.h"

#include "core/clock.h"
#include "core/rowreader.h"
#include "repositories/guardedstatus.h"

#include <QDebug>
#include <QSqlQuery>

namespace kestrovalin::repositories {

using models::Product;
using Batch = ProductRepository::InventoryBatchWithProduct;

Product readProduct(const Row& row) {
    Product p;
    p.id = row.integer("id");
    p.barcode = row.text("barcode");
    p.name = row.text("name");
    p.mnemonicCode = row.text("mnemonic_code");
    p.specification = row.text("specification");
    p.approvalNo = row.text("approval_no");
    p.manufacturer = row.text("manufacturer");
    p.category = row.text("category");
    p.storageCondition = row.text("storage_condition");
    p.isPrescription = row.flag("is_prescription");
    p.unit = row.text("unit");
    p.purchasePrice = row.number("purchase_price");
    p.salePrice = row.number("sale_price");
    p.status = row.integer("status");
    p.createdAt = row.text("created_at");
    p.updatedAt = row.text("updated_at");
    p.rowToken = row.text(kTokenColumn);
    return p;
}

models::InventoryBatch readBatch(const Row& row) {
    models::InventoryBatch b;
    b.id = row.integer("batch_id");
    b.productId = row.integer("product_id");
    b.supplierId = row.integer("supplier_id");
    b.batchNo = row.text("batch_no");
    b.productionDate = row.text("production_date");
    b.expiryDate = row.text("expiry_date");
    b.quantity = row.integer("quantity");
    b.unitCost = row.number("unit_cost");
    b.status = row.text("batch_status");
    b.createdAt = row.text("batch_created_at");
    b.updatedAt = row.text("batch_updated_at");
    return b;
}

// A stock batch with its drug, its supplier's name and, for the purchase-return picker, the order number.
Batch ProductRepository::readStockBatch(const Row& row) {
    Batch item;
    item.batch = readBatch(row);
    item.supplierName = row.text("supplier_name");
    item.purchaseOrderNo = row.text("order_no");
    item.product = readProduct(row);
    return item;
}

// A sold line with what is left of it to return; the drug's id comes from its alias.
Batch ProductRepository::readSoldLine(const Row& row) {
    Batch item;
    item.soldQuantity = row.integer("sold_quantity");
    item.returnedQuantity = row.integer("returned_quantity");
    item.remainingQuantity = item.soldQuantity - item.returnedQuantity;
    item.salesOrderItemId = row.integer("soi_id");
    item.batch.id = row.integer("batch_id");
    item.batch.productId = row.integer("product_id");
    item.batch.batchNo = row.text("batch_no");
    item.batch.productionDate = row.text("production_date");
    item.batch.expiryDate = row.text("expiry_date");
    item.batch.quantity = item.remainingQuantity;
    item.batch.unitCost = row.number("unit_price");
    item.batch.status = QStringLiteral("normal");
    item.product = readProduct(row);
    item.product.id = row.integer("p_id");
    item.salesOrderNo = row.text("order_no");
    return item;
}

namespace {

QString likePattern(const QString& keyword) {
    return QStringLiteral("%") + keyword + QStringLiteral("%");
}

// A drug without barcode stores NULL, so the unique column admits any number of them.
QList<QVariant> productValues(const Product& p) {
    return {nullIfEmpty(p.barcode), p.name,     p.mnemonicCode,     p.specification,          p.approvalNo,
            p.manufacturer,         p.category, p.storageCondition, p.isPrescription ? 1 : 0, p.unit,
            p.purchasePrice,        p.salePrice};
}

const QStringList kEditedColumns{QStringLiteral("barcode"),         QStringLiteral("name"),
                                 QStringLiteral("mnemonic_code"),   QStringLiteral("specification"),
                                 QStringLiteral("approval_no"),     QStringLiteral("manufacturer"),
                                 QStringLiteral("category"),        QStringLiteral("storage_condition"),
                                 QStringLiteral("is_prescription"), QStringLiteral("unit"),
                                 QStringLiteral("purchase_price"),  QStringLiteral("sale_price")};

// An edit compares the drug's status too: a drug deleted meanwhile is not brought back.
const TokenGuard kEditGuard{QStringLiteral("product"), QStringLiteral("商品"),
                            kEditedColumns +
                                QStringList{QStringLiteral("status"), QStringLiteral("updated_at")},
                            QStringLiteral("status = 0")};

// Business dates are local; SQLite's CURRENT_DATE is UTC, so today is bound as a parameter.
QVariant today() {
    return Clock::todayText();
}

const QString kBatchColumns = QStringLiteral(
    "b.id as batch_id, b.product_id, b.supplier_id, b.batch_no, b.production_date, b.expiry_date, "
    "b.quantity, b.unit_cost, b.status as batch_status, b.created_at as batch_created_at, "
    "b.updated_at as batch_updated_at, "
    "p.id, p.barcode, p.name, p.specification, p.approval_no, p.manufacturer, "
    "p.category, p.storage_condition, p.is_prescription, p.unit, p.purchase_price, p.sale_price, p.status, "
    "p.created_at, p.updated_at, ");

// The batches outermost (CROSS JOIN), read newest first in key order (NOT INDEXED), so a page reads its own
// rows and no more: the planner would otherwise walk every sellable batch or every listed drug's batches and
// sort them all for each page.
const QString kBatchesWithDrug =
    QStringLiteral("FROM inventory_batch b NOT INDEXED CROSS JOIN product p ON b.product_id = p.id ");

// Sellable batches of listed drugs, newest first.
ListQuery stockBatchList() {
    ListQuery list;
    list.columns = kBatchColumns + QStringLiteral("s.name as supplier_name");
    list.from = kBatchesWithDrug + QStringLiteral("LEFT JOIN supplier s ON b.supplier_id = s.id");
    list.where = QStringLiteral("b.quantity > 0 AND b.expiry_date > ? AND p.status = 1");
    list.params = {today()};
    list.order = {{QStringLiteral("b.id"), true}};
    return list;
}

// Each of the condition's placeholders takes the keyword as a substring pattern.
ListQuery& matching(ListQuery& list, const QString& condition, const QString& keyword) {
    QList<QVariant> patterns;
    for (int i = condition.count(QLatin1Char('?')); i > 0; --i)
        patterns << likePattern(keyword);
    return list.filter(condition, patterns);
}

// The returned quantity of a sold line, looked up by its order number, drug and batch number through their
// index, so a page of sold lines never reads the other return lines.
const QString kReturnedQuantity = QStringLiteral(
    "COALESCE((SELECT SUM(roi.quantity) FROM return_order_item roi INNER JOIN return_order ro "
    "ON roi.return_id = ro.id WHERE roi.original_order_no = so.order_no AND roi.product_id = soi.product_id "
    "AND roi.batch_no = soi.batch_no AND ro.status = 'completed' AND ro.return_type = 'sales'), 0)");

const QString kNameCondition = QStringLiteral("p.name LIKE ?");
// The pickers of sellable stock promise barcodes in their search boxes; a scanned code finds its drug.
const QString kNameOrBarcodeCondition = QStringLiteral("p.name LIKE ? OR p.barcode LIKE ?");

} // namespace

ProductRepository::ProductRepository(IDbAdapter* db) : m_db(db) {}

int ProductRepository::insert(const Product& product) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return -1;
    QSqlQuery q = m_db->query(
        QStringLiteral("INSERT INTO product (barcode, name, mnemonic_code, specification, approval_no, "
                       "manufacturer, category, storage_condition, is_prescription, unit, purchase_price, "
                       "sale_price, status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1)"),
        productValues(product));
    if (!q.isActive()) {
        qCritical().noquote() << "Product insert failed:" << m_db->failureText(q);
        refuseInput(takenBarcode(product, 0));
        return -1;
    }
    const QVariant id = q.lastInsertId();
    return id.isValid() ? id.toInt() : -1;
}

BulkInsertResult ProductRepository::insertAll(const QList<Product>& products, const RowHook& beforeEachRow) {
    return insertEach(
        m_db, products, [this](const Product& product) { return insert(product) >= 1; }, beforeEachRow);
}

bool ProductRepository::update(const Product& product) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    // Never the status: an edit neither lists nor unlists a drug.
    QString reason;
    if (saveUnchanged(m_db, kEditGuard, product.id, product.rowToken,
                      stampedColumns(kEditedColumns, productValues(product)), &reason))
        return true;
    qCritical().noquote() << "Product update failed - id:" << product.id << reason;
    return reason.isEmpty() ? refuseInput(takenBarcode(product, product.id)) : refuse(reason);
}

QString ProductRepository::takenBarcode(const Product& product, int exceptId) const {
    const std::optional<QString> holder =
        repositories::uniqueHolder(m_db, QStringLiteral("product"), QStringLiteral("barcode"),
                                   product.barcode, exceptId, QStringLiteral("name"));
    return holder ? QStringLiteral("条码 %1 已被商品「%2」使用").arg(product.barcode, *holder) : QString();
}

bool ProductRepository::remove(int id) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    const bool ok = m_db->execute(
        QStringLiteral("UPDATE product SET status = 0, updated_at = CURRENT_TIMESTAMP WHERE id = ?"), {id});
    if (!ok)
        qCritical().noquote() << "Product soft delete failed for id:" << id;
    return ok;
}

Product ProductRepository::readOne(const QString& sql, const QList<QVariant>& params) {
    return readFirst(m_db, sql, params, readProduct);
}

Product ProductRepository::findById(int id) {
    if (!m_db)
        return Product();
    return readOne(selectWithToken(kEditGuard) + QStringLiteral(" WHERE id = ?"), {id});
}

Product ProductRepository::searchByBarcode(const QString& barcode) {
    if (!m_db)
        return Product();
    return readOne(QStringLiteral("SELECT * FROM product WHERE status = 1 AND barcode = ?"), {barcode});
}

bool ProductRepository::barcodeTaken(const QString& barcode) {
    if (barcode.isEmpty())
        return false;
    return readValue(m_db, QStringLiteral("SELECT id FROM product WHERE barcode = ?"), {barcode}).has_value();
}

QList<Product> ProductRepository::listed(const ListQuery& list) {
    return kestrovalin::readList(m_db, list, readProduct);
}

ListQuery ProductRepository::productList(const QString& keyword) {
    ListQuery list = listedProducts(QString(), Listed::All);
    return keyword.isEmpty()
               ? list
               : matching(list, QStringLiteral("name LIKE ? OR barcode LIKE ? OR mnemonic_code LIKE ?"),
                          keyword);
}

ListQuery ProductRepository::listedProducts(const QString& name, Listed which) {
    ListQuery list;
    list.columns = QStringLiteral("*");
    list.from = QStringLiteral("FROM product p");
    list.where = QStringLiteral("p.status = 1");
    list.order = {{QStringLiteral("p.id"), true}};
    if (which == Listed::Prescription)
        list.filter(QStringLiteral("p.is_prescription = 1"));
    if (!name.isEmpty())
        list.filter(kNameCondition, {likePattern(name)});
    if (which == Listed::WithStock)
        list.filter(QStringLiteral("EXISTS (SELECT 1 FROM inventory_batch b WHERE b.product_id = p.id AND "
                                   "b.quantity > 0 AND b.expiry_date > ?)"),
                    {today()});
    return list;
}

QList<Product> ProductRepository::findAll() {
    return listed(productList(QString()));
}

QList<Product> ProductRepository::searchByName(const QString& keyword) {
    return listed(listedProducts(keyword, Listed::All));
}

QList<Product> ProductRepository::search(const QString& keyword) {
    return listed(productList(keyword));
}

QList<Product> ProductRepository::findAllWithStock() {
    return listed(listedProducts(QString(), Listed::WithStock));
}

QList<Product> ProductRepository::searchByNameWithStock(const QString& keyword) {
    return listed(listedProducts(keyword, Listed::WithStock));
}

QList<Product> ProductRepository::findAllPrescription() {
    return listed(listedProducts(QString(), Listed::Prescription));
}

QList<Product> ProductRepository::searchByNamePrescription(const QString& keyword) {
    return listed(listedProducts(keyword, Listed::Prescription));
}

int ProductRepository::findDuplicate(const Product& product) {
    if (!m_db)
        return -1;
    if (!product.barcode.isEmpty()) {
        const std::optional<QVariant> id =
            readValue(m_db, QStringLiteral("SELECT id FROM product WHERE barcode = ? AND status = 1"),
                      {product.barcode});
        if (id)
            return id->toInt();
    }
    if (product.name.isEmpty())
        return -1;
    QString sql = QStringLiteral("SELECT id FROM product WHERE name = ? AND status = 1");
    QList<QVariant> params{product.name};
    if (!product.specification.isEmpty()) {
        sql += QStringLiteral(" AND specification = ?");
        params << product.specification;
    }
    if (!product.manufacturer.isEmpty()) {
        sql += QStringLiteral(" AND manufacturer = ?");
        params << product.manufacturer;
    }
    return readValue(m_db, sql, params).value_or(-1).toInt();
}

ListedProductKeys ProductRepository::listedKeys() {
    ListedProductKeys keys;
    visitRows(m_db,
              QStringLiteral("SELECT id, barcode, name, specification, manufacturer FROM product "
                             "WHERE status = 1 ORDER BY id"),
              {}, [&keys](const Row& row) {
                  keys.add(row.integer("id"), row.text("barcode"), row.text("name"),
                           row.text("specification"), row.text("manufacturer"));
              });
    return keys;
}

// In id order: the first id kept for a key is the lowest.
void ListedProductKeys::add(int id, const QString& barcode, const QString& name, const QString& specification,
                            const QString& manufacturer) {
    if (!barcode.isEmpty())
        m_barcodes.insert(barcode, id); // unique among all drugs
    if (name.isEmpty())
        return;
    m_names.insert(name, m_names.value(name, id));
    if (!specification.isEmpty())
        m_withSpecification.insert({name, specification},
                                   m_withSpecification.value({name, specification}, id));
    if (!manufacturer.isEmpty())
        m_withManufacturer.insert({name, manufacturer}, m_withManufacturer.value({name, manufacturer}, id));
    if (!specification.isEmpty() && !manufacturer.isEmpty()) {
        const QPair<QString, Pair> all{name, {specification, manufacturer}};
        m_withBoth.insert(all, m_withBoth.value(all, id));
    }
}

int ListedProductKeys::find(const Product& product) const {
    if (!product.barcode.isEmpty()) {
        const auto it = m_barcodes.constFind(product.barcode);
        if (it != m_barcodes.constEnd())
            return *it;
    }
    const QString& name = product.name;
    if (name.isEmpty())
        return -1;
    const bool bySpecification = !product.specification.isEmpty();
    const bool byManufacturer = !product.manufacturer.isEmpty();
    if (bySpecification && byManufacturer)
        return m_withBoth.value({name, {product.specification, product.manufacturer}}, -1);
    if (bySpecification)
        return m_withSpecification.value({name, product.specification}, -1);
    if (byManufacturer)
        return m_withManufacturer.value({name, product.manufacturer}, -1);
    return m_names.value(name, -1);
}

int ProductRepository::count() {
    if (!m_db)
        return 0;
    return readValue(m_db, QStringLiteral("SELECT COUNT(*) FROM product WHERE status = 1"))
        .value_or(0)
        .toInt();
}

ListQuery ProductRepository::sellableBatchList(const QString& keyword) {
    ListQuery list = stockBatchList();
    return keyword.isEmpty() ? list : matching(list, kNameOrBarcodeCondition, keyword);
}

ListQuery ProductRepository::purchaseReturnBatchList(const QString& keyword) {
    ListQuery list = stockBatchList();
    list.columns = kBatchColumns + QStringLiteral("po.order_no");
    list.from =
        kBatchesWithDrug +
        QStringLiteral("LEFT JOIN purchase_order_item poi ON b.product_id = poi.product_id AND "
                       "b.batch_no = poi.batch_no AND EXISTS (SELECT 1 FROM purchase_order live WHERE "
                       "live.id = poi.order_id AND live.status <> 'voided') "
                       "LEFT JOIN purchase_order po ON poi.order_id = po.id");
    // A voided order took its goods out again and cannot be returned against: its lines are not offered. A
    // batch without a line of a live order still comes once, without an order number. The order's status is
    // tested in the join, not in the filter, which would drop a batch whose only lines are voided ones.
    // A batch bought on several orders comes once per order line, in the order the lines were entered.
    list.order.append({QStringLiteral("poi.id"), false, true});
    return keyword.isEmpty() ? list : matching(list, kNameCondition, keyword);
}

// Expired stock is the commonest non-conforming drug, so no expiry condition here.
ListQuery ProductRepository::rejectableBatchList(const QString& keyword) {
    ListQuery list = stockBatchList();
    list.where = QStringLiteral("b.quantity > 0 AND p.status = 1");
    list.params.clear();
    return keyword.isEmpty() ? list : matching(list, kNameOrBarcodeCondition, keyword);
}

// Lines returned in full are left out by the statement itself, so they are never read.
ListQuery ProductRepository::soldLineList(const QString& keyword) {
    ListQuery list;
    list.columns =
        QStringLiteral(
            "soi.id as soi_id, soi.batch_id, soi.product_id, soi.batch_no, soi.quantity as sold_quantity, "
            "soi.unit_price, soi.production_date, soi.expiry_date, p.id as p_id, p.barcode, p.name, "
            "p.specification, p.approval_no, p.manufacturer, p.category, p.storage_condition, "
            "p.is_prescription, "
            "p.unit, p.purchase_price, p.sale_price, p.status, so.order_no, ") +
        kReturnedQuantity + QStringLiteral(" as returned_quantity");
    // The sold lines outermost, newest first in key order, as for the batches. The sale's status is tested
    // per line rather than on the join: on a join SQLite would first filter every sale of five years for
    // each page.
    list.from = QStringLiteral("FROM sales_order_item soi CROSS JOIN sales_order so ON soi.order_id = so.id "
                               "CROSS JOIN product p ON soi.product_id = p.id AND p.status = 1");
    list.where = QStringLiteral("EXISTS (SELECT 1 FROM sales_order done WHERE done.id = soi.order_id AND "
                                "done.status = 'completed') AND soi.quantity - ") +
                 kReturnedQuantity + QStringLiteral(" > 0");
    list.order = {{QStringLiteral("soi.id"), true}};
    return keyword.isEmpty() ? list : matching(list, kNameCondition, keyword);
}

QList<Batch> ProductRepository::findAllBatchesWithProduct() {
    return kestrovalin::readList(m_db, sellableBatchList(QString()), readStockBatch);
}

QList<Batch> ProductRepository::searchBatchesWithProduct(const QString& keyword) {
    return kestrovalin::readList(m_db, sellableBatchList(keyword), readStockBatch);
}

QList<Batch> ProductRepository::findAllBatchesWithProductWithPurchaseOrder() {
    return kestrovalin::readList(m_db, purchaseReturnBatchList(QString()), readStockBatch);
}

QList<Batch> ProductRepository::searchBatchesWithProductWithPurchaseOrder(const QString& keyword) {
    return kestrovalin::readList(m_db, purchaseReturnBatchList(keyword), readStockBatch);
}

QList<Batch> ProductRepository::searchBatchesByNameCodeOrBatchNo(const QString& text) {
    ListQuery list = stockBatchList();
    return kestrovalin::readList(
        m_db, matching(list, QStringLiteral("p.name LIKE ? OR p.barcode LIKE ? OR b.batch_no LIKE ?"), text),
        readStockBatch);
}

QList<Batch> ProductRepository::findAllBatchesWithProductWithSalesOrder() {
    return kestrovalin::readList(m_db, soldLineList(QString()), readSoldLine);
}

QList<Batch> ProductRepository::searchBatchesWithProductWithSalesOrder(const QString& keyword) {
    return kestrovalin::readList(m_db, soldLineList(keyword), readSoldLine);
}

} // namespace kestrovalin::repositories
