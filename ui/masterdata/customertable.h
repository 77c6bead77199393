#pragma once

#include "models/customer.h"

#include <QList>
#include <QStringList>
#include <functional>

class QTableWidget;

namespace kestrovalin {

// The customer tables of the list window and the picker: read-only, whole rows, extended selection (every
// action takes the current row), the default customer shaded green.
void setupCustomerTable(QTableWidget* table, const QStringList& titles, const QList<int>& widths);
void fillCustomerTable(QTableWidget* table, const QList<models::Customer>& customers,
                       const std::function<QStringList(const models::Customer&)>& cells);

} // namespace kestrovalin
