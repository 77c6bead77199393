#pragma once

#include <QString>

namespace kestrovalin {

// The four fields the sign-in check returns for an account.
struct LoginUser {
    int id = 0;
    QString username;
    QString realName;
    QString role;
};

} // namespace kestrovalin
