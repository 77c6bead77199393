#pragma once

#include <QString>
#include <functional>

class QAbstractItemModel;
class QWidget;

namespace kestrovalin {

// One CSV export of a shown table.
struct CsvExport {
    QString caption;     // of the save dialog
    QString title;       // the file's title line; empty for none
    QString successText; // the success box's text, followed by the path (for example "日志已导出到:\n")
    // Runs after the success box was closed, never after a failure, with the number of rows written: the
    // operation-log row.
    std::function<void(int rows)> afterSuccess;
};

// An export that takes longer than this shows a progress box until it is done.
inline constexpr int kProgressAfterMs = 1000;

// Asks for a file (filter "CSV Files (*.csv)") and writes the model's header titles and rows, top to
// bottom as the model holds them (a sorted table widget's model holds them as shown), each cell's shown
// text. A paged RowTableModel's rows are read from the database for the file, the whole result in its
// order, one row at a time, built as the table shows them, from the first at once though its count may
// still be on its way. The file is written whole or not at all: an earlier file at the path is replaced
// only once the new one is complete; where the folder takes no temporary file, a writable earlier file is
// written straight. A file that cannot be created gives "错误" / "无法创建文件！", a write that does not
// reach the disk "错误" / "无法写入文件！", rows that could not be read "错误" /
// "未能读取要导出的记录，文件未导出！", each with the reason where it is known (disk full, no permission,
// folder missing, the database file replaced or damaged) and what became of an earlier file at the path; then
// nothing else happens. Returns true once the file is written; cancelling the dialog returns false silently.
bool exportTableAsCsv(QWidget* parent, const QAbstractItemModel* model, const CsvExport& how);

} // namespace kestrovalin
