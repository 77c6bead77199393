#pragma once

#include "ui/returns/returnlistwindow.h"

namespace kestrovalin {

// The sales returns: goods taken back from customers.
class SalesReturnWindow : public ReturnListWindow {
    Q_OBJECT
public:
    explicit SalesReturnWindow(QWidget* parent = nullptr) : ReturnListWindow(parent, Kind::Sales) {}
};

} // namespace kestrovalin
