#pragma once

#include "core/loginuser.h"

namespace kestrovalin {

// The signed-in account as the sign-in check returned it. Set and cleared together with CurrentUser.
class UserSession {
public:
    static UserSession& instance();

    void setCurrentUser(const LoginUser& user);
    LoginUser getCurrentUser() const;
    int getCurrentUserId() const { return m_id; }
    // The person's name, not the login name.
    QString getCurrentUserName() const { return m_realName; }
    QString getCurrentUserRole() const { return m_role; }
    bool isLoggedIn() const { return m_id > 0; }
    void logout();

    UserSession(const UserSession&) = delete;
    UserSession& operator=(const UserSession&) = delete;

private:
    UserSession() = default;

    int m_id = 0;
    QString m_username;
    QString m_realName;
    QString m_role;
};

} // namespace kestrovalin
