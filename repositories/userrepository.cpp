#include "repositories/userrepository.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"

namespace kestrovalin {

namespace {

const char* const kSelect =
    "SELECT id, username, password_hash, real_name, role, status, created_at, updated_at FROM sys_user";

models::User readUser(const Row& row) {
    models::User u;
    u.id = row.integer("id");
    u.username = row.text("username");
    u.passwordHash = row.text("password_hash");
    u.realName = row.text("real_name");
    u.role = row.text("role");
    u.status = row.integer("status");
    u.createdAt = row.dateTime("created_at");
    u.updatedAt = row.dateTime("updated_at");
    return u;
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
    return readFirst(m_db, QString::fromLatin1(kSelect) + QStringLiteral(" WHERE id = ?"), {id}, readUser);
}

QList<models::User> UserRepository::findAll() {
    return readList(m_db, QString::fromLatin1(kSelect) + QStringLiteral(" ORDER BY id DESC"), {}, readUser);
}

QList<models::User> UserRepository::search(const QString& keyword) {
    const QString pattern = QLatin1Char('%') + keyword + QLatin1Char('%');
    return readList(m_db,
                    QString::fromLatin1(kSelect) +
                        QStringLiteral(" WHERE username LIKE ? OR real_name LIKE ? ORDER BY id DESC"),
                    {pattern, pattern}, readUser);
}

} // namespace kestrovalin
