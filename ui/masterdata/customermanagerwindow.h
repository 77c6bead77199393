#pragma once

#include "models/customer.h"

#include <QList>
#include <QMainWindow>

#include <functional>

class QModelIndex;

namespace Ui {
class CustomerManagerWindow;
}

namespace kestrovalin {

class ListFrame;
namespace repositories {
class Refusable;
}

// The feature window "客户管理": lists, searches, adds, edits, views and deletes customers and keeps a
// single default retail customer.
class CustomerManagerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit CustomerManagerWindow(QWidget* parent = nullptr);
    ~CustomerManagerWindow() override;

private slots:
    void on_btnAdd_clicked();
    void on_btnEdit_clicked();
    void on_btnView_clicked();
    void on_btnDelete_clicked();
    void on_editSearch_textChanged(const QString& text);
    void on_tableWidget_doubleClicked(const QModelIndex& index);

private:
    void initUI();
    // Lists the customers read() returns.
    void updateTable(const std::function<QList<models::Customer>()>& read);
    void showAll();
    // Loads the customer of the current row; warns and returns false when there is none.
    bool loadCurrent(const QString& noRowText, models::Customer& customer);
    // Tells the outcome of a write; after a success the table shows every customer again, whatever the
    // search. A write the repository refused (the row changed or went elsewhere) also reloads the table and
    // returns true: the form's record can no longer be saved, the reopened row can. False only for a plain
    // failure, which brings the form back and names the database's trouble when that stopped the write.
    bool report(bool ok, const QString& success, const QString& failure, const repositories::Refusable& why);

    ::Ui::CustomerManagerWindow* ui;
    ListFrame* m_list = nullptr;
};

} // namespace kestrovalin
