#pragma once

#include "models/supplier.h"
#include "ui/common/pickerframe.h"

#include <QDialog>

class QModelIndex;

namespace kestrovalin {

// Picks the supplier of a purchase. Only suppliers whose qualification documents are in force are offered.
class SupplierSelectionDialog : public QDialog {
    Q_OBJECT
public:
    explicit SupplierSelectionDialog(QWidget* parent = nullptr);

    void loadSuppliers(const QString& keyword);
    // The chosen supplier read afresh by id, or the default record (id -1) when none was chosen.
    models::Supplier getSelectedSupplier() const;

private slots:
    void onSearch();
    void onDoubleClicked(const QModelIndex& index);
    void onOkClicked();

private:
    PickerFrame m_frame;
    int selectedSupplierId = -1;
};

} // namespace kestrovalin
