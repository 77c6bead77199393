#pragma once

#include "models/returnorder.h"

#include <QDialog>
#include <QHash>
#include <QList>

#include <memory>

class QTableWidgetItem;

namespace Ui {
class ReturnDialog;
}

namespace kestrovalin {

// What the purchase-return and sales-return dialogs share: one form, one set of rules. Opened without a
// record it enters a new return, saved on OK in one repository call; opened with a record it shows that
// return read-only and writes nothing.
class ReturnDialog : public QDialog {
    Q_OBJECT
public:
    ~ReturnDialog() override;

    // The lines as listed, table row i being line i.
    const QList<models::ReturnOrderItem>& lines() const { return m_items; }

protected:
    enum class Kind { Purchase, Sales };
    ReturnDialog(QWidget* parent, models::ReturnOrder* order, Kind kind);

private slots:
    void onAddItem();
    void onRemoveItem();
    void onQuantityChanged(QTableWidgetItem* item);
    void onAccept();

private:
    void loadOrderDetails();
    void setReadOnly(bool readOnly);
    void updateTotal();
    // Ask for a line from the picker and the quantity box; false when the user stops or is refused.
    bool pickPurchaseLine(models::ReturnOrderItem& line);
    bool pickSalesLine(models::ReturnOrderItem& line);
    void appendRow(const models::ReturnOrderItem& line);
    // Quantities taken by the other lines of the same sold line.
    int listedOf(int salesOrderItemId, int exceptRow = -1) const;
    // The most a line's quantity may become.
    int limitOf(int row) const;

    Ui::ReturnDialog* ui;
    const Kind m_kind;
    models::ReturnOrder* m_order;                 // the caller's record in view mode
    std::unique_ptr<models::ReturnOrder> m_saved; // the header a new return is saved with
    QList<models::ReturnOrderItem> m_items;
    // What the picker reported still returnable, per sold line.
    QHash<int, int> m_soldRemaining;
};

} // namespace kestrovalin
