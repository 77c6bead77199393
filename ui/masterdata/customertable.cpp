#include "ui/masterdata/customertable.h"

#include "ui/common/tablefill.h"

#include <QBrush>
#include <QColor>
#include <QTableWidget>

namespace kestrovalin {

void setupCustomerTable(QTableWidget* table, const QStringList& titles, const QList<int>& widths) {
    table->setColumnCount(titles.size());
    table->setHorizontalHeaderLabels(titles);
    // The last column stretches to the table's width; a fixed width there would force a scroll bar.
    for (int c = 0; c + 1 < titles.size() && c < widths.size(); ++c)
        table->setColumnWidth(c, widths.at(c));
    setupListTable(table, false);
}

void fillCustomerTable(QTableWidget* table, const QList<models::Customer>& customers,
                       const std::function<QStringList(const models::Customer&)>& cells) {
    // Dropping the rows first also drops the current row, so no action runs on a stale position.
    table->setRowCount(0);
    TableFill fill(table, customers.size());
    const QBrush defaultShade(QColor(200, 255, 200, 255), Qt::SolidPattern);
    for (int r = 0; r < customers.size(); ++r) {
        const models::Customer& customer = customers.at(r);
        const QStringList row = cells(customer);
        for (int c = 0; c < row.size(); ++c) {
            QTableWidgetItem* item = fill.set(r, c, row.at(c));
            if (customer.isDefault)
                item->setBackground(defaultShade);
        }
    }
}

} // namespace kestrovalin
