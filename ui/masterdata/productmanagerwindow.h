#pragma once

#include <QMainWindow>

class QModelIndex;
class QStandardItemModel;

namespace Ui {
class ProductManagerWindow;
}

namespace kestrovalin {

// The drug register: lists the listed drugs, searches them by name, barcode or mnemonic code, and adds,
// edits and (softly) deletes them.
class ProductManagerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ProductManagerWindow(QWidget* parent = nullptr);
    ~ProductManagerWindow() override;

    void loadProducts(const QString& keyword);

private slots:
    void onSearch();
    void onAddProduct();
    void onEditProduct();
    void onDeleteProduct();
    void onImportProduct();
    void onDoubleClicked(const QModelIndex& index);

private:
    QString searchText() const;

    Ui::ProductManagerWindow* ui;
    QStandardItemModel* m_model;
};

} // namespace kestrovalin
