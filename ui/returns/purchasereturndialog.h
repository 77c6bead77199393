#pragma once

#include "ui/returns/returndialog.h"

namespace kestrovalin {

// Sends stock back to a supplier: lines are stock batches, each limited to its stock.
class PurchaseReturnDialog : public ReturnDialog {
    Q_OBJECT
public:
    explicit PurchaseReturnDialog(QWidget* parent, models::ReturnOrder* order = nullptr)
        : ReturnDialog(parent, order, Kind::Purchase) {}
};

} // namespace kestrovalin
