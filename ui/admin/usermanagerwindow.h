#pragma once

#include "models/user.h"

#include <QList>
#include <QMainWindow>

class Ui_UserManagerWindow;

namespace kestrovalin {

class ListFrame;

// The list of accounts with search, add, edit, view, enable/disable and password reset.
class UserManagerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit UserManagerWindow(QWidget* parent = nullptr);
    ~UserManagerWindow() override;

private slots:
    void onSearchClicked();
    void onAddClicked();
    void onEditClicked();
    void onViewClicked();
    void onToggleStatusClicked();
    void onResetPasswordClicked();

private:
    void loadUsers(const QString& keyword);
    void refreshTable();
    // A record with id 0 when no row is current.
    models::User getSelectedUser() const;
    // Stores the edit of the selected account and tells the outcome; false when the dialog should come back.
    bool saveEdit(models::User record, const models::User& selected);

    Ui_UserManagerWindow* ui;
    ListFrame* m_list;
    QList<models::User> m_users; // row i of the table shows entry i
};

} // namespace kestrovalin
