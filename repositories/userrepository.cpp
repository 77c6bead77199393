#include "repositories/userrepository.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"
#include "core/transaction.h"
#include "repositories/guardedstatus.h"

#include <QDebug>

namespace kestrovalin {

namespace {

using repositories::kTokenColumn;

const QStringList kEditedColumns{QStringLiteral("username"), QStringLiteral("real_name"),
                                 QStringLiteral("role"), QStringLiteral("status")};

// Compares only what an edit writes: a password reset in the same list, which does not reload it, must not
// make its next edit look changed elsewhere.
const repositories::TokenGuard kEditGuard{QStringLiteral("sys_user"), QStringLiteral("用户"), kEditedColumns,
                                          QString()};

// Every account read carries its token: the list hands its records straight to the edit.
QString selectAccounts() {
    return repositories::selectWithToken(kEditGuard);
}

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
    u.rowToken = row.text(kTokenColumn);
    return u;
}

} // namespace

UserRepository::UserRepository() : m_db(DatabaseManager::instance().getAdapter()) {}

UserRepository::UserRepository(IDbAdapter* adapter) : m_db(adapter) {}

bool UserRepository::insert(models::User& user) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    const QDateTime now = Clock::now();
    QSqlQuery q =
        m_db->query(QStringLiteral("INSERT INTO sys_user (username, password_hash, real_name, role, "
                                   "status, created_at, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                    {user.username, user.passwordHash, user.realName, user.role, user.status, now, now});
    const QVariant id = q.lastInsertId();
    if (!q.isActive() || !id.isValid())
        return refuseInput(takenName(user, 0));
    user.id = id.toInt();
    return true;
}

QString UserRepository::takenName(const models::User& user, int exceptId) const {
    if (!repositories::uniqueHolder(m_db, QStringLiteral("sys_user"), QStringLiteral("username"),
                                    user.username, exceptId, QStringLiteral("id")))
        return QString();
    qWarning().noquote() << "User name taken:" << user.username;
    return QStringLiteral("用户名 %1 已存在").arg(user.username);
}

template <class F> UserRepository::WriteResult UserRepository::keepingAManager(F write) {
    const QString managers =
        QStringLiteral("SELECT COUNT(*) FROM sys_user WHERE role = 'manager' AND status = 1");
    Transaction tx(m_db);
    if (!tx.isActive())
        return WriteResult::Failed;
    const std::optional<QVariant> before = readValue(m_db, managers);
    if (!before || !write())
        return WriteResult::Failed;
    // Counted again after the write, which holds the database's write lock until the commit: no other
    // connection can disable the other manager in between.
    const std::optional<QVariant> after = readValue(m_db, managers);
    if (!after)
        return WriteResult::Failed;
    if (before->toInt() > 0 && after->toInt() == 0) {
        qWarning().noquote() << "Refused: the last enabled manager account must stay enabled";
        return WriteResult::LastManager;
    }
    return tx.commit() ? WriteResult::Saved : WriteResult::Failed;
}

UserRepository::WriteResult UserRepository::saveAccount(const models::User& user,
                                                        const QString& newPasswordHash) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return WriteResult::Failed;
    QString reason;
    const WriteResult result = keepingAManager([&] {
        return repositories::saveUnchanged(
                   m_db, kEditGuard, user.id, user.rowToken,
                   repositories::stampedColumns(kEditedColumns,
                                                {user.username, user.realName, user.role, user.status}),
                   &reason) &&
               (newPasswordHash.isEmpty() || updatePassword(user.id, newPasswordHash));
    });
    if (result == WriteResult::Failed && !reason.isEmpty()) {
        qWarning().noquote() << "User update refused - id:" << user.id << reason;
        refuse(reason);
        return WriteResult::Changed;
    }
    if (result == WriteResult::Failed)
        refuseInput(takenName(user, user.id));
    return result;
}

bool UserRepository::updatePassword(int id, const QString& passwordHash) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return false;
    return m_db->execute(
        QStringLiteral("UPDATE sys_user SET password_hash = ?, updated_at = CURRENT_TIMESTAMP WHERE id = ?"),
        {passwordHash, id});
}

UserRepository::WriteResult UserRepository::changeStatus(int id, int status) {
    const Write write = beginWrite(m_db);
    if (!m_db)
        return WriteResult::Failed;
    return keepingAManager([&] {
        return m_db->execute(
            QStringLiteral("UPDATE sys_user SET status = ?, updated_at = CURRENT_TIMESTAMP WHERE id = ?"),
            {status, id});
    });
}

models::User UserRepository::findById(int id) {
    return readFirst(m_db, selectAccounts() + QStringLiteral(" WHERE id = ?"), {id}, readUser);
}

QList<models::User> UserRepository::findAll() {
    return readList(m_db, selectAccounts() + QStringLiteral(" ORDER BY id DESC"), {}, readUser);
}

QList<models::User> UserRepository::search(const QString& keyword) {
    const QString pattern = QLatin1Char('%') + keyword + QLatin1Char('%');
    return readList(m_db,
                    selectAccounts() +
                        QStringLiteral(" WHERE username LIKE ? OR real_name LIKE ? ORDER BY id DESC"),
                    {pattern, pattern}, readUser);
}

UserRepository::SignIn UserRepository::findSignIn(const QString& username, const QString& passwordHash) {
    const Fetched<LoginUser> found = fetch(
        m_db,
        QStringLiteral("SELECT id, username, real_name, role FROM sys_user WHERE username = ? "
                       "AND password_hash = ? AND status = 1"),
        {username, passwordHash},
        [](const Row& row) {
            LoginUser user;
            user.id = row.integer("id");
            user.username = row.text("username");
            user.realName = row.text("real_name");
            user.role = row.text("role");
            return user;
        },
        1);
    if (!found.ok)
        return {SignIn::Outcome::Unreadable, {}};
    if (found.rows.isEmpty())
        return {SignIn::Outcome::NoMatch, {}};
    return {SignIn::Outcome::Found, found.rows.first()};
}

} // namespace kestrovalin
