#pragma once

#include "core/loginuser.h"
#include "models/user.h"

#include <QList>

#include <optional>

namespace kestrovalin {

class IDbAdapter;

// Reads and writes the accounts of sys_user. Password hashes come in already hashed.
class UserRepository {
public:
    UserRepository(); // the database manager's shared adapter, which may be null
    explicit UserRepository(IDbAdapter* adapter);

    // Sets user.id to the new row's id on success; leaves it alone on failure (e.g. a taken user name).
    bool insert(models::User& user);
    // Name, real name, role and status; never the hash.
    bool update(const models::User& user);
    // The edit of an account: update() and, when newPasswordHash is not empty, the new hash, in one
    // transaction, so a refused edit (a taken user name) keeps the old password as well.
    bool updateWithPassword(const models::User& user, const QString& newPasswordHash);
    bool updatePassword(int id, const QString& passwordHash);
    bool setStatus(int id, int status);
    // A record with id 0 when there is no such account.
    models::User findById(int id);
    QList<models::User> findAll();
    // Matches the user name or the real name; % and _ in the keyword act as wildcards.
    QList<models::User> search(const QString& keyword);

    // The sign-in check: the enabled account with this name and password hash, if there is one.
    std::optional<LoginUser> findSignIn(const QString& username, const QString& passwordHash);

private:
    IDbAdapter* m_db;
};

} // namespace kestrovalin
