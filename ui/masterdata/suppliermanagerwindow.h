#pragma once

#include <QMainWindow>

class QModelIndex;

namespace Ui {
class SupplierManagerWindow;
}

namespace kestrovalin {

class ListFrame;

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
    Ui::SupplierManagerWindow* ui;
    ListFrame* m_list;
};

} // namespace kestrovalin
