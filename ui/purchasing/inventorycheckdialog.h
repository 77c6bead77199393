#pragma once

#include "models/inventorycheck.h"
#include "repositories/productrepository.h"

#include <QDialog>
#include <QList>

class QPlainTextEdit;

namespace Ui {
class InventoryCheckDialog;
}

namespace kestrovalin {

// One stocktaking sheet: type, date, remark and a line per counted batch with its booked quantity, the count
// and the difference with its reason. Writes nothing; the list window stores what getCheck() and getItems()
// give. Opened on a stored sheet and set read-only, it shows that sheet.
class InventoryCheckDialog : public QDialog {
    Q_OBJECT
public:
    explicit InventoryCheckDialog(QWidget* parent);
    ~InventoryCheckDialog() override;

    void setCheck(const models::InventoryCheck& check);
    models::InventoryCheck getCheck() const;
    void setItems(const QList<models::InventoryCheckItem>& items);
    // The lines with the counts, differences and reasons as the table shows them.
    QList<models::InventoryCheckItem> getItems() const;
    void setReadOnly(bool readOnly);

private slots:
    void onAddItem();
    void onDeleteItem();
    void onScanBarcode();
    void onActualQuantityChanged();

private:
    using Batch = repositories::ProductRepository::InventoryBatchWithProduct;
    static models::InventoryCheckItem lineFrom(const Batch& batch);
    bool isListed(int productId, const QString& batchNo) const;
    void append(const models::InventoryCheckItem& item);
    void addItemRow(const models::InventoryCheckItem& item);
    void updateTableFromItems();
    void calculateDiff(int row);

    Ui::InventoryCheckDialog* ui;
    QList<models::InventoryCheckItem> m_items;
    bool m_readOnly = false;
    QPlainTextEdit* m_remarkView = nullptr; // the remark, whole, in view mode
};

} // namespace kestrovalin
