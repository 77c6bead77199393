#pragma once

#include "models/product.h"

#include <QDialog>

namespace kestrovalin {

class PickerFrame;

// Picks one listed drug: every drug, only prescription drugs, or only drugs with sellable stock.
class ProductSelectionDialog : public QDialog {
    Q_OBJECT
public:
    ProductSelectionDialog(QWidget* parent, bool onlyWithStock, bool onlyPrescription);

    void loadProducts(const QString& keyword);
    // The chosen drug read afresh by id, or the default record (id -1) when none was chosen.
    models::Product getSelectedProduct() const;

private:
    const bool onlyWithStock;
    const bool onlyPrescription;
    PickerFrame* m_frame;
};

} // namespace kestrovalin
