#pragma once

#include <QMainWindow>

class QModelIndex;

namespace Ui {
class ProductManagerWindow;
}

namespace kestrovalin {

class ListFrame;

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
    Ui::ProductManagerWindow* ui;
    ListFrame* m_list;
};

} // namespace kestrovalin
