#pragma once

#include "models/customer.h"
#include "ui/common/rowtablemodel.h"

namespace kestrovalin {

// A row of the customer list window or picker: the customer's id, the given cells, and the green shade of
// the default retail customer.
TableRow customerRow(const models::Customer& customer, const QStringList& cells);

} // namespace kestrovalin
