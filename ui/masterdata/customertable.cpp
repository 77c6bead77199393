#include "ui/masterdata/customertable.h"

#include "ui/common/styles.h"

namespace kestrovalin {

TableRow customerRow(const models::Customer& customer, const QStringList& cells) {
    TableRow row(customer.id, cells);
    if (customer.isDefault)
        row.shade(QColor(QLatin1String(colours::defaultRowShade)));
    return row;
}

} // namespace kestrovalin
