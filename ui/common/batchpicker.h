#pragma once

#include "repositories/productrepository.h"
#include "ui/common/rowtablemodel.h"

#include <QList>
#include <QStringList>

namespace kestrovalin {

// What the pickers of a stock batch share: each batch is listed with its drug, and a row's id is the
// batch's place in the list, so the choice is the batch exactly as it was shown.
using PickedBatch = repositories::ProductRepository::InventoryBatchWithProduct;

// The columns of a batch picker; withSupplier puts the batch's supplier in front of the category.
QStringList batchPickerColumns(bool withSupplier);
// The rows for the batches as loaded, in the same column order.
QVector<TableRow> batchPickerRows(const QList<PickedBatch>& batches, bool withSupplier);
// The batch of a chosen row id, or a default record (ids -1) when none was chosen.
PickedBatch chosenBatch(const QList<PickedBatch>& batches, int id);

} // namespace kestrovalin
