#include "ui/common/selectionaccess.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QItemSelectionModel>
#include <QPointer>
#include <QSet>
#include <QTableView>

#include <algorithm>
#include <map>
#include <utility>

namespace kestrovalin {

namespace {

// The views answered from their ranges, by address; a destroyed view is taken out as it goes.
QSet<const QObject*>& rangedViews() {
    static QSet<const QObject*> views;
    return views;
}

// Intervals [first, last] joined where they meet or overlap, in order.
QVector<std::pair<int, int>> joined(QVector<std::pair<int, int>> spans) {
    std::sort(spans.begin(), spans.end());
    QVector<std::pair<int, int>> out;
    for (const auto& span : qAsConst(spans)) {
        if (!out.isEmpty() && span.first <= out.last().second + 1)
            out.last().second = std::max(out.last().second, span.second);
        else
            out.append(span);
    }
    return out;
}

int lengthOf(const QVector<std::pair<int, int>>& spans) {
    int length = 0;
    for (const auto& span : spans)
        length += span.second - span.first + 1;
    return length;
}

// Qt's table interface for the view, with the selection's questions answered from its ranges.
class RangedTable : public QAccessibleInterface, public QAccessibleTableInterface {
public:
    RangedTable(QTableView* view, QAccessibleInterface* qts)
        : m_object(view), m_qts(qts), m_qtsId(QAccessible::uniqueId(qts)), m_table(qts->tableInterface()) {}
    // Qt's own interface, kept in its cache beside this one, goes with it.
    ~RangedTable() override { QAccessible::deleteAccessibleInterface(m_qtsId); }

    bool isValid() const override { return view() && m_qts->isValid(); }
    QObject* object() const override { return m_qts->object(); }
    QWindow* window() const override { return m_qts->window(); }
    QVector<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        return m_qts->relations(match);
    }
    QAccessibleInterface* focusChild() const override { return m_qts->focusChild(); }
    QAccessibleInterface* childAt(int x, int y) const override { return m_qts->childAt(x, y); }
    QAccessibleInterface* parent() const override { return m_qts->parent(); }
    QAccessibleInterface* child(int index) const override { return m_qts->child(index); }
    int childCount() const override { return m_qts->childCount(); }
    int indexOfChild(const QAccessibleInterface* child) const override { return m_qts->indexOfChild(child); }
    QString text(QAccessible::Text t) const override { return m_qts->text(t); }
    void setText(QAccessible::Text t, const QString& text) override { m_qts->setText(t, text); }
    QRect rect() const override { return m_qts->rect(); }
    QAccessible::Role role() const override { return m_qts->role(); }
    QAccessible::State state() const override { return m_qts->state(); }
    QColor foregroundColor() const override { return m_qts->foregroundColor(); }
    QColor backgroundColor() const override { return m_qts->backgroundColor(); }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return m_qts->interface_cast(type);
    }

    QAccessibleInterface* caption() const override { return m_table->caption(); }
    QAccessibleInterface* summary() const override { return m_table->summary(); }
    QAccessibleInterface* cellAt(int row, int column) const override { return m_table->cellAt(row, column); }
    QList<QAccessibleInterface*> selectedCells() const override { return m_table->selectedCells(); }
    QString columnDescription(int column) const override { return m_table->columnDescription(column); }
    QString rowDescription(int row) const override { return m_table->rowDescription(row); }
    int columnCount() const override { return m_table->columnCount(); }
    int rowCount() const override { return m_table->rowCount(); }
    bool selectRow(int row) override { return m_table->selectRow(row); }
    bool selectColumn(int column) override { return m_table->selectColumn(column); }
    bool unselectRow(int row) override { return m_table->unselectRow(row); }
    bool unselectColumn(int column) override { return m_table->unselectColumn(column); }
    void modelChange(QAccessibleTableModelChangeEvent* event) override { m_table->modelChange(event); }

    int selectedCellCount() const override {
        int cells = 0;
        forEachBand([&](int first, int last, int columns) { cells += (last - first + 1) * columns; });
        return cells;
    }
    int selectedRowCount() const override {
        int rows = 0;
        forEachWholeRows([&](int first, int last) { rows += last - first + 1; });
        return rows;
    }
    QList<int> selectedRows() const override {
        QList<int> rows;
        forEachWholeRows([&](int first, int last) {
            for (int row = first; row <= last; ++row)
                rows.append(row);
        });
        return rows;
    }
    bool isRowSelected(int row) const override {
        bool whole = false;
        forEachWholeRows([&](int first, int last) { whole = whole || (row >= first && row <= last); });
        return whole;
    }
    int selectedColumnCount() const override { return selectedColumns().size(); }
    QList<int> selectedColumns() const override {
        QList<int> columns;
        const int count = modelColumns();
        for (int column = 0; column < count; ++column) {
            if (isColumnSelected(column))
                columns.append(column);
        }
        return columns;
    }
    bool isColumnSelected(int column) const override {
        const int rows = modelRows();
        if (rows <= 0)
            return false;
        QVector<std::pair<int, int>> spans;
        for (const QItemSelectionRange& range : ranges()) {
            if (column >= range.left() && column <= range.right())
                spans.append({range.top(), range.bottom()});
        }
        const auto covered = joined(spans);
        return covered.size() == 1 && covered.first().first <= 0 && covered.first().second >= rows - 1;
    }

private:
    // The view while it still is one: its destructors leave a QWidget, then a QObject, behind the same
    // address, and a QPointer<QTableView> would downcast that (a focus change while it goes asks isValid()).
    QTableView* view() const { return qobject_cast<QTableView*>(m_object.data()); }

    QItemSelection ranges() const {
        QItemSelection out;
        const QTableView* table = view();
        if (!table || !table->selectionModel())
            return out;
        for (const QItemSelectionRange& range : table->selectionModel()->selection()) {
            if (range.isValid() && !range.parent().isValid())
                out.append(range);
        }
        return out;
    }
    const QAbstractItemModel* model() const {
        const QTableView* table = view();
        return table ? table->model() : nullptr;
    }
    int modelRows() const { return model() ? model()->rowCount() : 0; }
    int modelColumns() const { return model() ? model()->columnCount() : 0; }

    // Each band of rows that the same ranges cover, with how many columns they select in it.
    template <typename Visit> void forEachBand(Visit visit) const {
        const QItemSelection selected = ranges();
        std::map<int, int> edges;
        for (const QItemSelectionRange& range : selected) {
            edges[range.top()];
            edges[range.bottom() + 1];
        }
        for (auto it = edges.cbegin(); it != edges.cend() && std::next(it) != edges.cend(); ++it) {
            const int first = it->first;
            const int last = std::next(it)->first - 1;
            QVector<std::pair<int, int>> spans;
            for (const QItemSelectionRange& range : selected) {
                if (range.top() <= first && range.bottom() >= last)
                    spans.append({range.left(), range.right()});
            }
            if (!spans.isEmpty())
                visit(first, last, lengthOf(joined(spans)));
        }
    }
    // Each band of rows selected in every column.
    template <typename Visit> void forEachWholeRows(Visit visit) const {
        const int columns = modelColumns();
        forEachBand([&](int first, int last, int selected) {
            if (columns > 0 && selected >= columns)
                visit(first, last);
        });
    }

    QPointer<QObject> m_object;
    QAccessibleInterface* m_qts;
    QAccessible::Id m_qtsId;
    QAccessibleTableInterface* m_table;
};

bool askingQt = false;

QAccessibleInterface* rangedTables(const QString& className, QObject* object) {
    if (askingQt || className != QLatin1String("QTableView") || !rangedViews().contains(object))
        return nullptr;
    // Qt's own interface first, made by its factory and kept in its cache; this one then stands for the view.
    askingQt = true;
    QAccessibleInterface* qts = QAccessible::queryAccessibleInterface(object);
    askingQt = false;
    if (!qts || !qts->tableInterface())
        return nullptr;
    return new RangedTable(static_cast<QTableView*>(object), qts);
}

} // namespace

void answerSelectionFromRanges(QTableView* view) {
    static const bool installed = [] {
        QAccessible::installFactory(rangedTables);
        return true;
    }();
    Q_UNUSED(installed)
    rangedViews().insert(view);
    QObject::connect(view, &QObject::destroyed, [](QObject* gone) { rangedViews().remove(gone); });
}

} // namespace kestrovalin
