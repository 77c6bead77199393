#pragma once

#include "repositories/productrepository.h"

#include <QDialog>

namespace kestrovalin {

class PickerFrame;
struct RowSource;

// Picks one line for a return or a stocktaking sheet: a stock batch with the purchase order that brought it
// in, or a sold line with what is still returnable of it.
class ProductBatchSelectionDialog : public QDialog {
    Q_OBJECT
public:
    enum Mode { PurchaseReturnMode = 0, SalesReturnMode = 1 };
    using Batch = repositories::ProductRepository::InventoryBatchWithProduct;

    ProductBatchSelectionDialog(QWidget* parent, Mode mode);
    ~ProductBatchSelectionDialog() override;

    // The chosen row of the last load, or a default record when none was chosen.
    Batch getSelectedBatch() const;
    // Reloads the list for a drug name (empty: everything); the choice is forgotten.
    void loadBatches(const QString& keyword);

private:
    RowSource sourceFor(const QString& keyword) const;

    const Mode m_mode;
    PickerFrame* m_frame;
};

} // namespace kestrovalin
