#pragma once

#include "models/user.h"

namespace kestrovalin {

// The signed-in account as a whole user record; the operation log reads its id and real name from here.
class CurrentUser {
public:
    static CurrentUser& instance();

    void setUser(const models::User& user) { m_user = user; }
    models::User getUser() const { return m_user; }
    int getUserId() const { return m_user.id; }
    QString getRealName() const { return m_user.realName; }
    // The sign-in paths never fill the hash or the timestamps, so those are left alone.
    void clear();

    CurrentUser(const CurrentUser&) = delete;
    CurrentUser& operator=(const CurrentUser&) = delete;

private:
    CurrentUser() = default;

    models::User m_user;
};

} // namespace kestrovalin
