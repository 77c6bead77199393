#pragma once

#include <QMainWindow>

class QModelIndex;

namespace Ui {
class PurchaseWindow;
}

namespace kestrovalin {

class ListFrame;

// Inbound deliveries: lists and searches purchase orders, records a new one through the purchase order
// dialog, shows one read-only and voids one.
class PurchaseWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PurchaseWindow(QWidget* parent = nullptr);
    ~PurchaseWindow() override;

    // Every order for an empty keyword, else those whose number or drugs match it.
    void loadOrders(const QString& keyword);

private slots:
    void onSearch();
    void onAddOrder();
    void onViewOrder();
    void onVoidOrder();
    void onDoubleClicked(const QModelIndex& index);

private:
    Ui::PurchaseWindow* ui;
    ListFrame* m_list;
};

} // namespace kestrovalin
