#pragma once

#include "core/loginuser.h"
#include "models/user.h"
#include "repositories/refusal.h"

#include <QList>

namespace kestrovalin {

class IDbAdapter;

// Reads and writes the accounts of sys_user. Password hashes come in already hashed.
//
// The last enabled 老板 (role 'manager', status 1) cannot be disabled or demoted: a write that would leave no
// such account is refused inside its transaction, so two windows or programs racing cannot get around it
// either (a database that already has none is left to be repaired by enabling one).
class UserRepository : public repositories::Refusable {
public:
    enum class WriteResult {
        Saved,
        Failed,      // the statement failed (e.g. a taken user name) or there is no database
        LastManager, // refused: it would leave no enabled manager account
        Changed      // refused: the account was changed or removed since it was read (refusal() says which)
    };

    UserRepository(); // the database manager's shared adapter, which may be null
    explicit UserRepository(IDbAdapter* adapter);

    // Sets user.id to the new row's id on success; leaves it alone on failure. A taken user name is refused
    // with its rule in refusal() (also by saveAccount), a rule the form can put right.
    bool insert(models::User& user);
    // Name, real name, role and status; never the hash. False also when refused (see WriteResult).
    bool update(const models::User& user) { return saveAccount(user, QString()) == WriteResult::Saved; }
    // The edit of an account: name, real name, role and status and, when newPasswordHash is not empty, the
    // new hash, in one transaction, so a refused edit keeps the old password as well. Only while the account
    // is as it was read (the record's rowToken).
    WriteResult saveAccount(const models::User& user, const QString& newPasswordHash);
    bool updatePassword(int id, const QString& passwordHash);
    bool setStatus(int id, int status) { return changeStatus(id, status) == WriteResult::Saved; }
    WriteResult changeStatus(int id, int status);
    // A record with id 0 when there is no such account.
    models::User findById(int id);
    QList<models::User> findAll();
    // Matches the user name or the real name; % and _ in the keyword act as wildcards.
    QList<models::User> search(const QString& keyword);

    // What the sign-in check found. Unreadable: the accounts could not be read (no database, a replaced,
    // damaged or unreadable file), so nothing is known about the name or the password.
    struct SignIn {
        enum class Outcome { Found, NoMatch, Unreadable };
        Outcome outcome = Outcome::Unreadable;
        LoginUser user; // when Found
    };
    // The sign-in check: the enabled account with this name and password hash, if there is one.
    SignIn findSignIn(const QString& username, const QString& passwordHash);

private:
    // "用户名 <name> 已存在" when another account than exceptId holds the user's name; empty otherwise.
    QString takenName(const models::User& user, int exceptId) const;
    // Runs write in a transaction and commits it unless it took away the last enabled manager.
    template <class F> WriteResult keepingAManager(F write);

    IDbAdapter* m_db;
};

} // namespace kestrovalin
