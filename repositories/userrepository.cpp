#include "repositories/userrepository.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"

namespace kestrovalin {

namespace {

const char* const kSelect =
    "SELECT id, username, password_hash, real_name, role, status, created_at, updated_at FROM sys_user";

models::User readUser(const QSqlQuery& q) {
    models::User u;
    u.id = q.value(0).toInt();
    u.username = q.value(1).toString();
    u.passwordHash = q.value(2).toString();
    u.realName = q.value(3).toString();
    u.role = q.value(4).toString();
    u.status = q.value(5).toInt();
    u.createdAt = q.value(6).toDateTime();
    u.updatedAt = q.value(7).toDateTime();
    return u;
}

QList<models::User> readAll(QSqlQuery& q) {
    QList<models::User> users;
    while (q.next())
        users.append(readUser(q));
    return users;
}

} // namespace

UserRepository::UserRepository() : m_db(DatabaseManager::instance().getAdapter()) {}

UserRepository::UserRepository(IDbAdapter* adapter) : m_db(adapter) {}

bool UserRepository::insert(models::User& user) {
    if (!m_db)
        return false;
    const QDateTime now = Clock::now();
    QSqlQuery q =
        m_db->query(QStringLiteral("INSERT INTO sys_user (username, password_hash, real_name, role, "
                                   "status, created_at, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                    {user.username, user.passwordHash, user.realName, user.role, user.status, now, now});
    const QVariant id = q.lastInsertId();
    if (!q.isActive() || !id.isValid())
        return false;
    user.id = id.toInt();
    return true;
}

bool UserRepository::update(const models::User& user) {
    if (!m_db)
        return false;
    return m_db->execute(
        QStringLiteral("UPDATE sys_user SET username = ?, real_name = ?, role = ?, status = ?, "
                       "updated_at = CURRENT_TIMESTAMP WHERE id = ?"),
        {user.username, user.realName, user.role, user.status, user.id});
}

bool UserRepository::updatePassword(int id, const QString& passwordHash) {
    if (!m_db)
        return false;
    return m_db->execute(
        QStringLiteral("UPDATE sys_user SET password_hash = ?, updated_at = CURRENT_TIMESTAMP WHERE id = ?"),
        {passwordHash, id});
}

bool UserRepository::setStatus(int id, int status) {
    if (!m_db)
        return false;
    return m_db->execute(
        QStringLiteral("UPDATE sys_user SET status = ?, updated_at = CURRENT_TIMESTAMP WHERE id = ?"),
        {status, id});
}

models::User UserRepository::findById(int id) {
    models::User user;
    user.id = 0;
    if (!m_db)
        return user;
    QSqlQuery q = m_db->query(QString::fromLatin1(kSelect) + QStringLiteral(" WHERE id = ?"), {id});
    if (q.next())
        user = readUser(q);
    return user;
}

QList<models::User> UserRepository::findAll() {
    if (!m_db)
        return {};
    QSqlQuery q = m_db->query(QString::fromLatin1(kSelect) + QStringLiteral(" ORDER BY id DESC"));
    return readAll(q);
}

QList<models::User> UserRepository::search(const QString& keyword) {
    if (!m_db)
        return {};
    const QString pattern = QLatin1Char('%') + keyword + QLatin1Char('%');
    QSqlQuery q =
        m_db->query(QString::fromLatin1(kSelect) +
                        QStringLiteral(" WHERE username LIKE ? OR real_name LIKE ? ORDER BY id DESC"),
                    {pattern, pattern});
    return readAll(q);
}

} // namespace kestrovalin
