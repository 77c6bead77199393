#include "core/clock.h"
#include "core/currentuser.h"
#include "repositories/purchaserepository.h"
#include "tests/support/modalanswer.h"
#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/prompttrail.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/masterdata/supplierselectiondialog.h"
#include "ui/purchasing/purchasedialog.h"
#include "ui/purchasing/purchaseorderselectiondialog.h"
#include "ui/purchasing/purchasewindow.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include <optional>

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

// The values joined by '|', for one comparison that shows every difference at once.
template <class... A> QString row(const A&... values) {
    return QStringList{QVariant(values).toString()...}.join('|');
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

// The first click makes the row current, as a user's does.
void doubleClickRow(QTableView* view, int row) {
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QPoint cell = view->visualRect(view->model()->index(row, 1)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
}

// Adds one line through the two pickers as a user would.
void addThroughPickers(PurchaseDialog& dialog, const QString& drug, const QString& batchNo, int quantity,
                       double price, const QDate& made = QDate(2026, 1, 5),
                       const QDate& expires = QDate(2028, 1, 4)) {
    ModalAnswer<ProductSelectionDialog> product([&](ProductSelectionDialog* d) { pickRow(d, 1, drug); });
    ModalAnswer<BatchInputDialog> batch([&](BatchInputDialog* d) {
        fillBatch(d, batchNo, made, expires, quantity, price);
        pressOk(d);
    });
    click(&dialog, "btnAddItem");
}

void chooseSupplier(PurchaseDialog& dialog, const QString& name) {
    ModalAnswer<SupplierSelectionDialog> supplier([&](SupplierSelectionDialog* d) { pickRow(d, 1, name); });
    click(&dialog, "btnSelectSupplier");
}

// Opens the purchase dialog from the list window, lets fill() act on it and presses OK.
void addOrder(PurchaseWindow& window, const std::function<void(PurchaseDialog&)>& fill) {
    ModalAnswer<PurchaseDialog> answer([&](PurchaseDialog* d) {
        fill(*d);
        pressOk(d);
    });
    click(&window, "btnAdd");
}

void orderAmoxicillin(PurchaseDialog& d) {
    chooseSupplier(d, "国药控股");
    addThroughPickers(d, "阿莫西林胶囊", "AM01", 10, 12.5);
}

// Stores an order of one accepted line straight through the repository; its id.
int storeOrder(TestDatabase& t, int supplierId, int productId, const QString& batchNo, const QString& day) {
    models::PurchaseOrder o;
    o.supplierId = supplierId;
    o.inboundDate = day;
    o.operatorId = 1;
    o.status = "completed";
    models::PurchaseOrderItem i = line("", batchNo, 5, 2.0);
    i.productId = productId;
    i.acceptanceResult = "合格";
    return repositories::PurchaseRepository(t.db()).insertOrder(o, {i});
}

// A shown purchase list on a seeded database; `before` stores what the window finds when it loads.
struct Purchases {
    explicit Purchases(const std::function<void(TestDatabase&)>& before = nullptr)
        : seeded((seed(t), before ? before(t) : void(), true)) {
        window.show();
    }
    QTableView* table() const { return child<QTableView>(&window, "tableView"); }
    QString texts(int row, int column = -1) const { return test::texts(table()->model(), row, column); }
    void makeCurrent(int row) const { table()->setCurrentIndex(table()->model()->index(row, 1)); }
    QString count() const { return child<QLabel>(&window, "labelCount")->text(); }
    void search(const QString& text) {
        child<QLineEdit>(&window, "editSearch")->setText(text);
        click(&window, "btnSearch");
    }

    TestDatabase t;
    bool seeded;
    PurchaseWindow window;
};

int stock(TestDatabase& t, const QString& batchNo) {
    return t.scalar("SELECT SUM(quantity) FROM inventory_batch WHERE batch_no = ?", {batchNo}).toInt();
}

} // namespace

class TestPurchaseWindows : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Clock::unpin(); }
    void init() {
        // Every test runs on a pinned day: the qualification test and the stamps read the program's clock.
        Clock::pin(kNow);
        Prompts::setTestMode(true);
        Prompts::reset();
        models::User clerk;
        clerk.id = 1;
        clerk.realName = "系统管理员";
        CurrentUser::instance().setUser(clerk);
    }

    // --- purchase order dialog ---

    // Today, a year on, one unit, and the drug's purchase price but never below 0.01.
    void batchDialogStarts_data() {
        QTest::addColumn<double>("purchasePrice");
        QTest::addColumn<QString>("start");
        QTest::newRow("priced") << 12.5 << "|2026-03-01|2027-03-01|1|12.5";
        QTest::newRow("no price") << 0.0 << "|2026-03-01|2027-03-01|1|0.01";
        QTest::newRow("below a cent") << 0.004 << "|2026-03-01|2027-03-01|1|0.01";
    }
    void batchDialogStarts() {
        QFETCH(double, purchasePrice);
        QFETCH(QString, start);
        models::Product drug;
        drug.name = "阿莫西林胶囊";
        drug.purchasePrice = purchasePrice;
        BatchInputDialog d(drug, nullptr);
        auto* quantity = child<QSpinBox>(&d, "spinQuantity");
        auto* price = child<QDoubleSpinBox>(&d, "spinPrice");
        QCOMPARE(d.windowTitle(), QString("输入批次信息 - 阿莫西林胶囊"));
        QCOMPARE(row(child<QLineEdit>(&d, "editBatchNo")->text(),
                     child<QDateEdit>(&d, "editProductionDate")->date().toString(Qt::ISODate),
                     child<QDateEdit>(&d, "editExpiryDate")->date().toString(Qt::ISODate), quantity->value(),
                     price->value()),
                 start);
        QCOMPARE(row(quantity->minimum(), quantity->maximum(), price->minimum(), price->maximum(),
                     price->decimals(), price->singleStep()),
                 QString("1|1000000|0.01|999999.99|2|0.1"));
    }

    // A blank batch number, an expiry not after production, a batch expired by today (2026-03-01) or made
    // after it keeps the batch dialog open.
    void batchDialogRefuses_data() {
        QTest::addColumn<QString>("batchNo");
        QTest::addColumn<QDate>("made");
        QTest::addColumn<QDate>("expires");
        QTest::addColumn<QString>("told");
        const QDate made(2026, 1, 5);
        const QDate today = kNow.date();
        QTest::newRow("empty batch") << "" << made << made.addYears(2) << "提示请输入批号";
        QTest::newRow("blank batch") << "   " << made << made.addYears(2) << "提示请输入批号";
        QTest::newRow("expires when made") << "B1" << made << made << "提示有效期必须晚于生产日期";
        QTest::newRow("expires before made")
            << "B1" << made << made.addDays(-1) << "提示有效期必须晚于生产日期";
        QTest::newRow("expired a year ago") << "B1" << QDate(2024, 12, 8) << QDate(2025, 12, 8)
                                            << "提示该批次已过期（有效期至 2025-12-08），不能验收入库";
        QTest::newRow("expires today")
            << "B1" << made << today << "提示该批次今天到期（有效期至 2026-03-01），不能验收入库";
        QTest::newRow("made tomorrow") << "B1" << today.addDays(1) << today.addYears(2)
                                       << "提示生产日期 2026-03-02 晚于今天，请核对生产日期";
        QTest::newRow("sound") << " B1 " << today << today.addDays(1) << "";
    }
    void batchDialogRefuses() {
        QFETCH(QString, batchNo);
        QFETCH(QDate, made);
        QFETCH(QDate, expires);
        QFETCH(QString, told);
        models::Product drug;
        drug.id = 1;
        BatchInputDialog d(drug, nullptr);
        d.show();
        fillBatch(&d, batchNo, made, expires, 2, 3.0);
        pressOk(&d);
        QCOMPARE(takePrompts(), told);
        QCOMPARE(d.isVisible(), !told.isEmpty());
        QCOMPARE(d.result(), told.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
        if (told.isEmpty())
            QCOMPARE(d.item().batchNo, QString("B1"));
        else
            QCOMPARE(row(child<QDateEdit>(&d, "editProductionDate")->date(),
                         child<QDateEdit>(&d, "editExpiryDate")->date()),
                     row(made, expires));
    }

    // A new line is accepted at once, stamped with the signed-in user and the time now.
    void batchLineIsStamped() {
        models::Product drug;
        drug.id = 7;
        drug.barcode = "6907";
        drug.name = "感冒灵颗粒";
        BatchInputDialog d(drug, nullptr);
        fillBatch(&d, "GM2601", QDate(2026, 1, 5), QDate(2028, 1, 4), 3, 12.35);
        const models::PurchaseOrderItem i = d.item();
        QCOMPARE(row(i.id, i.orderId, i.productId, i.barcode, i.productName, i.batchNo, i.productionDate,
                     i.expiryDate, i.quantity, i.unitPrice, i.amount, i.accepted, i.acceptanceResult,
                     i.acceptanceDate, i.acceptanceBy),
                 QString("-1|-1|7|6907|感冒灵颗粒|GM2601|2026-01-05|2028-01-04|3|12.35|37.05|true|合格|"
                         "2026-03-01 14:05:09|1"));
    }

    // Lines come in through the drug picker and the batch dialog (the same batch twice makes two lines, a
    // cancelled batch none) and leave with "删除选中" in table order; "验收合格" marks the current line. The
    // cells are never editable: a value typed there would not reach the stored order.
    void linesEnterAndLeave() {
        TestDatabase t;
        seed(t);
        PurchaseDialog dialog;
        auto* table = child<QTableWidget>(&dialog, "tableItems");
        addThroughPickers(dialog, "阿莫西林胶囊", "AM01", 10, 12.5);
        addThroughPickers(dialog, "阿莫西林胶囊", "AM01", 2, 13.0);
        ModalAnswer<ProductSelectionDialog> product(
            [](ProductSelectionDialog* d) { pickRow(d, 1, "板蓝根颗粒"); });
        ModalAnswer<BatchInputDialog> batch([](BatchInputDialog* d) { d->reject(); });
        click(&dialog, "btnAddItem");
        QCOMPARE(texts(table->model(), 1),
                 QString("6901|阿莫西林胶囊|AM01|2026-01-05|2028-01-04|2|13.00|26.00|合格"));
        QCOMPARE(row(table->rowCount(), dialog.getItems().size(), dialog.getItems().at(1).amount),
                 QString("2|2|26"));

        dialog.setItems({line("甲", "1", 1, 1.0), line("乙", "2", 1, 1.0), line("丙", "3", 1, 1.0, false)});
        table->setCurrentCell(1, 0);
        click(&dialog, "btnDeleteItem");
        QCOMPARE(row(texts(table->model(), -1, 1), texts(table->model(), -1, 8),
                     dialog.getItems().at(1).productName),
                 QString("甲|丙|合格|待验收|丙"));
        table->setCurrentCell(1, 0);
        click(&dialog, "btnAcceptItem");
        QCOMPARE(row(texts(table->model(), -1, 8), dialog.getItems().at(1).accepted),
                 QString("合格|合格|true"));
        dialog.setReadOnly(false);
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    // The order handed back: the chosen supplier (-1 before), the date, the remark, "completed" and the
    // operator. A stored order shown read-only names its supplier even after a suspension; nothing changes.
    void orderHandedBackAndShown() {
        TestDatabase t;
        seed(t);
        PurchaseDialog dialog;
        QCOMPARE(dialog.getOrder().supplierId, -1);
        chooseSupplier(dialog, "九州通医药");
        child<QLineEdit>(&dialog, "editRemark")->setText("冷链到货");
        const models::PurchaseOrder o = dialog.getOrder();
        QCOMPARE(row(o.supplierId, child<QLineEdit>(&dialog, "editSupplier")->text(), o.inboundDate, o.remark,
                     o.status, o.operatorId, o.totalAmount),
                 QString("2|九州通医药|2026-03-01|冷链到货|completed|1|0"));

        t.exec("UPDATE supplier SET status = 'suspended' WHERE id = 2");
        PurchaseDialog shown;
        models::PurchaseOrder stored;
        stored.supplierId = 2;
        stored.inboundDate = "2025-12-30";
        stored.remark = "年末补货";
        shown.setOrder(stored);
        shown.setReadOnly(true);
        QCOMPARE(row(child<QLineEdit>(&shown, "editSupplier")->text(),
                     child<QDateEdit>(&shown, "editInboundDate")->date().toString(Qt::ISODate),
                     child<QLineEdit>(&shown, "editRemark")->text()),
                 QString("九州通医药|2025-12-30|年末补货"));
        for (const char* field : {"editSupplier", "editInboundDate", "editRemark"})
            QVERIFY2(!child(&shown, field)->isEnabled(), field);
        for (const char* button : {"btnSelectSupplier", "btnAddItem", "btnDeleteItem", "btnAcceptItem"})
            QVERIFY2(child(&shown, button)->isHidden(), button);
        QCOMPARE(child<QTableWidget>(&shown, "tableItems")->selectionMode(), QAbstractItemView::NoSelection);
    }

    // --- purchase list window ---

    // One order from entry to void: listed as completed, shown read-only (button or double click), voided
    // once with its stock taken out, refused the second time; the picker never offers it again.
    void orderFromEntryToVoid() {
        Purchases w;
        QCOMPARE(w.count(), QString("共 0 条记录"));
        addOrder(w.window, orderAmoxicillin);
        QCOMPARE(takePrompts(), QString("成功入库单已添加"));
        QCOMPARE(w.texts(0), QString("PUR202603010001|国药控股|2026-03-01|系统管理员|125.00|已完成|"));
        QCOMPARE(w.count(), QString("共 1 条记录"));
        QCOMPARE(stock(w.t, "AM01"), 10);

        QStringList seen;
        ModalAnswer<PurchaseDialog> view([&](PurchaseDialog* d) {
            seen << child<QLineEdit>(d, "editSupplier")->text() + "|" +
                        texts(child<QTableWidget>(d, "tableItems")->model(), 0) + "|" +
                        (child(d, "btnAddItem")->isHidden() ? "read-only" : "editable");
            d->reject();
        });
        w.makeCurrent(0);
        click(&w.window, "btnView");
        doubleClickRow(w.table(), 0);
        const QString shown =
            "国药控股|6901|阿莫西林胶囊|AM01|2026-01-05|2028-01-04|10|12.50|125.00|合格|read-only";
        QCOMPARE(seen, (QStringList{shown, shown}));

        const QString asked = "确认作废确定要作废订单 PUR202603010001 吗？";
        Prompts::queueQuestion(false);
        click(&w.window, "btnVoid");
        QCOMPARE(takePrompts(), asked);
        QCOMPARE(w.texts(0, 5).section('|', 5, 5), QString("已完成"));
        Prompts::queueQuestion(true);
        click(&w.window, "btnVoid");
        QCOMPARE(takePrompts(), asked + "|成功订单已作废");
        QCOMPARE(w.texts(0, 5).section('|', 5, 5), QString("已作废"));
        QCOMPARE(w.table()->model()->index(0, 5).data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(Qt::gray));
        QCOMPARE(w.count(), QString("共 1 条记录"));
        QCOMPARE(stock(w.t, "AM01"), 0);

        w.makeCurrent(0);
        Prompts::queueQuestion(true);
        click(&w.window, "btnVoid");
        QCOMPARE(takePrompts(), asked + "|错误作废订单失败\n该订单已作废");
        QCOMPARE(stock(w.t, "AM01"), 0);
        PurchaseOrderSelectionDialog picker;
        QCOMPARE(picker.findChild<QTableView*>()->model()->rowCount(), 0);
    }

    // What the window checks after the dialog closed, and what it says when the store refuses.
    void refusedEntries_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("told");
        QTest::newRow("no supplier") << "line only"
                                     << "提示请选择有效的供应商";
        QTest::newRow("no line") << "supplier only"
                                 << "提示请至少添加一个商品";
        QTest::newRow("supplier lapsed") << "supplier lapsed"
                                         << "错误供应商资质已过期或无效，无法创建采购单";
        QTest::newRow("drug gone") << "drug gone"
                                   << "错误新增入库单失败，请检查数据是否正确";
    }
    void refusedEntries() {
        QFETCH(QString, entry);
        QFETCH(QString, told);
        Purchases w;
        addOrder(w.window, [&](PurchaseDialog& d) {
            if (entry != "line only")
                chooseSupplier(d, "国药控股");
            if (entry != "supplier only")
                addThroughPickers(d, "阿莫西林胶囊", "AM01", 10, 12.5);
            if (entry == "supplier lapsed")
                w.t.exec("UPDATE supplier SET qualification_status = 'expiring' WHERE id = 1");
            if (entry == "drug gone")
                w.t.exec("DELETE FROM product WHERE id = 1");
        });
        QCOMPARE(takePrompts(), told);
        QCOMPARE(w.t.count("purchase_order"), 0);
        QCOMPARE(w.t.count("inventory_batch"), 0);
        QCOMPARE(w.count(), QString("共 0 条记录"));
    }

    // A batch accepted in its dialog a minute before midnight and expiring the next day, its order saved
    // after midnight: the save refuses it with the dialog's words, the form comes back as typed, nothing is
    // stored and nothing enters stock.
    void batchExpiringOnTheDayOfTheSaveRefused() {
        Purchases w;
        std::optional<PinnedClock> pin;
        pin.emplace(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 11)));
        QStringList shown;
        ModalAnswer<PurchaseDialog> answer(
            [&](PurchaseDialog* d) {
                if (shown.isEmpty()) {
                    chooseSupplier(*d, "国药控股");
                    addThroughPickers(*d, "阿莫西林胶囊", "AM01", 10, 12.5, QDate(2025, 12, 10),
                                      QDate(2026, 12, 9));
                    pin.emplace(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 13)));
                }
                shown << child<QLineEdit>(d, "editSupplier")->text() + "|" +
                             texts(child<QTableWidget>(d, "tableItems")->model(), 0);
                if (shown.size() == 1)
                    pressOk(d);
                else
                    d->reject();
            },
            true);
        click(&w.window, "btnAdd");
        const QString typed = "国药控股|6901|阿莫西林胶囊|AM01|2025-12-10|2026-12-09|10|12.50|125.00|合格";
        QCOMPARE(shown, QStringList({typed, typed}));
        QCOMPARE(takePrompts(),
                 QString("错误新增入库单失败\n阿莫西林胶囊 批号 AM01：该批次今天到期（有效期至 "
                         "2026-12-09），不能验收入库"));
        QCOMPARE(row(w.t.count("purchase_order"), w.t.count("purchase_order_item"), stock(w.t, "AM01")),
                 QString("0|0|0"));
        QCOMPARE(w.count(), QString("共 0 条记录"));
    }

    // Enter in any field of an order being entered leaves the dialog open and stores nothing: OK takes a
    // click.
    void enterInAFieldNeverSavesTheOrder_data() {
        QTest::addColumn<QString>("field");
        for (const char* field : {"editSupplier", "editInboundDate", "editRemark"})
            QTest::newRow(field) << QString(field);
    }
    void enterInAFieldNeverSavesTheOrder() {
        QFETCH(QString, field);
        Purchases w;
        bool open = false;
        ModalAnswer<PurchaseDialog> answer([&](PurchaseDialog* d) {
            orderAmoxicillin(*d);
            QTest::keyClick(child(d, qPrintable(field)), Qt::Key_Return);
            open = d->isVisible();
            if (open)
                d->reject();
        });
        click(&w.window, "btnAdd");
        QVERIFY(open);
        QCOMPARE(w.t.count("purchase_order"), 0);
        QCOMPARE(takePrompts(), QString());
    }

    // '', 'normal' and 'completed' read "已完成"; 'voided' "已作废" in grey; any other code as stored.
    // Viewing and voiding need a row first.
    void statusLabelsAndHints() {
        Purchases w([](TestDatabase& t) {
            t.exec("INSERT INTO purchase_order (order_no, supplier_id, inbound_date, status) VALUES "
                   "('P1', 1, '2026-01-05', ''), ('P2', 1, '2026-01-04', 'normal'), "
                   "('P3', 1, '2026-01-03', 'completed'), ('P4', 1, '2026-01-02', 'voided'), "
                   "('P5', 1, '2026-01-01', 'pending')");
        });
        QCOMPARE(w.texts(-1, 5), QString("已完成|已完成|已完成|已作废|pending"));
        QStringList colours;
        for (int r = 0; r < 5; ++r)
            colours
                << w.table()->model()->index(r, 5).data(Qt::ForegroundRole).value<QBrush>().color().name();
        QCOMPARE(colours.join('|'), QString("#000000|#000000|#000000|#a0a0a4|#000000"));
        QCOMPARE(w.count(), QString("共 5 条记录"));
        click(&w.window, "btnView");
        QCOMPARE(Prompts::last().kind, Prompts::Kind::Information);
        click(&w.window, "btnVoid");
        QCOMPARE(takePrompts(), QString("提示请先选择要查看的订单|提示请先选择要作废的订单"));
        QCOMPARE(w.t.count("purchase_order", "status = 'voided'"), 1);
    }

    // A new order shows with the whole list whatever the search field holds; a void repeats the search.
    void reloadsAfterAddAndVoid() {
        Purchases w([](TestDatabase& t) {
            storeOrder(t, 1, 1, "AM00", "2026-02-01");
            storeOrder(t, 2, 2, "BL00", "2026-02-02");
        });
        w.search(" 板蓝根 ");
        QCOMPARE(w.texts(-1, 1), QString("九州通医药"));
        addOrder(w.window, orderAmoxicillin);
        QCOMPARE(w.texts(-1, 1), QString("国药控股|九州通医药|国药控股"));
        QCOMPARE(child<QLineEdit>(&w.window, "editSearch")->text(), QString(" 板蓝根 "));
        w.search("阿莫西林");
        QCOMPARE(w.count(), QString("共 2 条记录"));
        w.makeCurrent(1);
        Prompts::queueQuestion(true);
        click(&w.window, "btnVoid");
        QCOMPARE(w.texts(-1, 5), QString("已完成|已作废"));
        QCOMPARE(w.count(), QString("共 2 条记录"));
    }

    // --- purchase order picker ---

    // Voided orders never show, whatever the keyword; a status other than 'completed' reads "待处理"; the
    // first cell carries the id and the number. The supplier named in the label is not searched, and Return
    // only searches. "确定" needs a current row; it or a double click hands back the row's id and number.
    void pickerOffersOpenOrders() {
        TestDatabase t;
        seed(t);
        const int first = storeOrder(t, 1, 1, "AM00", "2026-02-01");
        const int voided = storeOrder(t, 2, 2, "BL00", "2026-02-02");
        const int pending = storeOrder(t, 2, 1, "AM01", "2026-02-03");
        QVERIFY(repositories::PurchaseRepository(t.db()).voidOrder(voided));
        t.exec("UPDATE purchase_order SET status = '' WHERE id = ?", {pending});
        PurchaseOrderSelectionDialog picker;
        picker.show();
        QCOMPARE(
            row(picker.windowTitle(), picker.findChild<QLabel*>()->text(), picker.width(), picker.height()),
            QString("选择采购单|搜索（单号/供应商）：|700|450"));
        auto* view = picker.findChild<QTableView*>();
        QCOMPARE(texts(view->model(), 1), QString("PUR202603010001|国药控股|2026-02-01|10.00|已完成"));
        QCOMPARE(texts(view->model(), -1, 4), QString("待处理|已完成"));
        QCOMPARE(row(view->model()->index(1, 0).data(Qt::UserRole).toInt() == first,
                     view->model()->index(1, 0).data(Qt::UserRole + 1)),
                 QString("true|PUR202603010001"));
        for (const char* keyword : {"国药控股", "板蓝根", "PUR202603010002", "AMXLJN"}) {
            child<QLineEdit>(&picker, "editSearch")->setText(keyword);
            QTest::keyClick(child<QLineEdit>(&picker, "editSearch"), Qt::Key_Return);
            QCOMPARE(view->model()->rowCount(), QString(keyword) == "AMXLJN" ? 2 : 0);
        }
        click(&picker, "btnOk");
        QCOMPARE(
            row(takePrompts(), picker.isVisible(), picker.getSelectedOrderId(), picker.getSelectedOrderNo()),
            QString("提示请先选择一条采购单|true|-1|"));
        view->setCurrentIndex(view->model()->index(0, 2));
        click(&picker, "btnOk");
        QCOMPARE(row(picker.result(), picker.getSelectedOrderId() == pending, picker.getSelectedOrderNo()),
                 QString("1|true|PUR202603010003"));

        PurchaseOrderSelectionDialog again;
        again.show();
        doubleClickRow(again.findChild<QTableView*>(), 1);
        QCOMPARE(row(again.result(), again.getSelectedOrderNo()), QString("1|PUR202603010001"));
    }
};

KV_TEST_CLASS(TestPurchaseWindows)
#include "tst_purchasewindows.moc"
