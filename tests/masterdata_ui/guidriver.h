#pragma once

#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"

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

namespace kestrovalin::test {

// Answers the next modal dialog of type T once it runs: polls every 10 ms for up to five seconds, then
// hands the dialog to `answer`, which must close it. The timer dies with `owner`, so a dialog that never
// came cannot be answered in a later test.
template <typename T> void whenModal(QObject* owner, std::function<void(T*)> answer) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, tries = 0]() mutable {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog && ++tries < 500)
            return;
        timer->deleteLater();
        timer->stop();
        if (dialog)
            answer(dialog);
    });
    timer->start(10);
}

// Double-clicks a cell the way a user does (the first click makes the row current).
inline void doubleClickCell(QAbstractItemView* view, const QModelIndex& index) {
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QPoint cell = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
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

// The title and text of the last prompt, joined.
inline QString lastPrompt() {
    return Prompts::lastTitle() + Prompts::lastText();
}

// Fills a form's line edit and presses its OK button.
inline void fillAndAccept(QWidget* form, const char* field, const QString& text) {
    form->findChild<QLineEdit*>(field)->setText(text);
    form->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

// A drug with fixed specification, approval number, maker, category, storage, unit and prices.
inline int addDrug(TestDatabase& t, const QString& barcode, const QString& name, const QString& mnemonic,
                   bool prescription = false, int status = 1) {
    t.exec("INSERT INTO product (barcode, name, mnemonic_code, specification, approval_no, manufacturer, "
           "category, storage_condition, is_prescription, unit, purchase_price, sale_price, status) "
           "VALUES (?, ?, ?, '10g*12袋', '国药准字Z1', '白云山', 'OTC甲类', '常温', ?, '盒', 9.5, 15, ?)",
           {barcode, name, mnemonic, prescription ? 1 : 0, status});
    return t.scalar("SELECT max(id) FROM product").toInt();
}

// Licence, business licence, GSP and tax expiry dates all in force.
inline const QVariantList inForce{"2028-01-01", "2030-01-01", "2028-01-01", "2028-01-01"};

inline int addSupplier(TestDatabase& t, const QString& name, const QVariantList& dates = inForce,
                       const QString& qualification = "valid", const QString& status = "active") {
    t.exec(
        "INSERT INTO supplier (name, license_no, business_license_no, business_scope, address, "
        "contact_name, contact_phone, license_expire_date, business_license_expire_date, gsp_cert_no, "
        "gsp_cert_expire_date, tax_reg_no, tax_reg_expire_date, qualification_status, status) VALUES "
        "(?, 'L-1', 'B-1', '中成药,抗生素', '杭州', '李娜', '13800001111', ?, ?, 'G-1', ?, 'T-1', ?, ?, ?)",
        QVariantList{name} + dates + QVariantList{qualification, status});
    return t.scalar("SELECT max(id) FROM supplier").toInt();
}

// A shown list window (drug or supplier register) on a fresh database, with the prompts seam pre-answered.
template <typename Window> struct ListWindow {
    explicit ListWindow(int nameColumn, const std::function<void(TestDatabase&)>& seed = {})
        : nameColumn(nameColumn) {
        Prompts::setTestMode(true);
        Prompts::reset();
        if (seed)
            seed(t);
        window.reset(new Window);
        window->show();
        table = window->template findChild<QTableView*>("tableView");
        model = qobject_cast<QStandardItemModel*>(table->model());
        search = window->template findChild<QLineEdit*>("editSearch");
        count = window->template findChild<QLabel*>("labelCount");
    }
    void click(const char* button) { window->template findChild<QPushButton*>(button)->click(); }
    void searchFor(const QString& text) {
        search->setText(text);
        click("btnSearch");
    }
    QStringList names() const { return columnTexts(model, nameColumn); }
    int rowOf(const QString& name) const { return names().indexOf(name); }
    int idAt(int row) const { return model->index(row, 0).data(Qt::UserRole).toInt(); }
    void makeCurrent(int row) { table->setCurrentIndex(model->index(row, 1)); }

    TestDatabase t;
    int nameColumn;
    std::unique_ptr<Window> window;
    QTableView* table;
    QStandardItemModel* model;
    QLineEdit* search;
    QLabel* count;
};

} // namespace kestrovalin::test
