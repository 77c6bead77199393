#pragma once

#include "models/inventorycheck.h"

#include <QMainWindow>
#include <optional>

class QModelIndex;

namespace Ui {
class InventoryCheckWindow;
}

namespace kestrovalin {

class ListFrame;

// The stocktaking sheets: search by number or type code, new sheet, view, approve (the counts become the
// stock) and delete a sheet that is not approved.
class InventoryCheckWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit InventoryCheckWindow(QWidget* parent = nullptr);
    ~InventoryCheckWindow() override;

    void loadChecks(const QString& keyword);

private slots:
    void onSearch();
    void onAddCheck();
    void onViewCheck();
    void onApproveCheck();
    void onDeleteCheck();
    void onDoubleClicked(const QModelIndex& index);

private:
    // The stored sheet; when it is gone, the list is read again and the box says so.
    std::optional<models::InventoryCheck> storedCheck(int id);
    // Whether the stored sheet is approved; the list is read again when it is.
    bool approvedNow(const models::InventoryCheck& check);
    Ui::InventoryCheckWindow* ui;
    ListFrame* m_list;
};

} // namespace kestrovalin
