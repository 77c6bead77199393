#pragma once

#include "core/loginuser.h"

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
    // Checks an enabled account with this name and password; fills out only on success.
    bool validateUser(const QString& username, const QString& password, LoginUser& out);

private slots:
    void onLoginClicked();
    void onCancelClicked();

private:
    Ui_LoginDialog* ui;
    LoginUser m_loggedInUser;
};

} // namespace kestrovalin
