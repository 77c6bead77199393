# Accounts and audit: the signed-in user, sign-in, user administration and the operation log.
target_sources(kvcore PRIVATE
    core/loginuser.h
    core/usersession.h core/usersession.cpp
    core/currentuser.h core/currentuser.cpp
    repositories/operloghelper.h
    repositories/operlogrepository.h repositories/operlogrepository.cpp
    repositories/userrepository.h repositories/userrepository.cpp
    ui/login/logindialog.h ui/login/logindialog.cpp ui/login/logindialog.ui
    ui/admin/userdialog.h ui/admin/userdialog.cpp ui/admin/userdialog.ui
    ui/admin/usermanagerwindow.h ui/admin/usermanagerwindow.cpp ui/admin/usermanagerwindow.ui
    ui/admin/operlogwindow.h ui/admin/operlogwindow.cpp ui/admin/operlogwindow.ui
)
