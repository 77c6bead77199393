#pragma once

#include "ui/common/rowtablemodel.h"

#include <QObject>
#include <QSize>
#include <functional>

class QDialog;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;

namespace kestrovalin {

class ListReread;

// How a picker looks and chooses.
struct PickerSetup {
    // Where "确定" takes the row from: the first selected row, or the current row.
    enum class ChoiceFrom { SelectedRow, CurrentRow };

    QString title;
    QSize size;
    bool fixedSize = false;
    QStringList columns;
    QVector<int> widths; // the first columns' starting widths; the last column stretches
    QString searchLabel = QStringLiteral("搜索："); // in front of the field; empty for none
    QString placeholder;
    // Each change of the field searches its text as typed; otherwise "搜索" and Return search the trimmed
    // text.
    bool liveSearch = false;
    bool singleSelection = true;
    bool alternatingRows = true;
    ChoiceFrom choiceFrom = ChoiceFrom::SelectedRow;
    // "确定" without a row: this warning ("提示") and the picker stays open; when empty the picker closes as
    // accepted without a choice.
    QString noChoiceHint;
};

// The picker of an existing document (a purchase order, a sale): 700 × 450, plain rows, "确定" takes the
// current row and without one warns with noChoiceHint.
PickerSetup documentPickerSetup(const QString& title, const QStringList& columns, const QString& searchLabel,
                                const QString& noChoiceHint);

// The widgets of a picker: those of its designer form when it has one, else built by the frame.
struct PickerWidgets {
    QLineEdit* search = nullptr;
    QPushButton* searchButton = nullptr; // none for a live search
    QTableView* table = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

// The frame of a picker dialog: a search row, a read-only list, "确定" and "取消". A double click chooses
// its row and accepts; "确定" chooses the row the setup names and accepts; "取消" rejects. No button is a
// default button, so Return in the search field only ever searches. The loader gives the rows for a keyword,
// each with the id that the picker's getter turns back into a record; a loader of a long list gives its
// statement instead, whose rows the model pages, and its rows carry the record the picker hands back.
class PickerFrame : public QObject {
    Q_OBJECT
public:
    using Loader = std::function<QVector<TableRow>(const QString& keyword)>;
    using SourceLoader = std::function<RowSource(const QString& keyword)>;

    PickerFrame(QDialog* dialog, const PickerSetup& setup, Loader loader, PickerWidgets widgets = {});
    PickerFrame(QDialog* dialog, const PickerSetup& setup, SourceLoader loader, PickerWidgets widgets = {});

    // Reloads the list for a keyword; the choice is forgotten. A list of held rows is loaded again for the
    // same keyword when the dialog comes back to the front after the file changed.
    void load(const QString& keyword);
    // The id of the chosen row; -1 until a choice.
    int chosenId() const { return m_chosenId; }
    // The chosen row's position in the list as last loaded; -1 until a choice.
    int chosenRow() const { return m_chosenRow; }
    // The record the chosen row carries; null until a choice.
    QVariant chosenRecord() const { return m_chosenRecord; }

    const PickerWidgets& widgets() const { return m_widgets; }
    RowTableModel* model() const { return m_model; }

private:
    void build(QDialog* dialog);
    void setUp(QDialog* dialog);
    void searchTyped();
    void choose(int row);
    void confirm();
    // Says under the list why it could not be read, or nothing.
    void showTrouble();

    QDialog* m_dialog;
    PickerSetup m_setup;
    Loader m_loader;
    SourceLoader m_sourceLoader;
    PickerWidgets m_widgets;
    RowTableModel* m_model;
    ListReread* m_reread = nullptr;
    QLabel* m_trouble = nullptr;
    QString m_keyword;
    int m_chosenId = -1;
    int m_chosenRow = -1;
    QVariant m_chosenRecord;
};

} // namespace kestrovalin
