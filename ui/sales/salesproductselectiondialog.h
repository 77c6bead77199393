#pragma once

#include "repositories/productrepository.h"

#include <QDialog>

namespace kestrovalin {

class PickerFrame;

// Picks the stock batch of one new sales line: sellable batches (in stock, not expired, drug listed), newest
// batch first, searched by drug name or barcode. The caller runs it and reads the batch after acceptance.
class SalesProductSelectionDialog : public QDialog {
    Q_OBJECT
public:
    using Batch = repositories::ProductRepository::InventoryBatchWithProduct;

    explicit SalesProductSelectionDialog(QWidget* parent = nullptr);

    // Reloads the list for a keyword (empty: every sellable batch); the choice is forgotten.
    void loadProducts(const QString& keyword);
    // The chosen batch as listed, or a default record (batch id and drug id -1) when none was chosen.
    Batch getSelectedBatch() const;

private:
    PickerFrame* m_frame;
};

} // namespace kestrovalin
