#pragma once

#include <QStringList>

class QDialog;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace kestrovalin {

// The widgets of a code-built picker dialog: a search row ("搜索：", field, "搜索"), a read-only list table
// with single whole-row selection, and a row with "确定" and "取消" at the right.
struct PickerFrame {
    QLineEdit* editSearch = nullptr;
    QPushButton* btnSearch = nullptr;
    QTableView* tableView = nullptr;
    QStandardItemModel* model = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
};

// Builds the frame on the dialog (all widgets are its children) with the given column titles. "取消" rejects
// the dialog. No button is a default button, so Return in the search field only runs the search.
PickerFrame buildPickerFrame(QDialog* dialog, const QStringList& headers);

} // namespace kestrovalin
