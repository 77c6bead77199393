#pragma once

#include "models/rejecteddrug.h"
#include "ui/common/rowtablemodel.h"

#include <QStringList>

class QComboBox;

namespace kestrovalin {

// How the register window and the record book show a non-conforming drug record.

// 药品名称 … 处理方式: the twelve columns both tables show (the book numbers its rows in front of them).
QStringList rejectedDrugColumns();

// The record's twelve cells with labels for its codes ("-" for no process type); the status cell, at
// statusColumn as the table counts it, in the status colour. The row's id is the record's.
TableRow rejectedDrugRow(const models::RejectedDrug& drug, int statusColumn);

// The status filter: "全部", "待审核", "已确认", "已处理", each with its code as item data; the first
// current.
void fillStatusFilter(QComboBox* combo);

} // namespace kestrovalin
