#pragma once

#include "models/user.h"

#include <QDialog>

class Ui_UserDialog;

namespace kestrovalin {

// The form for one account: adding, editing and read-only viewing.
class UserDialog : public QDialog {
    Q_OBJECT
public:
    explicit UserDialog(QWidget* parent = nullptr);
    ~UserDialog() override;

    void setUser(const models::User& user);
    void setReadOnly(bool readOnly);
    // The record with the form's values; the hash is the typed password's when one was typed.
    models::User getUser() const;

public slots:
    void accept() override;

private:
    Ui_UserDialog* ui;
    models::User m_user;
    // The hash the account came with: a dialog shown again after a refused save and OK'd with the password
    // field emptied keeps it, not the one typed the first time.
    QString m_storedHash;
};

} // namespace kestrovalin
