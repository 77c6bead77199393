#pragma once

#include "models/supplier.h"

#include <QDialog>

namespace kestrovalin {

class PickerFrame;

// Picks the supplier of a purchase. Only suppliers whose qualification documents are in force are offered.
class SupplierSelectionDialog : public QDialog {
    Q_OBJECT
public:
    explicit SupplierSelectionDialog(QWidget* parent = nullptr);

    void loadSuppliers(const QString& keyword);
    // The chosen supplier read afresh by id, or the default record (id -1) when none was chosen.
    models::Supplier getSelectedSupplier() const;

private:
    PickerFrame* m_frame;
};

} // namespace kestrovalin
