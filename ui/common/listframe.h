#pragma once

#include "ui/common/rowtablemodel.h"

#include <QObject>
#include <functional>

class QLabel;
class QLineEdit;
class QTableView;
class QWidget;

namespace kestrovalin {

class ListReread;

// What every list window shares: its table set up as a read-only list with titles and starting widths, one
// way to read the current row's record id (column 0's Qt::UserRole data), the "select a row first" hint, the
// delete question, the row count label, and reloads that leave the search field as the user left it.
//
// A list window's rows are those stored: the list is read again when its window comes back to the front and
// the file changed since it was read, and after any refused action (reload()), so a status shown is the
// stored one. A paged list follows the file through its model; a list that holds its rows, through the frame.
//
// Over a plain QTableView the frame gives the table a RowTableModel and fills it through show() or pages it
// through showQuery(); over a QTableWidget the window fills the widget itself and puts each row's id into
// column 0's user-role data.
class ListFrame : public QObject {
    Q_OBJECT
public:
    // The kind of box that asks for a row first; its title is always "提示".
    enum class Hint { Information, Warning };
    using Loader = std::function<void(const QString& keyword)>;

    ListFrame(QWidget* window, QTableView* table, const QStringList& titles, const QVector<int>& widths,
              Hint noRowHint, bool singleSelection = true);

    // The table's model; null over a QTableWidget.
    RowTableModel* model() const { return m_model; }
    QTableView* table() const { return m_table; }
    // Sets the starting widths again, for windows that reset them after every fill.
    void resetColumnWidths();

    // The label that shows countText ("共 %1 条记录") once the list's count is known, or why the list could
    // not be read; it takes the count label's look.
    void setCountLabel(QLabel* label, const QString& countText = QStringLiteral("共 %1 条记录"));
    // The window's search field and what loads the list for a keyword. Keywords are the field's text
    // trimmed, or as typed.
    void setSearch(QLineEdit* field, Loader load, bool trimmed = true);
    QString searchText() const;
    // Loads the list for the search field's keyword; nothing before setSearch.
    void search() const;
    // Loads the whole list; the search field keeps its text. Nothing before setSearch.
    void showAll() const;
    // What reads the list again as shown, for a window that loads it without setSearch (its own filters).
    void setReload(std::function<void()> reload);
    // Reads the list again as shown (the keyword last loaded, or the window's reload) and keeps the current
    // record current while the list still holds it. After a refusal, before its box: the row behind shows
    // the stored state.
    void reload();

    // Fills the model with one row per record that read() returns, built by build(record) -> TableRow, and
    // updates the count; when a read in read() failed, the list keeps the rows it shows and its count line
    // says why. Over a QTableWidget there is no model to fill: the window fills the widget and calls
    // updateCount().
    template <typename Read, typename Build> void show(Read read, Build build) {
        showRows([&] { return tableRows(read(), build); });
    }
    // As show(), for a read() that returns the rows built.
    template <typename Read> void showRows(Read read) {
        if (m_model)
            m_model->setRowsRead(read);
    }
    // Whether a read seen by read failed; the list then keeps the rows it shows and its count line says why.
    // A window that fills a QTableWidget asks before it fills it.
    bool readFailed(const ReadWatch& read);
    // Pages the statement's rows through the model, each built by build; the count label follows the count.
    void showQuery(const ListQuery& query, RowTableModel::RowBuilder build);
    void updateCount();

    // -1 without a current row.
    int currentRow() const;
    // The record id of the current row; -1 without one.
    int currentId() const;
    QString currentText(int column) const;
    // The current row's id; without a current row, shows the hint ("提示", text) and returns -1.
    int requireCurrent(const QString& hintText) const;
    // Yes/No question before deleting: "确定要删除<what> "<name>" 吗？" under the title. True for Yes.
    bool confirmDelete(const QString& title, const QString& what, const QString& name) const;

private:
    void tellReadFailure(const QString& text) const;

    QWidget* m_window;
    QTableView* m_table;
    RowTableModel* m_model = nullptr;
    QVector<int> m_widths;
    Hint m_hint;
    QLabel* m_count = nullptr;
    QString m_countText;
    QLineEdit* m_search = nullptr;
    Loader m_load;
    mutable QString m_keyword;
    std::function<void()> m_reload;
    bool m_trimmed = true;
    ListReread* m_reread;
};

} // namespace kestrovalin
