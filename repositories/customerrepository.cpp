#include "repositories/customerrepository.h"

#include "core/idbadapter.h"
#include "core/rowreader.h"
#include "core/transaction.h"

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
    return customer;
}

} // namespace

CustomerRepository::CustomerRepository(IDbAdapter* db) : m_db(db) {}

bool CustomerRepository::insert(models::Customer& customer) {
    if (!m_db)
        return false;
    QSqlQuery q = m_db->query(
        QStringLiteral("INSERT INTO customer (name, phone, address, id_card, remark, is_default, created_at, "
                       "updated_at) VALUES (?, ?, ?, ?, ?, ?, datetime('now'), datetime('now'))"),
        {customer.name, customer.phone, customer.address, customer.idCard, customer.remark,
         customer.isDefault ? 1 : 0});
    if (!q.isActive())
        return false;
    customer.id = q.lastInsertId().toInt();
    return true;
}

bool CustomerRepository::update(const models::Customer& customer) {
    return m_db && runUpdate(customer).isActive();
}

QSqlQuery CustomerRepository::runUpdate(const models::Customer& customer) {
    return m_db->query(QStringLiteral("UPDATE customer SET name=?, phone=?, address=?, id_card=?, remark=?, "
                                      "is_default=?, updated_at=datetime('now') WHERE id=?"),
                       {customer.name, customer.phone, customer.address, customer.idCard, customer.remark,
                        customer.isDefault ? 1 : 0, customer.id});
}

bool CustomerRepository::remove(int id) {
    if (!m_db)
        return false;
    return m_db->query(QStringLiteral("DELETE FROM customer WHERE id=?"), {id}).isActive();
}

bool CustomerRepository::clearDefaultFlags() {
    return m_db
        ->query(
            QStringLiteral("UPDATE customer SET is_default=0, updated_at=datetime('now') WHERE is_default=1"))
        .isActive();
}

bool CustomerRepository::insertAsDefault(models::Customer& customer) {
    if (!m_db)
        return false;
    Transaction tx(m_db);
    if (!tx.isActive() || !clearDefaultFlags())
        return false;
    models::Customer written = customer;
    written.isDefault = true;
    if (!insert(written) || !tx.commit())
        return false;
    customer = written;
    return true;
}

bool CustomerRepository::updateAsDefault(const models::Customer& customer) {
    if (!m_db)
        return false;
    Transaction tx(m_db);
    if (!tx.isActive() || !clearDefaultFlags())
        return false;
    // A row removed meanwhile would leave the register without any default: treat it as a failed write.
    models::Customer written = customer;
    written.isDefault = true;
    const QSqlQuery q = runUpdate(written);
    if (!q.isActive() || q.numRowsAffected() != 1)
        return false;
    return tx.commit();
}

models::Customer CustomerRepository::findById(int id) {
    return readFirst(m_db, QStringLiteral("SELECT * FROM customer WHERE id=?"), {id}, readCustomer);
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
