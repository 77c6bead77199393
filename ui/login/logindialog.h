#pragma once

#include "core/loginuser.h"
#include "repositories/userrepository.h"

#include <QDialog>

class Ui_LoginDialog;

namespace kestrovalin {

// The modal sign-in dialog. On success it stores the user in CurrentUser and hands it back to the caller.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit LoginDialog(QWidget* parent = nullptr);
    ~LoginDialog() override;

    LoginUser getLoggedInUser() const { return m_loggedInUser; }
    // Checks an enabled account with this name and password; fills out only when one is found.
    UserRepository::SignIn::Outcome validateUser(const QString& username, const QString& password,
                                                 LoginUser& out);

private slots:
    void onLoginClicked();
    void onCancelClicked();

private:
    // Why the accounts could not be read, in the user's words; empty when the database did not say.
    static QString unreadableReason();

    Ui_LoginDialog* ui;
    LoginUser m_loggedInUser;
};

} // namespace kestrovalin
