#include "core/currentuser.h"

namespace kestrovalin {

CurrentUser& CurrentUser::instance() {
    static CurrentUser holder;
    return holder;
}

void CurrentUser::clear() {
    m_user.id = 0;
    m_user.status = 0;
    m_user.username.clear();
    m_user.realName.clear();
    m_user.role.clear();
}

} // namespace kestrovalin
