#include "repositories/customerrepository.h"

#include "core/idbadapter.h"
#include "core/transaction.h"

#include <QSqlQuery>

namespace kestrovalin::repositories {

namespace {

const QString kOrder = QStringLiteral(" ORDER BY is_default DESC, created_at DESC");

QString text(const QSqlQuery& query, const QString& column) {
    const QVariant value = query.value(column);
    return value.isNull() ? QString("") : value.toString();
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
    return findOne(QStringLiteral("SELECT * FROM customer WHERE id=?"), {id});
}

QList<models::Customer> CustomerRepository::findAll() {
    return findList(QStringLiteral("SELECT * FROM customer") + kOrder, {});
}

QList<models::Customer> CustomerRepository::search(const QString& keyword) {
    const QString pattern = QStringLiteral("%") + keyword + QStringLiteral("%");
    return findList(
        QStringLiteral("SELECT * FROM customer WHERE name LIKE ? OR phone LIKE ? OR address LIKE ?") + kOrder,
        {pattern, pattern, pattern});
}

models::Customer CustomerRepository::findDefault() {
    return findOne(QStringLiteral("SELECT * FROM customer WHERE is_default=1 LIMIT 1"), {});
}

int CustomerRepository::getDefaultCustomerId() {
    return findDefault().id;
}

void CustomerRepository::fillCustomer(models::Customer& customer, const QSqlQuery& query) const {
    customer.id = query.value(QStringLiteral("id")).toInt();
    customer.name = text(query, QStringLiteral("name"));
    customer.phone = text(query, QStringLiteral("phone"));
    customer.address = text(query, QStringLiteral("address"));
    customer.idCard = text(query, QStringLiteral("id_card"));
    customer.remark = text(query, QStringLiteral("remark"));
    customer.isDefault = query.value(QStringLiteral("is_default")).toInt() != 0;
    customer.createdAt = text(query, QStringLiteral("created_at"));
    customer.updatedAt = text(query, QStringLiteral("updated_at"));
}

models::Customer CustomerRepository::findOne(const QString& sql, const QList<QVariant>& params) {
    models::Customer customer;
    if (!m_db)
        return customer;
    QSqlQuery q = m_db->query(sql, params);
    if (q.next())
        fillCustomer(customer, q);
    return customer;
}

QList<models::Customer> CustomerRepository::findList(const QString& sql, const QList<QVariant>& params) {
    QList<models::Customer> list;
    if (!m_db)
        return list;
    QSqlQuery q = m_db->query(sql, params);
    while (q.next()) {
        models::Customer customer;
        fillCustomer(customer, q);
        list.append(customer);
    }
    return list;
}

} // namespace kestrovalin::repositories
