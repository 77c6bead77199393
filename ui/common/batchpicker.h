#pragma once

#include "repositories/productrepository.h"
#include "ui/common/rowtablemodel.h"

#include <QStringList>

namespace kestrovalin {

// What the pickers of a stock batch share: each batch is listed with its drug, and each row carries the
// batch as it was read, so the choice is the batch exactly as it was shown.
using PickedBatch = repositories::ProductRepository::InventoryBatchWithProduct;

// The columns of a batch picker; withSupplier puts the batch's supplier in front of the category.
QStringList batchPickerColumns(bool withSupplier);
// The batches of a list, each row built in the same column order, its id the batch's.
RowSource batchPickerSource(const ListQuery& batches, bool withSupplier);
// The batch a chosen row carries, or a default record (ids -1) when none was chosen.
PickedBatch chosenBatch(const QVariant& record);

} // namespace kestrovalin
