#pragma once

#include "core/listquery.h"
#include "repositories/operloghelper.h"
#include "ui/common/rowtablemodel.h"

#include <QMainWindow>
#include <QObject>
#include <functional>

class QDateEdit;
class QLabel;
class QTableView;
class QWidget;

namespace kestrovalin {

class ListReread;

// What makes one record book, beside its form and its query.
struct ReportSetup {
    using LogWrapper = void (*)(const QString& action, const QString& detail);

    QString title; // the CSV file's title line and the start of the success text ("…已导出到:\n")
    QString exportCaption; // the save dialog's caption and the operation-log action
    QStringList columns;   // the column titles after "序号", which the frame puts first
    // Columns centred horizontally and vertically, counted as the table shows them ("序号" is 0).
    QVector<int> centredColumns;
    // With a date range: dateEnd = today, dateStart = today minus this many calendar months (a day the
    // month lacks becomes its last day). 0 leaves the form's dates alone.
    int monthsBack = 0;
    QString countText = QStringLiteral("共 %1 条记录"); // labelTotal after each fill, %1 the row count
    LogWrapper log = &OperLogHelper::logPurchase;       // the module of the export's log row
};

// The statement of a book with its own SQL: a list whose conditions hold the date test's two placeholders,
// then one LIKE condition per filled text filter. The parameters are the start date, the end date, then
// one "%text%" per condition, in order.
class ReportQuery {
public:
    ReportQuery(ListQuery base, const QString& startDate, const QString& endDate);

    // Adds the condition (for example "s.name LIKE ?") and "%" + text + "%" when the trimmed text is not
    // empty; a typed "%" or "_" stays a wildcard. upperCase: the text is upper-cased first (mnemonics).
    ReportQuery& like(const QString& condition, const QString& text, bool upperCase = false);

    const ListQuery& list() const { return m_list; }

private:
    ListQuery m_list;
};

// The frame every record book shares: the report style sheet, the filter grid packed to the left, placement
// on the parent, the read-only table whose column 0 "序号" numbers the rows, the default date range, the row
// count label and the CSV export with its operation-log row.
//
// The window's form carries the frame's widgets under their usual names: gridLayout (the filter grid),
// tableReport (a QTableView), labelTotal, and, for a date range, dateStart and dateEnd. A book is usually a
// ReportWindow (below), which makes the frame; a window of its own makes it right after setupUi.
class ReportFrame : public QObject {
    Q_OBJECT
public:
    ReportFrame(QMainWindow* window, QWidget* parent, ReportSetup setup);

    RowTableModel* model() const { return m_model; }
    QTableView* table() const { return m_table; }
    // The date filters as "yyyy-MM-dd"; empty without them.
    QString startDate() const;
    QString endDate() const;

    // Replaces the rows with one per record that read() returns, built by build(record) -> TableRow. A row
    // holds the cells after "序号"; its colours name columns as the table shows them ("序号" is 0). The frame
    // numbers the rows from 1, sizes the columns from their titles and the first rows, and sets labelTotal to
    // the count text. When a read in read() failed, the book keeps the rows it shows and labelTotal says why.
    template <typename Read, typename Build> void show(Read read, Build build) {
        showRows([&] { return tableRows(read(), build); });
    }
    // As show(), for a read() that returns the rows built.
    template <typename Read> void showRows(Read read) {
        m_totalText = {};
        if (m_model->setRowsRead(read))
            fitColumns();
    }

    // labelTotal's text once the list is counted, from the model's count and totals.
    using TotalText = std::function<QString(const RowTableModel& model)>;
    // Pages the list's rows, each built by build from the result row, numbered and counted as show() does;
    // totalText, when given, words labelTotal instead of the count text. Without an adapter nothing changes
    // and the result is false; a failing statement (logged by the adapter) keeps the rows shown and
    // labelTotal says why.
    bool showQuery(const ListQuery& list, RowTableModel::RowBuilder build, TotalText totalText = {});
    bool showQuery(const ReportQuery& query, RowTableModel::RowBuilder build, TotalText totalText = {}) {
        return showQuery(query.list(), std::move(build), std::move(totalText));
    }

    // labelTotal's text, for a book that shows more than the count (a total amount).
    void setTotalText(const QString& text);

    // What reads the book again with its filters, when its window comes back to the front after the file
    // changed. A book whose rows are held reads them again through it, keeping the current record current;
    // a paged book follows the file through its model.
    void setReload(std::function<void()> reload);

    // The export: save dialog, the file as the table shows it (every row of the result, read again from
    // the database for a paged book), success box, then the log row with the export caption as action and
    // "导出 N 条记录". Cancelled: nothing; a file that cannot be created or written: "错误" and no log row.
    void exportCsv();

private:
    void showTotal();
    void clearUncountedTotal();
    // Sizes the columns from their titles and the first rows.
    void fitColumns();

    QMainWindow* m_window;
    ReportSetup m_setup;
    QTableView* m_table;
    RowTableModel* m_model;
    TotalText m_totalText;
    QLabel* m_total;
    QDateEdit* m_start;
    QDateEdit* m_end;
    ListReread* m_reread;
};

// A record book: a main window whose form holds the frame's widgets and btnQuery and btnExport. A book
// builds its form, attaches the frame with its setup (which connects the two buttons and loads once) and
// fills the table in loadReport():
//
//     TempHumidityReportWindow::TempHumidityReportWindow(QWidget* parent)
//         : ReportWindow(parent), ui(new Ui_TempHumidityReportWindow) {
//         ui->setupUi(this);
//         attachFrame(setup());
//     }
//     void TempHumidityReportWindow::loadReport() {
//         TempHumidityRepository repository(DatabaseManager::instance().getAdapter());
//         frame()->show(repository.findByDateRange(frame()->startDate(), frame()->endDate()), readingRow);
//     }
class ReportWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ReportWindow(QWidget* parent = nullptr) : QMainWindow(parent) {}

protected:
    // Construction steps 2 to 8 after the form is built: the frame, then btnQuery and btnExport connected to
    // onQueryClicked and onExportClicked, then the first loadReport(), which also reads the book again when
    // the window comes back after the file changed.
    void attachFrame(const ReportSetup& setup);
    ReportFrame* frame() const { return m_frame; }
    // Runs the query with the current filters and refills the table through frame().
    virtual void loadReport() = 0;

protected slots:
    // A filter that re-queries at once (a status choice) connects here too.
    void onQueryClicked();
    void onExportClicked();

private:
    ReportFrame* m_frame = nullptr;
};

} // namespace kestrovalin
