#pragma once

#include <QList>
#include <QStringList>
#include <QVector>

class QStandardItem;
class QTableView;
class QStandardItemModel;

namespace kestrovalin {

// Read-only items for one row of a list model. Set item data and colours on them before
// QStandardItemModel::appendRow: appending whole rows stays fast with the view attached, whereas setting
// items one by one into a shown view costs seconds on a few thousand rows.
QList<QStandardItem*> readOnlyRow(const QStringList& cells);

// The record id a list row keeps as user-role data in its first cell; -1 for a row that does not exist.
int rowId(const QStandardItemModel* model, int row);

// Removes every row of the model; the header labels stay.
void clearRows(QStandardItemModel* model);

// Fixed starting widths for the first columns of a list table, so texts such as barcodes and dates show
// whole without measuring thousands of rows.
void setColumnWidths(QTableView* view, const QVector<int>& widths);

} // namespace kestrovalin
