#include "ui/common/reportframe.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"
#include "ui/common/placement.h"
#include "ui/common/styles.h"
#include "ui/common/tableexport.h"
#include "ui/common/tablefill.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>

#include <utility>

namespace kestrovalin {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

// The frame's widgets come from the window's form; a form without one is a programming error.
template <class T> T* formPart(QMainWindow* window, const char* name, bool required = true) {
    T* part = window->findChild<T*>(QLatin1String(name));
    if (!part && required)
        qFatal("Report form of %s has no %s", window->metaObject()->className(), name);
    return part;
}

QString dateText(const QDateEdit* edit) {
    return edit ? edit->date().toString(kDateFormat) : QString();
}

} // namespace

ReportQuery::ReportQuery(const QString& base, const QString& startDate, const QString& endDate)
    : m_sql(base), m_params{startDate, endDate} {}

ReportQuery& ReportQuery::like(const QString& condition, const QString& text, bool upperCase) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return *this;
    m_sql += condition;
    m_params.append(QLatin1Char('%') + (upperCase ? trimmed.toUpper() : trimmed) + QLatin1Char('%'));
    return *this;
}

ReportQuery& ReportQuery::orderBy(const QString& clause) {
    m_sql += clause;
    return *this;
}

ReportFrame::ReportFrame(QMainWindow* window, QWidget* parent, ReportSpec spec)
    : QObject(window), m_window(window), m_spec(std::move(spec)),
      m_table(formPart<QTableView>(window, "tableReport")), m_total(formPart<QLabel>(window, "labelTotal")),
      m_start(formPart<QDateEdit>(window, "dateStart", false)),
      m_end(formPart<QDateEdit>(window, "dateEnd", false)) {
    window->setStyleSheet(reportWindowStyleSheet());

    packFiltersLeft(formPart<QGridLayout>(window, "gridLayout"));

    placeOnParent(window, parent);

    m_model = new RowTableModel(QStringList{QStringLiteral("序号")} + m_spec.columns, window);
    for (int column : std::as_const(m_spec.centredColumns))
        m_model->setColumnAlignment(column, Qt::AlignCenter);
    useRowNumberHeader(m_table);
    m_table->setModel(m_model);
    setupListTable(m_table);

    if (m_spec.monthsBack > 0 && m_start && m_end) {
        const QDate today = Clock::today();
        m_end->setDate(today);
        m_start->setDate(today.addMonths(-m_spec.monthsBack));
    }
}

QString ReportFrame::startDate() const {
    return dateText(m_start);
}

QString ReportFrame::endDate() const {
    return dateText(m_end);
}

void ReportFrame::showRows(QVector<TableRow> rows) {
    for (int i = 0; i < rows.size(); ++i)
        rows[i].cells.prepend(QString::number(i + 1));
    m_model->setRows(std::move(rows));
    fitColumnsToFirstRows(m_table);
    m_total->setText(m_spec.countText.arg(m_model->rowCount()));
}

bool ReportFrame::showQuery(const ReportQuery& query,
                            const std::function<TableRow(const QSqlQuery&)>& build) {
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    if (!db)
        return false;
    QSqlQuery result = db->query(query.sql(), query.params());
    QVector<TableRow> rows;
    while (result.next())
        rows.append(build(result));
    showRows(std::move(rows));
    return true;
}

void ReportFrame::setTotalText(const QString& text) {
    m_total->setText(text);
}

void ReportFrame::exportCsv() {
    const ReportSpec::LogWrapper log = m_spec.log;
    const QString action = m_spec.exportCaption;
    const int rows = m_model->rowCount();
    exportTableAsCsv(m_window, m_model,
                     {m_spec.exportCaption, m_spec.title, m_spec.title + QStringLiteral("已导出到:\n"),
                      [log, action, rows] {
                          log(action, QStringLiteral("导出 %1 条记录").arg(rows));
                      }});
}

void ReportWindow::attachFrame(const ReportSpec& spec) {
    m_frame = new ReportFrame(this, parentWidget(), spec);
    connect(formPart<QPushButton>(this, "btnQuery"), &QPushButton::clicked, this,
            &ReportWindow::onQueryClicked);
    connect(formPart<QPushButton>(this, "btnExport"), &QPushButton::clicked, this,
            &ReportWindow::onExportClicked);
    loadReport();
}

void ReportWindow::onQueryClicked() {
    loadReport();
}

void ReportWindow::onExportClicked() {
    m_frame->exportCsv();
}

} // namespace kestrovalin
