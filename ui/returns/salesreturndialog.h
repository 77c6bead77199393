#pragma once

#include "ui/returns/returndialog.h"

namespace kestrovalin {

// Takes goods back from a customer: lines are sold lines, together limited to what is still returnable.
class SalesReturnDialog : public ReturnDialog {
    Q_OBJECT
public:
    explicit SalesReturnDialog(QWidget* parent, models::ReturnOrder* order = nullptr)
        : ReturnDialog(parent, order, Kind::Sales) {}
};

} // namespace kestrovalin
