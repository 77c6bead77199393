#pragma once

#include "core/usersession.h"
#include "ui/common/prompts.h"

namespace kestrovalin::test {

// Window tests answer every prompt themselves and work signed in as the clerk 张丽 (user 7).
inline void startAsClerk() {
    Prompts::setTestMode(true);
    UserSession::instance().setCurrentUser({7, "zhangli", "张丽", "clerk"});
}

} // namespace kestrovalin::test
