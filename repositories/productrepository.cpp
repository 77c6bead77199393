#include "repositories/productrepository.h"

#include "core/clock.h"

#include <QDebug>
#include <QSqlQuery>
#include <QSqlRecord>

namespace kestrovalin::repositories {

using models::Product;
using Batch = ProductRepository::InventoryBatchWithProduct;

namespace {

// Column positions resolved once per result, by name (case-insensitive, first of two equal names).
struct ProductColumns {
    explicit ProductColumns(const QSqlRecord& r)
        : id(r.indexOf(QStringLiteral("id"))), barcode(r.indexOf(QStringLiteral("barcode"))),
          name(r.indexOf(QStringLiteral("name"))), mnemonicCode(r.indexOf(QStringLiteral("mnemonic_code"))),
          specification(r.indexOf(QStringLiteral("specification"))),
          approvalNo(r.indexOf(QStringLiteral("approval_no"))),
          manufacturer(r.indexOf(QStringLiteral("manufacturer"))),
          category(r.indexOf(QStringLiteral("category"))),
          storageCondition(r.indexOf(QStringLiteral("storage_condition"))),
          isPrescription(r.indexOf(QStringLiteral("is_prescription"))),
          unit(r.indexOf(QStringLiteral("unit"))), purchasePrice(r.indexOf(QStringLiteral("purchase_price"))),
          salePrice(r.indexOf(QStringLiteral("sale_price"))), status(r.indexOf(QStringLiteral("status"))),
          createdAt(r.indexOf(QStringLiteral("created_at"))),
          updatedAt(r.indexOf(QStringLiteral("updated_at"))) {}

    int id, barcode, name, mnemonicCode, specification, approvalNo, manufacturer, category, storageCondition,
        isPrescription, unit, purchasePrice, salePrice, status, createdAt, updatedAt;
};

// A missing column reads like NULL.
QVariant at(const QSqlQuery& q, int column) {
    return column < 0 ? QVariant() : q.value(column);
}

void fillProduct(Product& p, const QSqlQuery& q, const ProductColumns& c) {
    p.id = at(q, c.id).toInt();
    p.barcode = at(q, c.barcode).toString();
    p.name = at(q, c.name).toString();
    if (c.mnemonicCode >= 0)
        p.mnemonicCode = q.value(c.mnemonicCode).toString();
    p.specification = at(q, c.specification).toString();
    p.approvalNo = at(q, c.approvalNo).toString();
    p.manufacturer = at(q, c.manufacturer).toString();
    p.category = at(q, c.category).toString();
    p.storageCondition = at(q, c.storageCondition).toString();
    p.isPrescription = at(q, c.isPrescription).toInt() != 0;
    p.unit = at(q, c.unit).toString();
    p.purchasePrice = at(q, c.purchasePrice).toDouble();
    p.salePrice = at(q, c.salePrice).toDouble();
    p.status = at(q, c.status).toInt();
    p.createdAt = at(q, c.createdAt).toString();
    p.updatedAt = at(q, c.updatedAt).toString();
}

QString likePattern(const QString& keyword) {
    return QStringLiteral("%") + keyword + QStringLiteral("%");
}

// A drug without barcode stores NULL, so the unique column admits any number of them.
QVariant barcodeValue(const QString& barcode) {
    return barcode.isEmpty() ? QVariant(QVariant::String) : QVariant(barcode);
}

QList<QVariant> productValues(const Product& p) {
    return {barcodeValue(p.barcode), p.name,     p.mnemonicCode,     p.specification,          p.approvalNo,
            p.manufacturer,          p.category, p.storageCondition, p.isPrescription ? 1 : 0, p.unit,
            p.purchasePrice,         p.salePrice};
}

// Business dates are local; SQLite's CURRENT_DATE is UTC, so today is bound as a parameter.
QVariant today() {
    return Clock::todayText();
}

const QString kBatchColumns = QStringLiteral(
    "SELECT b.id as batch_id, b.product_id, b.supplier_id, b.batch_no, b.production_date, b.expiry_date, "
    "b.quantity, b.unit_cost, b.status, b.created_at, b.updated_at, "
    "p.id, p.barcode, p.name, p.specification, p.approval_no, p.manufacturer, "
    "p.category, p.storage_condition, p.is_prescription, p.unit, p.purchase_price, p.sale_price, p.status, "
    "p.created_at, p.updated_at, ");

const QString kStockBatchSql =
    kBatchColumns +
    QStringLiteral(
        "s.name as supplier_name FROM inventory_batch b INNER JOIN product p ON b.product_id = p.id "
        "LEFT JOIN supplier s ON b.supplier_id = s.id "
        "WHERE b.quantity > 0 AND b.expiry_date > ? AND p.status = 1%1 ORDER BY b.id DESC");

const QString kPurchaseBatchSql =
    kBatchColumns +
    QStringLiteral(
        "po.order_no FROM inventory_batch b INNER JOIN product p ON b.product_id = p.id "
        "LEFT JOIN purchase_order_item poi ON b.product_id = poi.product_id AND b.batch_no = poi.batch_no "
        "LEFT JOIN purchase_order po ON poi.order_id = po.id "
        "WHERE b.quantity > 0 AND b.expiry_date > ? AND p.status = 1%1 ORDER BY b.id DESC");

// Returns are summed once per (order number, drug, batch number) and joined to the sold lines, which keeps
// the statement linear in the number of lines however many returns there are.
const QString kSoldLineSql = QStringLiteral(
    "SELECT soi.id as soi_id, soi.batch_id, soi.product_id, soi.batch_no, soi.quantity as sold_quantity, "
    "soi.unit_price, soi.production_date, soi.expiry_date, p.id as p_id, p.barcode, p.name, p.specification, "
    "p.approval_no, p.manufacturer, p.category, p.storage_condition, p.is_prescription, p.unit, "
    "p.purchase_price, p.sale_price, p.status, so.order_no, COALESCE(r.returned, 0) as returned_quantity "
    "FROM sales_order_item soi "
    "INNER JOIN sales_order so ON soi.order_id = so.id AND so.status = 'completed' "
    "INNER JOIN product p ON soi.product_id = p.id AND p.status = 1%1 "
    "LEFT JOIN (SELECT roi.original_order_no, roi.product_id, roi.batch_no, SUM(roi.quantity) as returned "
    "FROM return_order_item roi INNER JOIN return_order ro ON roi.return_id = ro.id "
    "WHERE ro.status = 'completed' AND ro.return_type = 'sales' "
    "GROUP BY roi.original_order_no, roi.product_id, roi.batch_no) r "
    "ON r.original_order_no = so.order_no AND r.product_id = soi.product_id AND r.batch_no = soi.batch_no "
    "ORDER BY soi.id DESC");

const QString kNameCondition = QStringLiteral(" AND p.name LIKE ?");

} // namespace

ProductRepository::ProductRepository(IDbAdapter* db) : m_db(db) {}

int ProductRepository::insert(const Product& product) {
    if (!m_db)
        return -1;
    QSqlQuery q = m_db->query(
        QStringLiteral("INSERT INTO product (barcode, name, mnemonic_code, specification, approval_no, "
                       "manufacturer, category, storage_condition, is_prescription, unit, purchase_price, "
                       "sale_price, status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1)"),
        productValues(product));
    if (!q.isActive()) {
        qCritical().noquote() << "Product insert failed:" << q.lastError().text();
        return -1;
    }
    const QVariant id = q.lastInsertId();
    return id.isValid() ? id.toInt() : -1;
}

bool ProductRepository::update(const Product& product) {
    if (!m_db)
        return false;
    QList<QVariant> params = productValues(product);
    params << product.status << product.id;
    const bool ok = m_db->execute(
        QStringLiteral("UPDATE product SET barcode = ?, name = ?, mnemonic_code = ?, specification = ?, "
                       "approval_no = ?, manufacturer = ?, category = ?, storage_condition = ?, "
                       "is_prescription = ?, unit = ?, purchase_price = ?, sale_price = ?, status = ?, "
                       "updated_at = CURRENT_TIMESTAMP WHERE id = ?"),
        params);
    if (!ok)
        qCritical().noquote() << "Product update failed";
    return ok;
}

bool ProductRepository::remove(int id) {
    if (!m_db)
        return false;
    const bool ok = m_db->execute(
        QStringLiteral("UPDATE product SET status = 0, updated_at = CURRENT_TIMESTAMP WHERE id = ?"), {id});
    if (!ok)
        qCritical().noquote() << "Product soft delete failed for id:" << id;
    return ok;
}

Product ProductRepository::readOne(const QString& sql, const QList<QVariant>& params) {
    Product product;
    QSqlQuery q = m_db->query(sql, params);
    if (q.isActive() && q.next())
        fillProduct(product, q, ProductColumns(q.record()));
    return product;
}

QList<Product> ProductRepository::readList(const QString& sql, const QList<QVariant>& params) {
    QList<Product> list;
    QSqlQuery q = m_db->query(sql, params);
    if (!q.isActive())
        return list;
    const ProductColumns columns(q.record());
    while (q.next()) {
        Product product;
        fillProduct(product, q, columns);
        list.append(product);
    }
    return list;
}

Product ProductRepository::findById(int id) {
    if (!m_db)
        return Product();
    return readOne(QStringLiteral("SELECT * FROM product WHERE id = ?"), {id});
}

Product ProductRepository::searchByBarcode(const QString& barcode) {
    if (!m_db)
        return Product();
    return readOne(QStringLiteral("SELECT * FROM product WHERE status = 1 AND barcode = ?"), {barcode});
}

QList<Product> ProductRepository::findAll() {
    if (!m_db)
        return {};
    return readList(QStringLiteral("SELECT * FROM product WHERE status = 1 ORDER BY id DESC"));
}

QList<Product> ProductRepository::searchByName(const QString& keyword) {
    if (!m_db)
        return {};
    return readList(QStringLiteral("SELECT * FROM product WHERE status = 1 AND name LIKE ? ORDER BY id DESC"),
                    {likePattern(keyword)});
}

QList<Product> ProductRepository::search(const QString& keyword) {
    if (!m_db)
        return {};
    const QString pattern = likePattern(keyword);
    return readList(
        QStringLiteral("SELECT * FROM product WHERE status = 1 AND (name LIKE ? OR barcode LIKE ? OR "
                       "mnemonic_code LIKE ?) ORDER BY id DESC"),
        {pattern, pattern, pattern});
}

QList<Product> ProductRepository::findAllWithStock() {
    if (!m_db)
        return {};
    return readList(
        QStringLiteral("SELECT DISTINCT p.* FROM product p INNER JOIN inventory_batch b ON p.id = "
                       "b.product_id WHERE p.status = 1 AND b.quantity > 0 AND b.expiry_date > ? "
                       "ORDER BY p.id DESC"),
        {today()});
}

QList<Product> ProductRepository::searchByNameWithStock(const QString& keyword) {
    if (!m_db)
        return {};
    return readList(
        QStringLiteral("SELECT DISTINCT p.* FROM product p INNER JOIN inventory_batch b ON p.id = "
                       "b.product_id WHERE p.status = 1 AND p.name LIKE ? AND b.quantity > 0 AND "
                       "b.expiry_date > ? ORDER BY p.id DESC"),
        {likePattern(keyword), today()});
}

QList<Product> ProductRepository::findAllPrescription() {
    if (!m_db)
        return {};
    return readList(
        QStringLiteral("SELECT * FROM product WHERE status = 1 AND is_prescription = 1 ORDER BY id DESC"));
}

QList<Product> ProductRepository::searchByNamePrescription(const QString& keyword) {
    if (!m_db)
        return {};
    return readList(QStringLiteral("SELECT * FROM product WHERE status = 1 AND is_prescription = 1 AND name "
                                   "LIKE ? ORDER BY id DESC"),
                    {likePattern(keyword)});
}

int ProductRepository::findDuplicate(const Product& product) {
    if (!m_db)
        return -1;
    if (!product.barcode.isEmpty()) {
        QSqlQuery q = m_db->query(QStringLiteral("SELECT id FROM product WHERE barcode = ? AND status = 1"),
                                  {product.barcode});
        if (q.isActive() && q.next())
            return q.value(0).toInt();
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
    QSqlQuery q = m_db->query(sql, params);
    return q.isActive() && q.next() ? q.value(0).toInt() : -1;
}

int ProductRepository::count() {
    if (!m_db)
        return 0;
    QSqlQuery q = m_db->query(QStringLiteral("SELECT COUNT(*) FROM product WHERE status = 1"));
    return q.isActive() && q.next() ? q.value(0).toInt() : 0;
}

QList<Batch> ProductRepository::stockBatches(const QString& sqlTemplate, const QString* keyword) {
    QList<Batch> list;
    if (!m_db)
        return list;
    QList<QVariant> params{today()};
    if (keyword)
        params << likePattern(*keyword);
    QSqlQuery q = m_db->query(sqlTemplate.arg(keyword ? kNameCondition : QString()), params);
    if (!q.isActive())
        return list;
    const QSqlRecord r = q.record();
    const ProductColumns productColumns(r);
    const int batchId = r.indexOf(QStringLiteral("batch_id"));
    const int productId = r.indexOf(QStringLiteral("product_id"));
    const int supplierId = r.indexOf(QStringLiteral("supplier_id"));
    const int batchNo = r.indexOf(QStringLiteral("batch_no"));
    const int productionDate = r.indexOf(QStringLiteral("production_date"));
    const int expiryDate = r.indexOf(QStringLiteral("expiry_date"));
    const int quantity = r.indexOf(QStringLiteral("quantity"));
    const int unitCost = r.indexOf(QStringLiteral("unit_cost"));
    const int status = r.indexOf(QStringLiteral("status"));
    const int createdAt = r.indexOf(QStringLiteral("created_at"));
    const int updatedAt = r.indexOf(QStringLiteral("updated_at"));
    const int supplierName = r.indexOf(QStringLiteral("supplier_name"));
    const int orderNo = r.indexOf(QStringLiteral("order_no"));
    while (q.next()) {
        Batch item;
        item.batch.id = at(q, batchId).toInt();
        item.batch.productId = at(q, productId).toInt();
        item.batch.supplierId = at(q, supplierId).toInt();
        item.batch.batchNo = at(q, batchNo).toString();
        item.batch.productionDate = at(q, productionDate).toString();
        item.batch.expiryDate = at(q, expiryDate).toString();
        item.batch.quantity = at(q, quantity).toInt();
        item.batch.unitCost = at(q, unitCost).toDouble();
        item.batch.status = at(q, status).toString();
        item.batch.createdAt = at(q, createdAt).toString();
        item.batch.updatedAt = at(q, updatedAt).toString();
        item.supplierName = at(q, supplierName).toString();
        if (orderNo >= 0)
            item.purchaseOrderNo = q.value(orderNo).toString();
        fillProduct(item.product, q, productColumns);
        list.append(item);
    }
    return list;
}

QList<Batch> ProductRepository::soldLines(const QString* keyword) {
    QList<Batch> list;
    if (!m_db)
        return list;
    QList<QVariant> params;
    if (keyword)
        params << likePattern(*keyword);
    QSqlQuery q = m_db->query(kSoldLineSql.arg(keyword ? kNameCondition : QString()), params);
    if (!q.isActive()) {
        qDebug().noquote() << "Query failed:" << q.lastError().text();
        return list;
    }
    const QSqlRecord r = q.record();
    const int soiId = r.indexOf(QStringLiteral("soi_id"));
    const int batchId = r.indexOf(QStringLiteral("batch_id"));
    const int productId = r.indexOf(QStringLiteral("product_id"));
    const int batchNo = r.indexOf(QStringLiteral("batch_no"));
    const int productionDate = r.indexOf(QStringLiteral("production_date"));
    const int expiryDate = r.indexOf(QStringLiteral("expiry_date"));
    const int sold = r.indexOf(QStringLiteral("sold_quantity"));
    const int returned = r.indexOf(QStringLiteral("returned_quantity"));
    const int unitPrice = r.indexOf(QStringLiteral("unit_price"));
    const int orderNo = r.indexOf(QStringLiteral("order_no"));
    ProductColumns productColumns(r);
    productColumns.id = r.indexOf(QStringLiteral("p_id"));
    productColumns.mnemonicCode = -1;
    productColumns.createdAt = -1;
    productColumns.updatedAt = -1;
    while (q.next()) {
        Batch item;
        item.soldQuantity = at(q, sold).toInt();
        item.returnedQuantity = at(q, returned).toInt();
        item.remainingQuantity = item.soldQuantity - item.returnedQuantity;
        if (item.remainingQuantity <= 0)
            continue;
        item.salesOrderItemId = at(q, soiId).toInt();
        item.batch.id = at(q, batchId).toInt();
        item.batch.productId = at(q, productId).toInt();
        item.batch.batchNo = at(q, batchNo).toString();
        item.batch.productionDate = at(q, productionDate).toString();
        item.batch.expiryDate = at(q, expiryDate).toString();
        item.batch.quantity = item.remainingQuantity;
        item.batch.unitCost = at(q, unitPrice).toDouble();
        item.batch.status = QStringLiteral("normal");
        fillProduct(item.product, q, productColumns);
        item.salesOrderNo = at(q, orderNo).toString();
        list.append(item);
    }
    return list;
}

QList<Batch> ProductRepository::findAllBatchesWithProduct() {
    return stockBatches(kStockBatchSql, nullptr);
}

QList<Batch> ProductRepository::searchBatchesWithProduct(const QString& keyword) {
    return stockBatches(kStockBatchSql, &keyword);
}

QList<Batch> ProductRepository::findAllBatchesWithProductWithPurchaseOrder() {
    return stockBatches(kPurchaseBatchSql, nullptr);
}

QList<Batch> ProductRepository::searchBatchesWithProductWithPurchaseOrder(const QString& keyword) {
    return stockBatches(kPurchaseBatchSql, &keyword);
}

QList<Batch> ProductRepository::findAllBatchesWithProductWithSalesOrder() {
    return soldLines(nullptr);
}

QList<Batch> ProductRepository::searchBatchesWithProductWithSalesOrder(const QString& keyword) {
    return soldLines(&keyword);
}

} // namespace kestrovalin::repositories
