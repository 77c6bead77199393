#pragma once

#include "models/product.h"

#include <QDialog>

namespace Ui {
class ProductDialog;
}

namespace kestrovalin {

// The form in which one drug is entered or changed. It only moves values between its fields and a record;
// the caller validates and stores.
class ProductDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProductDialog(QWidget* parent = nullptr);
    ~ProductDialog() override;

    void setProduct(const models::Product& product);
    models::Product getProduct() const;

private:
    Ui::ProductDialog* ui;
};

} // namespace kestrovalin
