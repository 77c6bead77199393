#include "repositories/customerrepository.h"

#include "core/idbadapter.h"
#include "core/rowreader.h"
#include "core/transaction.h"
#include "repositories/guardedstatus.h"

#include <QDebug>
#include <QSqlQuery>

namespace kestrovalin::repositories {

namespace {

const QString kOrder = QStringLiteral(" ORDER BY is_default DESC, created_at DESC");

models::Customer readCustomer(const Row& row) {
    models::Customer customer;
    customer.id = row.integer("id");
    customer.name = row.text("name");
    customer.phone = row.text("phone");
    customer.address = row.text("address");
    customer.idCard = row.text("id_card");
    customer.remark = row.text("remark");
    customer.isDefault = row.flag("is_default");
    customer.createdAt = row.text("created_at");
    customer.updatedAt = row.text("updated_at");
    customer.rowToken = row.text(kTokenColumn);
    return customer;
}

const QStringList kEditedColumns{QStringLiteral("name"),    QStringLiteral("phone"),
                                 QStringLiteral("address"), QStringLiteral("id_card"),
                                 QStringLiteral("remark"),  QStringLiteral("is_default")};

// A deleted customer's row is gone.
const TokenGuard kEditGuard{QStringLiteral("customer"), QStringLiteral("客户"),
                            kEditedColumns + QStringList{QStringLiteral("updated_at")}, QString()};

} // namespace

const QString CustomerRepository::kDefaultKept = QStringLiteral("默认客户不能删除");

CustomerRepository::CustomerRepository(IDbAdapter* db) : m_db(db) {}

bool CustomerRepository::insert(models::Customer& customer) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    // A new default takes the flag from every other customer in the same transaction.
    Transaction tx(m_db);
    if (!tx.isActive() || (customer.isDefault && !clearDefaultFlags(0)))
        return false;
    QSqlQuery q = m_db->query(
        QStringLiteral("INSERT INTO customer (name, phone, address, id_card, remark, is_default, created_at, "
                       "updated_at) VALUES (?, ?, ?, ?, ?, ?, datetime('now'), datetime('now'))"),
        {customer.name, customer.phone, customer.address, customer.idCard, customer.remark,
         customer.isDefault ? 1 : 0});
    if (!q.isActive())
        return false;
    const int id = q.lastInsertId().toInt();
    if (!tx.commit())
        return false;
    customer.id = id;
    return true;
}

bool CustomerRepository::update(const models::Customer& customer) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    // The flag is only ever set here, never cleared: the default moves by making another customer the
    // default, so an unticked (or stale) form keeps the stored flag. A row removed or changed meanwhile is
    // refused, and the previous default stays.
    Transaction tx(m_db);
    if (!tx.isActive() || (customer.isDefault && !clearDefaultFlags(customer.id)))
        return false;
    QList<QVariant> values{customer.name, customer.phone, customer.address, customer.idCard, customer.remark};
    QStringList columns = kEditedColumns.mid(0, values.size());
    if (customer.isDefault) {
        columns << QStringLiteral("is_default");
        values << 1;
    }
    QString reason;
    if (saveUnchanged(m_db, kEditGuard, customer.id, customer.rowToken, stampedColumns(columns, values),
                      &reason))
        return tx.commit();
    qCritical().noquote() << "Customer update failed - id:" << customer.id << reason;
    return refuse(reason);
}

bool CustomerRepository::remove(int id) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    // The stored flag decides, not the list the user saw: another copy may have moved the default here.
    Transaction tx(m_db);
    if (!tx.isActive())
        return false;
    const int changed =
        changedRows(m_db, QStringLiteral("DELETE FROM customer WHERE id=? AND is_default=0"), {id});
    if (changed == 1)
        return tx.commit();
    if (changed < 0)
        return false;
    const Fetched<bool> found = fetch(m_db, QStringLiteral("SELECT is_default FROM customer WHERE id=?"),
                                      {id}, [](const Row& row) { return row.flag("is_default"); });
    if (!found.ok)
        return false;
    qWarning().noquote() << "Customer delete refused - id:" << id
                         << (found.found() ? "default customer" : "no such customer");
    return refuse(found.found() ? kDefaultKept : QStringLiteral("该客户已被删除"));
}

bool CustomerRepository::clearDefaultFlags(int keptId) {
    return m_db
        ->query(QStringLiteral("UPDATE customer SET is_default=0, updated_at=datetime('now') "
                               "WHERE is_default=1 AND id<>?"),
                {keptId})
        .isActive();
}

models::Customer CustomerRepository::findById(int id) {
    return readFirst(m_db, selectWithToken(kEditGuard) + QStringLiteral(" WHERE id=?"), {id}, readCustomer);
}

QList<models::Customer> CustomerRepository::findAll() {
    return readList(m_db, QStringLiteral("SELECT * FROM customer") + kOrder, {}, readCustomer);
}

QList<models::Customer> CustomerRepository::search(const QString& keyword) {
    const QString pattern = QStringLiteral("%") + keyword + QStringLiteral("%");
    return readList(
        m_db,
        QStringLiteral("SELECT * FROM customer WHERE name LIKE ? OR phone LIKE ? OR address LIKE ?") + kOrder,
        {pattern, pattern, pattern}, readCustomer);
}

models::Customer CustomerRepository::findDefault() {
    return readFirst(m_db, QStringLiteral("SELECT * FROM customer WHERE is_default=1 LIMIT 1"), {},
                     readCustomer);
}

int CustomerRepository::getDefaultCustomerId() {
    return findDefault().id;
}

} // namespace kestrovalin::repositories
