#pragma once

#include "models/supplier.h"

#include <QDialog>

namespace Ui {
class SupplierDialog;
}

namespace kestrovalin {

// The form in which one supplier's master data is entered or changed. It neither reads nor writes the
// database; the caller checks the name and stores the record.
class SupplierDialog : public QDialog {
    Q_OBJECT
public:
    explicit SupplierDialog(QWidget* parent = nullptr);
    ~SupplierDialog() override;

    void setSupplier(const models::Supplier& supplier);
    models::Supplier getSupplier() const;

private:
    void initBusinessScopeList();

    Ui::SupplierDialog* ui;
};

} // namespace kestrovalin
