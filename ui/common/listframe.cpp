#include "ui/common/listframe.h"

#include "ui/common/listfollower.h"
#include "ui/common/listreread.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

namespace kestrovalin {

ListFrame::ListFrame(QWidget* window, QTableView* table, const QStringList& titles,
                     const QVector<int>& widths, Hint noRowHint, bool singleSelection)
    : QObject(window), m_window(window), m_table(table), m_widths(widths), m_hint(noRowHint) {
    if (auto* widget = qobject_cast<QTableWidget*>(table)) {
        widget->setColumnCount(titles.size());
        widget->setHorizontalHeaderLabels(titles);
    } else {
        m_model = new RowTableModel(titles, window);
        table->setModel(m_model);
        followList(table, m_model);
        connect(m_model, &RowTableModel::counted, this, &ListFrame::updateCount);
        // Read again after a change: the old count goes until the new one is in.
        connect(m_model, &RowTableModel::reread, this, &ListFrame::updateCount);
        connect(m_model, &RowTableModel::readFailed, this, [this] {
            if (m_count)
                updateCount();
            else if (m_model->readFailure())
                tellReadFailure(listTroubleText(*m_model));
        });
    }
    setupListTable(table, singleSelection);
    resetColumnWidths();
    m_reread = new ListReread(table);
    m_reread->setReload([this] {
        // A copy: the reload may set the next one while it runs.
        if (const std::function<void()> again = m_reload)
            again();
        else if (m_load)
            m_load(m_keyword);
    });
}

void ListFrame::resetColumnWidths() {
    setColumnWidths(m_table, m_widths);
}

void ListFrame::setCountLabel(QLabel* label, const QString& countText) {
    m_count = label;
    m_countText = countText;
    m_count->setStyleSheet(countLabelStyleSheet());
}

void ListFrame::setSearch(QLineEdit* field, Loader load, bool trimmed) {
    m_search = field;
    m_load = std::move(load);
    m_trimmed = trimmed;
}

QString ListFrame::searchText() const {
    if (!m_search)
        return QString();
    return m_trimmed ? m_search->text().trimmed() : m_search->text();
}

void ListFrame::search() const {
    m_keyword = searchText();
    if (m_load)
        m_load(m_keyword);
}

void ListFrame::showAll() const {
    m_keyword.clear();
    if (m_load)
        m_load(QString());
}

void ListFrame::setReload(std::function<void()> reload) {
    m_reload = std::move(reload);
}

void ListFrame::reload() {
    m_reread->reload();
}

void ListFrame::showQuery(const ListQuery& query, RowTableModel::RowBuilder build) {
    m_model->setQuery(query, std::move(build));
    updateCount();
}

void ListFrame::updateCount() {
    // A QTableWidget's window fills the widget, then counts it.
    if (!m_model)
        m_reread->noteRead();
    if (!m_count)
        return;
    const QString count = m_countText.arg(m_table->model()->rowCount());
    if (!m_model) {
        m_count->setStyleSheet(countLabelStyleSheet());
        m_count->setText(count);
        return;
    }
    // A long list's count is still being taken: it says so rather than give a number that is not the list's.
    showListLine(m_count, *m_model, m_model->countKnown() ? count : countingText(), countLabelStyleSheet());
}

bool ListFrame::readFailed(const ReadWatch& read) {
    if (!read.failure())
        return false;
    if (m_model) {
        m_model->cannotRead(*read.failure()); // the line, and the re-read, follow the model
        return true;
    }
    m_reread->noteRefused();
    if (m_count) {
        m_count->setStyleSheet(readTroubleStyleSheet());
        m_count->setText(readFailureText(*read.failure()));
    } else
        tellReadFailure(readFailureText(*read.failure()));
    return true;
}

void ListFrame::tellReadFailure(const QString& text) const {
    // A list without a count line: the rows stay as they were, a box says why.
    Prompts::warning(m_window, QStringLiteral("错误"), text);
}

int ListFrame::currentRow() const {
    return m_table->currentIndex().row();
}

int ListFrame::currentId() const {
    const int row = currentRow();
    if (row < 0)
        return -1;
    // A row that could not be read holds no record: -1.
    return m_model ? m_model->id(row) : m_table->model()->index(row, 0).data(Qt::UserRole).toInt();
}

QString ListFrame::currentText(int column) const {
    const int row = currentRow();
    if (row < 0)
        return QString();
    return m_table->model()->index(row, column).data().toString();
}

int ListFrame::requireCurrent(const QString& hintText) const {
    if (refusedUnreadRow(m_window, m_model, currentRow()))
        return -1;
    if (currentRow() >= 0)
        return currentId();
    const QString title = QStringLiteral("提示");
    if (m_hint == Hint::Information)
        Prompts::information(m_window, title, hintText);
    else
        Prompts::warning(m_window, title, hintText);
    return -1;
}

bool ListFrame::confirmDelete(const QString& title, const QString& what, const QString& name) const {
    return Prompts::question(m_window, title, QStringLiteral("确定要删除%1 \"%2\" 吗？").arg(what, name));
}

} // namespace kestrovalin
