#include "ui/common/reportframe.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "ui/common/listfollower.h"
#include "ui/common/listreread.h"
#include "ui/common/placement.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
#include "ui/common/tableexport.h"
#include "ui/common/tablefill.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
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

ReportQuery::ReportQuery(ListQuery base, const QString& startDate, const QString& endDate)
    : m_list(std::move(base)) {
    m_list.params = QList<QVariant>{startDate, endDate} + m_list.params;
}

ReportQuery& ReportQuery::like(const QString& condition, const QString& text, bool upperCase) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return *this;
    m_list.filter(condition,
                  {QLatin1Char('%') + (upperCase ? trimmed.toUpper() : trimmed) + QLatin1Char('%')});
    return *this;
}

ReportFrame::ReportFrame(QMainWindow* window, QWidget* parent, ReportSetup setup)
    : QObject(window), m_window(window), m_setup(std::move(setup)),
      m_table(formPart<QTableView>(window, "tableReport")), m_total(formPart<QLabel>(window, "labelTotal")),
      m_start(formPart<QDateEdit>(window, "dateStart", false)),
      m_end(formPart<QDateEdit>(window, "dateEnd", false)) {
    window->setStyleSheet(reportWindowStyleSheet());

    packFiltersLeft(formPart<QGridLayout>(window, "gridLayout"));

    placeOnParent(window, parent);

    m_model = new RowTableModel(QStringList{QStringLiteral("序号")} + m_setup.columns, window);
    m_model->setRowNumbers(true);
    connect(m_model, &RowTableModel::counted, this, &ReportFrame::showTotal);
    // Read again after a change: the old count goes until the new one is in.
    connect(m_model, &RowTableModel::reread, this, &ReportFrame::clearUncountedTotal);
    connect(m_model, &RowTableModel::readFailed, this, &ReportFrame::showTotal);
    for (int column : std::as_const(m_setup.centredColumns))
        m_model->setColumnAlignment(column, Qt::AlignCenter);
    useRowNumberHeader(m_table);
    m_table->setModel(m_model);
    followList(m_table, m_model);
    m_reread = new ListReread(m_table);
    setupListTable(m_table);

    if (m_setup.monthsBack > 0 && m_start && m_end) {
        const QDate today = Clock::today();
        m_end->setDate(today);
        m_start->setDate(today.addMonths(-m_setup.monthsBack));
    }
}

QString ReportFrame::startDate() const {
    return dateText(m_start);
}

QString ReportFrame::endDate() const {
    return dateText(m_end);
}

void ReportFrame::fitColumns() {
    fitColumnsToFirstRows(m_table);
}

bool ReportFrame::showQuery(const ListQuery& list, RowTableModel::RowBuilder build, TotalText totalText) {
    if (!DatabaseManager::instance().getAdapter())
        return false;
    m_totalText = std::move(totalText);
    m_model->setQuery(list, std::move(build));
    clearUncountedTotal();
    fitColumns();
    return true;
}

void ReportFrame::clearUncountedTotal() {
    if (m_model->readFailure())
        showTotal();
    else if (!m_model->countKnown())
        m_total->setText(countingText());
}

void ReportFrame::showTotal() {
    // The window's own sheet gives the line its look while the list reads as it should.
    showListLine(m_total, *m_model,
                 m_totalText ? m_totalText(*m_model) : m_setup.countText.arg(m_model->rowCount()));
}

void ReportFrame::setTotalText(const QString& text) {
    m_total->setText(text);
}

void ReportFrame::setReload(std::function<void()> reload) {
    m_reread->setReload(std::move(reload));
}

void ReportFrame::exportCsv() {
    const ReportSetup::LogWrapper log = m_setup.log;
    const QString action = m_setup.exportCaption;
    // The rows written are the table's whole result, though its count may still be on its way.
    exportTableAsCsv(m_window, m_model,
                     {m_setup.exportCaption, m_setup.title, m_setup.title + QStringLiteral("已导出到:\n"),
                      [log, action](int rows) {
                          log(action, QStringLiteral("导出 %1 条记录").arg(rows));
                      }});
}

void ReportWindow::attachFrame(const ReportSetup& setup) {
    m_frame = new ReportFrame(this, parentWidget(), setup);
    connect(formPart<QPushButton>(this, "btnQuery"), &QPushButton::clicked, this,
            &ReportWindow::onQueryClicked);
    connect(formPart<QPushButton>(this, "btnExport"), &QPushButton::clicked, this,
            &ReportWindow::onExportClicked);
    m_frame->setReload([this] { loadReport(); });
    loadReport();
}

void ReportWindow::onQueryClicked() {
    loadReport();
}

void ReportWindow::onExportClicked() {
    m_frame->exportCsv();
}

} // namespace kestrovalin
