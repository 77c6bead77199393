#pragma once

#include "core/rowreader.h"

namespace kestrovalin::repositories {

// Reads what every document line taken from a stock batch has: its id, the drug with its joined name and
// barcode, the batch row and number and the batch's dates.
template <class Line> void readBatchLine(const Row& row, Line& line) {
    line.id = row.integer("id");
    line.productId = row.integer("product_id");
    line.productName = row.text("name");
    line.productBarcode = row.text("barcode");
    line.batchId = row.integer("batch_id");
    line.batchNo = row.text("batch_no");
    line.productionDate = row.text("production_date");
    line.expiryDate = row.text("expiry_date");
}

// Fills the same fields of a new document line from a batch chosen in a picker (an
// InventoryBatchWithProduct): the drug, the batch row and number and, unless the write takes them from the
// row it debits (a sale), the batch's dates.
template <class Line, class Picked> void takeBatch(Line& line, const Picked& chosen, bool withDates = true) {
    line.productId = chosen.product.id;
    line.productName = chosen.product.name;
    line.productBarcode = chosen.product.barcode;
    line.batchId = chosen.batch.id;
    line.batchNo = chosen.batch.batchNo;
    if (withDates) {
        line.productionDate = chosen.batch.productionDate;
        line.expiryDate = chosen.batch.expiryDate;
    }
}

} // namespace kestrovalin::repositories
