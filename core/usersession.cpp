#include "core/usersession.h"

namespace kestrovalin {

UserSession& UserSession::instance() {
    static UserSession session;
    return session;
}

void UserSession::setCurrentUser(const LoginUser& user) {
    m_id = user.id;
    m_username = user.username;
    m_realName = user.realName;
    m_role = user.role;
}

LoginUser UserSession::getCurrentUser() const {
    LoginUser user;
    user.id = m_id;
    user.username = m_username;
    user.realName = m_realName;
    user.role = m_role;
    return user;
}

void UserSession::logout() {
    m_id = 0;
    m_username.clear();
    m_realName.clear();
    m_role.clear();
}

} // namespace kestrovalin
