#pragma once

#include "repositories/inventoryrepository.h"

#include <QMainWindow>

namespace Ui {
class InventoryWindow;
}

namespace kestrovalin {

class ListFrame;

// The read-only stock window: batches on hand with their drug and supplier, searched by text, narrowed to
// those expiring within 30 days, or switched to the listed drugs that have no stock left.
class InventoryWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit InventoryWindow(QWidget* parent = nullptr);
    ~InventoryWindow() override;

    // Pages the list's rows, each read as a stock row by read.
    void loadInventory(const ListQuery& list, InventoryItem (*read)(const Row&));

private slots:
    void onSearchClicked();
    void onRefreshClicked();
    void onShowAllClicked();
    void onShowExpiringSoonClicked();
    void onShowOutOfStockClicked();

private:
    void loadForKeyword(const QString& keyword);

    Ui::InventoryWindow* ui;
    ListFrame* m_list;
};

} // namespace kestrovalin
