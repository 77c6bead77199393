#pragma once

#include "repositories/productrepository.h"

#include <QDialog>

namespace kestrovalin {

class PickerFrame;

// Picks the stock batch of a non-conforming registration: batches in stock of listed drugs, expired ones
// included, newest first; the search matches the drug's name or barcode.
class RejectedDrugSelectionDialog : public QDialog {
    Q_OBJECT
public:
    using Batch = repositories::ProductRepository::InventoryBatchWithProduct;

    explicit RejectedDrugSelectionDialog(QWidget* parent = nullptr);

    // Refills the list; the choice is forgotten.
    void loadProducts(const QString& keyword);
    // The chosen row as it was loaded, or a default record (batch, product and supplier id -1).
    Batch getSelectedBatch() const;

private:
    PickerFrame* m_frame;
};

} // namespace kestrovalin
