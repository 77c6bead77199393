#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace kestrovalin::test {

// Answers the next modal dialog of type T once it is running: polls every 10 ms for up to five seconds,
// then hands the dialog to `answer`, which must close it. The wait ends with `owner` (the window under
// test), so a dialog that never came cannot be answered in a later test.
template <typename T> void whenModal(QObject* owner, std::function<void(T*)> answer) {
    auto* timer = new QTimer(owner);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, answer] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog && ++*tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog)
            answer(dialog);
    });
    timer->start(10);
}

// Double-clicks a cell the way a user does (the first click makes the row current).
inline bool doubleClickCell(QAbstractItemView* view, const QModelIndex& index) {
    if (!QTest::qWaitForWindowExposed(view->window()))
        return false;
    const QPoint cell = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
    return true;
}

inline QStringList headerTexts(const QAbstractItemModel* model) {
    QStringList out;
    for (int c = 0; c < model->columnCount(); ++c)
        out << model->headerData(c, Qt::Horizontal).toString();
    return out;
}

inline QStringList rowTexts(const QAbstractItemModel* model, int row) {
    QStringList out;
    for (int c = 0; c < model->columnCount(); ++c)
        out << model->index(row, c).data().toString();
    return out;
}

inline QStringList columnTexts(const QAbstractItemModel* model, int column) {
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, column).data().toString();
    return out;
}

inline void setText(QWidget* form, const char* field, const QString& text) {
    form->findChild<QLineEdit*>(field)->setText(text);
}

inline void pressOk(QWidget* form) {
    form->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

// A shown list window (product or supplier register) and its standard widgets.
template <typename Window> class ListWindow {
public:
    explicit ListWindow(int nameColumn) : window(nullptr), m_nameColumn(nameColumn) {
        window.show();
        table = window.template findChild<QTableView*>("tableView");
        model = qobject_cast<QStandardItemModel*>(table->model());
        search = window.template findChild<QLineEdit*>("editSearch");
        count = window.template findChild<QLabel*>("labelCount");
    }
    QPushButton* button(const char* name) { return window.template findChild<QPushButton*>(name); }
    void searchFor(const QString& text) {
        search->setText(text);
        button("btnSearch")->click();
    }
    QStringList names() const { return columnTexts(model, m_nameColumn); }
    int rowOf(const QString& name) const { return names().indexOf(name); }
    int idAt(int row) const { return model->index(row, 0).data(Qt::UserRole).toInt(); }
    void makeCurrent(int row) { table->setCurrentIndex(model->index(row, 1)); }

    Window window;
    QTableView* table;
    QStandardItemModel* model;
    QLineEdit* search;
    QLabel* count;

private:
    int m_nameColumn;
};

} // namespace kestrovalin::test
