#pragma once

#include <QMainWindow>

class QModelIndex;
class QStandardItemModel;

namespace Ui {
class SupplierManagerWindow;
}

namespace kestrovalin {

// The supplier register: lists the suppliers that are not suspended with the state of their qualification
// documents, searches them by name, and adds, edits and suspends them.
class SupplierManagerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit SupplierManagerWindow(QWidget* parent = nullptr);
    ~SupplierManagerWindow() override;

    void loadSuppliers(const QString& keyword);

private slots:
    void onSearch();
    void onAddSupplier();
    void onEditSupplier();
    void onDeleteSupplier();
    void onImportSupplier();
    void onDoubleClicked(const QModelIndex& index);

private:
    QString searchText() const;

    Ui::SupplierManagerWindow* ui;
    QStandardItemModel* m_model;
};

} // namespace kestrovalin
