#include "core/currentuser.h"
#include "repositories/purchaserepository.h"
#include "tests/support/modalanswer.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/masterdata/supplierselectiondialog.h"
#include "ui/purchasing/purchasedialog.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDateTime kNow(QDate(2026, 3, 1), QTime(14, 5, 9));

template <typename T = QWidget> T* child(const QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(name);
    if (!found)
        qFatal("No child %s", name);
    return found;
}

void click(const QObject* parent, const char* button) {
    child<QPushButton>(parent, button)->click();
}

void pressOk(QDialog* dialog) {
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

// The prompts since the last call, title and text joined.
QString prompts() {
    QStringList out;
    for (const Prompts::Record& r : Prompts::history())
        out << r.title + r.text;
    Prompts::reset();
    return out.join('|');
}

// One column of a table widget, or one row's cells, joined by '|'.
QString column(const QTableWidget* table, int col) {
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        out << table->item(r, col)->text();
    return out.join('|');
}
QString rowTexts(const QTableWidget* table, int row) {
    QStringList out;
    for (int c = 0; c < table->columnCount(); ++c)
        out << table->item(row, c)->text();
    return out.join('|');
}

// In a picker: selects the row whose cell in `col` reads `text` and presses OK.
void pickRow(QDialog* picker, int col, const QString& text) {
    auto* view = picker->findChild<QTableView*>();
    const QModelIndexList hits =
        view->model()->match(view->model()->index(0, col), Qt::DisplayRole, text, 1, Qt::MatchExactly);
    if (hits.isEmpty())
        qFatal("No row %s", qPrintable(text));
    view->selectRow(hits.first().row());
    view->setCurrentIndex(hits.first());
    child<QPushButton>(picker, "btnOk")->click();
}

void fillBatch(BatchInputDialog* d, const QString& batchNo, const QDate& made, const QDate& expires,
               int quantity, double price) {
    child<QLineEdit>(d, "editBatchNo")->setText(batchNo);
    child<QDateEdit>(d, "editProductionDate")->setDate(made);
    child<QDateEdit>(d, "editExpiryDate")->setDate(expires);
    child<QSpinBox>(d, "spinQuantity")->setValue(quantity);
    child<QDoubleSpinBox>(d, "spinPrice")->setValue(price);
}

void seed(TestDatabase& t) {
    t.exec("INSERT INTO product (id, barcode, name, mnemonic_code, specification, purchase_price, status) "
           "VALUES (1, '6901', '阿莫西林胶囊', 'AMXLJN', '0.25g*24粒', 12.5, 1), (2, '6902', '板蓝根颗粒', "
           "'BLGKL', '10g*20袋', 0, 1)");
    t.exec("INSERT INTO supplier (id, name, license_expire_date, qualification_status, status) VALUES "
           "(1, '国药控股', '2030-01-01', 'valid', 'active'), (2, '九州通医药', '2030-01-01', 'valid', "
           "'active')");
}

models::PurchaseOrderItem line(const QString& name, const QString& batchNo, int quantity, double price,
                               bool accepted = true) {
    models::PurchaseOrderItem i;
    i.productId = 1;
    i.barcode = "6901";
    i.productName = name;
    i.batchNo = batchNo;
    i.productionDate = "2026-01-01";
    i.expiryDate = "2028-01-01";
    i.quantity = quantity;
    i.unitPrice = price;
    i.amount = quantity * price;
    i.accepted = accepted;
    return i;
}

// Adds one line through the two pickers as a user would.
void addThroughPickers(PurchaseDialog& dialog, const QString& drug, const QString& batchNo, int quantity,
                       double price) {
    ModalAnswer<ProductSelectionDialog> product([&](ProductSelectionDialog* d) { pickRow(d, 1, drug); });
    ModalAnswer<BatchInputDialog> batch([&](BatchInputDialog* d) {
        fillBatch(d, batchNo, QDate(2026, 1, 5), QDate(2028, 1, 4), quantity, price);
        pressOk(d);
    });
    click(&dialog, "btnAddItem");
}

} // namespace

class TestPurchaseWindows : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
        models::User clerk;
        clerk.id = 1;
        clerk.realName = "系统管理员";
        CurrentUser::instance().setUser(clerk);
    }

    // --- purchase order dialog ---

    // The price starts at the drug's purchase price, never below 0.01.
    void batchDialogStarts_data() {
        QTest::addColumn<double>("purchasePrice");
        QTest::addColumn<double>("startPrice");
        QTest::newRow("priced") << 12.5 << 12.5;
        QTest::newRow("no price") << 0.0 << 0.01;
        QTest::newRow("below a cent") << 0.004 << 0.01;
    }
    void batchDialogStarts() {
        QFETCH(double, purchasePrice);
        QFETCH(double, startPrice);
        PinnedClock pin(kNow);
        models::Product drug;
        drug.id = 1;
        drug.name = "阿莫西林胶囊";
        drug.purchasePrice = purchasePrice;
        BatchInputDialog d(drug, nullptr);
        QCOMPARE(d.windowTitle(), QString("输入批次信息 - 阿莫西林胶囊"));
        QCOMPARE(child<QLineEdit>(&d, "editBatchNo")->text(), QString());
        QCOMPARE(child<QDateEdit>(&d, "editProductionDate")->date(), QDate(2026, 3, 1));
        QCOMPARE(child<QDateEdit>(&d, "editExpiryDate")->date(), QDate(2027, 3, 1));
        auto* quantity = child<QSpinBox>(&d, "spinQuantity");
        QCOMPARE(quantity->value(), 1);
        QCOMPARE(quantity->minimum(), 1);
        QCOMPARE(quantity->maximum(), 1000000);
        auto* price = child<QDoubleSpinBox>(&d, "spinPrice");
        QCOMPARE(price->value(), startPrice);
        QCOMPARE(price->minimum(), 0.01);
        QCOMPARE(price->maximum(), 999999.99);
        QCOMPARE(price->singleStep(), 0.1);
    }

    // A blank batch number or an expiry not after production keeps the batch dialog open.
    void batchDialogRefuses_data() {
        QTest::addColumn<QString>("batchNo");
        QTest::addColumn<QDate>("expires");
        QTest::addColumn<QString>("told");
        const QDate made(2026, 1, 5);
        QTest::newRow("empty batch") << "" << made.addYears(2) << "提示请输入批号";
        QTest::newRow("blank batch") << "   " << made.addYears(2) << "提示请输入批号";
        QTest::newRow("expires when made") << "B1" << made << "提示有效期必须晚于生产日期";
        QTest::newRow("expires before made") << "B1" << made.addDays(-1) << "提示有效期必须晚于生产日期";
        QTest::newRow("sound") << " B1 " << made.addDays(1) << "";
    }
    void batchDialogRefuses() {
        QFETCH(QString, batchNo);
        QFETCH(QDate, expires);
        QFETCH(QString, told);
        models::Product drug;
        drug.id = 1;
        BatchInputDialog d(drug, nullptr);
        d.show();
        fillBatch(&d, batchNo, QDate(2026, 1, 5), expires, 2, 3.0);
        pressOk(&d);
        QCOMPARE(prompts(), told);
        QCOMPARE(d.isVisible(), !told.isEmpty());
        QCOMPARE(d.result(), told.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
        if (told.isEmpty())
            QCOMPARE(d.item().batchNo, QString("B1"));
    }

    // A new line is accepted at once, stamped with the signed-in user and the time now.
    void batchLineIsStamped() {
        PinnedClock pin(kNow);
        models::Product drug;
        drug.id = 7;
        drug.barcode = "6907";
        drug.name = "感冒灵颗粒";
        BatchInputDialog d(drug, nullptr);
        fillBatch(&d, "GM2601", QDate(2026, 1, 5), QDate(2028, 1, 4), 3, 12.35);
        const models::PurchaseOrderItem item = d.item();
        QCOMPARE(item.productId, 7);
        QCOMPARE(item.barcode, QString("6907"));
        QCOMPARE(item.productName, QString("感冒灵颗粒"));
        QCOMPARE(item.productionDate, QString("2026-01-05"));
        QCOMPARE(item.expiryDate, QString("2028-01-04"));
        QCOMPARE(item.quantity, 3);
        QCOMPARE(item.unitPrice, 12.35);
        QCOMPARE(item.amount, 3 * 12.35);
        QCOMPARE(item.accepted, true);
        QCOMPARE(item.acceptanceResult, QString("合格"));
        QCOMPARE(item.acceptanceDate, QString("2026-03-01 14:05:09"));
        QCOMPARE(item.acceptanceBy, 1);
        QCOMPARE(item.id, -1);
        QCOMPARE(item.orderId, -1);
    }

    // Lines come in through the drug picker and the batch dialog; the same batch twice makes two lines.
    void addingLines() {
        TestDatabase t;
        seed(t);
        PurchaseDialog dialog;
        addThroughPickers(dialog, "阿莫西林胶囊", "AM01", 10, 12.5);
        addThroughPickers(dialog, "阿莫西林胶囊", "AM01", 2, 13.0);
        auto* table = child<QTableWidget>(&dialog, "tableItems");
        QCOMPARE(rowTexts(table, 0),
                 QString("6901|阿莫西林胶囊|AM01|2026-01-05|2028-01-04|10|12.50|125.00|合格"));
        QCOMPARE(rowTexts(table, 1),
                 QString("6901|阿莫西林胶囊|AM01|2026-01-05|2028-01-04|2|13.00|26.00|合格"));
        QCOMPARE(dialog.getItems().size(), 2);
        QCOMPARE(dialog.getItems().at(1).amount, 26.0);
        // Cancelling the batch dialog adds nothing.
        ModalAnswer<ProductSelectionDialog> product(
            [](ProductSelectionDialog* d) { pickRow(d, 1, "板蓝根颗粒"); });
        ModalAnswer<BatchInputDialog> batch([](BatchInputDialog* d) { d->reject(); });
        click(&dialog, "btnAddItem");
        QCOMPARE(batch.count(), 1);
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(dialog.getItems().size(), 2);
    }

    // Deleting the middle line keeps the table and the lines in the same order; the accept button marks the
    // current line.
    void deleteAndAccept() {
        PurchaseDialog dialog;
        dialog.setItems({line("甲", "1", 1, 1.0), line("乙", "2", 1, 1.0), line("丙", "3", 1, 1.0, false)});
        auto* table = child<QTableWidget>(&dialog, "tableItems");
        table->setCurrentCell(1, 0);
        click(&dialog, "btnDeleteItem");
        QCOMPARE(column(table, 1), QString("甲|丙"));
        QCOMPARE(dialog.getItems().at(1).productName, QString("丙"));
        QCOMPARE(column(table, 8), QString("合格|待验收"));
        table->setCurrentCell(1, 0);
        click(&dialog, "btnAcceptItem");
        QCOMPARE(column(table, 8), QString("合格|合格"));
        QCOMPARE(dialog.getItems().at(1).accepted, true);
    }

    // Cells cannot be edited: a value typed there would never reach the stored order.
    void cellsAreNotEditable() {
        PurchaseDialog dialog;
        dialog.setItems({line("甲", "1", 1, 1.0)});
        auto* table = child<QTableWidget>(&dialog, "tableItems");
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
        dialog.setReadOnly(false);
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    // The order handed back: the chosen supplier (or -1), the date, the remark, "completed" and the operator.
    void orderHandedBack() {
        PinnedClock pin(kNow);
        TestDatabase t;
        seed(t);
        PurchaseDialog dialog;
        QCOMPARE(dialog.getOrder().supplierId, -1);
        QCOMPARE(dialog.getOrder().isValid(), false);
        ModalAnswer<SupplierSelectionDialog> supplier(
            [](SupplierSelectionDialog* d) { pickRow(d, 1, "九州通医药"); });
        click(&dialog, "btnSelectSupplier");
        child<QLineEdit>(&dialog, "editRemark")->setText("冷链到货");
        const models::PurchaseOrder order = dialog.getOrder();
        QCOMPARE(order.supplierId, 2);
        QCOMPARE(child<QLineEdit>(&dialog, "editSupplier")->text(), QString("九州通医药"));
        QCOMPARE(order.inboundDate, QString("2026-03-01"));
        QCOMPARE(order.remark, QString("冷链到货"));
        QCOMPARE(order.status, QString("completed"));
        QCOMPARE(order.operatorId, 1);
        QCOMPARE(order.totalAmount, 0.0);
    }

    // A stored order shown read-only: its supplier's name even after a suspension, nothing to change.
    void readOnlyView() {
        TestDatabase t;
        seed(t);
        t.exec("UPDATE supplier SET status = 'suspended' WHERE id = 2");
        PurchaseDialog dialog;
        models::PurchaseOrder order;
        order.supplierId = 2;
        order.inboundDate = "2025-12-30";
        order.remark = "年末补货";
        dialog.setOrder(order);
        dialog.setItems({line("甲", "1", 1, 1.0)});
        dialog.setReadOnly(true);
        QCOMPARE(child<QLineEdit>(&dialog, "editSupplier")->text(), QString("九州通医药"));
        QCOMPARE(child<QDateEdit>(&dialog, "editInboundDate")->date(), QDate(2025, 12, 30));
        QCOMPARE(child<QLineEdit>(&dialog, "editRemark")->text(), QString("年末补货"));
        for (const char* field : {"editSupplier", "editInboundDate", "editRemark"})
            QVERIFY2(!child(&dialog, field)->isEnabled(), field);
        for (const char* button : {"btnSelectSupplier", "btnAddItem", "btnDeleteItem", "btnAcceptItem"})
            QVERIFY2(child(&dialog, button)->isHidden(), button);
        QCOMPARE(child<QTableWidget>(&dialog, "tableItems")->selectionMode(), QAbstractItemView::NoSelection);
    }
};

QTEST_MAIN(TestPurchaseWindows)
#include "tst_purchasewindows.moc"
