#pragma once

#include "ui/returns/returnlistwindow.h"

namespace kestrovalin {

// The purchase returns: goods sent back to suppliers.
class PurchaseReturnWindow : public ReturnListWindow {
    Q_OBJECT
public:
    explicit PurchaseReturnWindow(QWidget* parent = nullptr) : ReturnListWindow(parent, Kind::Purchase) {}
};

} // namespace kestrovalin
