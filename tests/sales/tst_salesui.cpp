#include "repositories/salesrepository.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/common/rowtablemodel.h"
#include "ui/purchasing/inventorycheckdialog.h"
#include "ui/returns/purchasereturndialog.h"
#include "ui/returns/salesreturndialog.h"
#include "ui/sales/prescriptiondetaildialog.h"
#include "ui/sales/prescriptiondialog.h"
#include "ui/sales/salesdialog.h"
#include "ui/sales/salesorderselectiondialog.h"
#include "ui/sales/salesproductselectiondialog.h"
#include "ui/sales/saleswindow.h"

#include "tests/support/clerksession.h"
#include "tests/support/modalanswer.h"
#include "tests/support/otherwriter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/smallpages.h"
#include "tests/support/testdatabase.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include <optional>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate kToday(2031, 5, 20);
const QTime kOneAm(1, 0); // still yesterday in UTC east of Greenwich

template <typename T = QWidget> T* child(QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(name);
    if (!found)
        qFatal("No child %s", name);
    return found;
}

QString said() {
    QStringList out;
    for (const Prompts::Record& r : Prompts::history())
        out << r.title + ":" + r.text;
    return out.join('|');
}

QString column(const QAbstractItemModel* model, int c) {
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, c).data().toString();
    return out.join(',');
}

QString rowText(const QAbstractItemModel* model, int r) {
    QStringList out;
    for (int c = 0; c < model->columnCount(); ++c)
        out << model->index(r, c).data().toString();
    return out.join('|');
}

int rowOf(const QAbstractItemModel* model, int c, const QString& text) {
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->index(r, c).data().toString() == text)
            return r;
    return -1;
}

// Newest batch first: L-BAD cannot be read as a date, A-RX is a prescription drug's, L-60 and L-61 expire in
// 60 and 61 days. Not sellable: nothing left, expiring today, a delisted drug.
void seedStock(TestDatabase& t) {
    t.exec("INSERT INTO sys_user (id, username, password_hash, real_name, role) VALUES (7, 'zhangli', 'x', "
           "'张丽', 'clerk')");
    t.exec("INSERT INTO customer (id, name) VALUES (2, '王建国')");
    t.exec("INSERT INTO product (id, barcode, name, specification, category, is_prescription, sale_price, "
           "status) VALUES (201, '6938406700155', '氯雷他定片', '10mg*6片', 'OTC乙类', 0, 23.5, 1), "
           "(202, '6921361200154', '阿莫西林胶囊', '0.25g*24粒', '处方药', 1, 16.8, 1), "
           "(203, '6926104300187', '硝苯地平缓释片', '10mg*30片', '处方药', 0, 19.8, 0)");
    const auto day = [](int days) {
        return kToday.addDays(days).toString("yyyy-MM-dd");
    };
    t.exec("INSERT INTO inventory_batch (id, product_id, batch_no, production_date, expiry_date, quantity) "
           "VALUES (1, 201, 'L-FAR', '2030-01-01', ?, 30), (2, 201, 'L-61', '2030-01-01', ?, 5), "
           "(3, 201, 'L-60', '2030-01-01', ?, 5), (4, 202, 'A-RX', '2030-01-01', ?, 10), "
           "(5, 201, 'L-ZERO', '2030-01-01', ?, 0), (6, 201, 'L-TODAY', '2030-01-01', ?, 5), "
           "(7, 203, 'X-DEL', '2030-01-01', ?, 5), (8, 201, 'L-BAD', '2030-01-01', '长期', 5)",
           {day(400), day(61), day(60), day(300), day(300), day(0), day(300)});
}

// Answers what one "添加商品" opens: the batch picker (the batch numbered `batch`, moving the clock on by
// `later` days before choosing, as past midnight), the prescription registration (`registration`: save,
// cancel, or a saved id that cannot be read back) and the quantity box (quantity and price; the box's limits
// are kept in `limits`).
struct Till {
    Till(const QString& batchNo, int count, double unitPrice = 0)
        : batch(batchNo), quantity(count), price(unitPrice) {}
    QString batch;
    int quantity;
    double price; // 0 keeps the drug's sale price
    int later = 0;
    QString registration = "save";
    QString limits;
};

void addLine(TestDatabase& t, SalesDialog& dialog, Till& till) {
    ModalAnswer<QDialog> answer(
        [&](QDialog* d) {
            if (auto* picker = qobject_cast<SalesProductSelectionDialog*>(d)) {
                auto* view = child<QTableView>(picker, "tableView");
                view->selectRow(rowOf(view->model(), 3, till.batch));
                Clock::pin(QDateTime(kToday.addDays(till.later), kOneAm));
                child<QPushButton>(picker, "btnOk")->click();
            } else if (auto* registration = qobject_cast<PrescriptionDialog*>(d)) {
                if (till.registration == "cancel")
                    return registration->reject();
                t.exec("INSERT OR IGNORE INTO prescription (id, prescription_no, doctor_name, patient_name, "
                       "status) VALUES (31, 'MZ0032', '李卫东', '王建国', 'valid')");
                registration->setPrescriptionId(till.registration == "save" ? 31 : 4711);
                registration->accept();
            } else {
                auto* quantity = child<QSpinBox>(d, "spinQuantity");
                auto* price = child<QDoubleSpinBox>(d, "spinPrice");
                till.limits = QString("%1-%2 from %3, %4-%5 from %6")
                                  .arg(quantity->minimum())
                                  .arg(quantity->maximum())
                                  .arg(quantity->value())
                                  .arg(price->minimum())
                                  .arg(price->maximum(), 0, 'f', 2)
                                  .arg(price->value());
                quantity->setValue(till.quantity);
                if (till.price > 0)
                    price->setValue(till.price);
                d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            }
        },
        true);
    child<QPushButton>(&dialog, "btnAddItem")->click();
}

// Ten sales of 19 May numbered 01 to 10, the ninth and the first to 王建国.
void addTenSales(TestDatabase& t) {
    for (int i = 1; i <= 10; ++i)
        t.exec("INSERT INTO sales_order (id, order_no, customer_id, total_amount, sale_date, operator_id, "
               "status) VALUES (?, ?, ?, ?, '2031-05-19', 7, 'completed')",
               {i, QString("SAL2031051900%1").arg(i, 2, 10, QChar('0')), i == 1 || i == 9 ? 2 : 1, i});
}

models::SalesOrderItem soldLine(int productId, const QString& batchNo, int quantity, double price) {
    models::SalesOrderItem item;
    item.productId = productId;
    item.batchNo = batchNo;
    item.quantity = quantity;
    item.unitPrice = price;
    item.amount = quantity * price;
    return item;
}

// A text far longer than any field shows on one line: 500 characters.
QString longText() {
    const QString sentence = QStringLiteral(
        "患者咳嗽咳痰伴发热三天，体温最高三十八点五度，双肺呼吸音粗，可闻及少许湿啰音，考虑急性支气管炎，");
    return sentence.repeated(500 / sentence.size() + 1).left(500);
}

// The detail and view dialogs, each showing a stored record with one long text: the dialog and its name
// of the button that closes it.
enum class ViewDialog {
    PrescriptionDiagnosis,
    PrescriptionHospital,
    StocktakingSheet,
    PurchaseReturn,
    SalesReturn
};

std::unique_ptr<QDialog> viewDialog(ViewDialog which, const QString& text, models::ReturnOrder& order) {
    switch (which) {
    case ViewDialog::PrescriptionDiagnosis:
    case ViewDialog::PrescriptionHospital: {
        models::Prescription p;
        p.patientName = "王建国";
        p.prescriptionNo = "MZ202612020032";
        (which == ViewDialog::PrescriptionDiagnosis ? p.diagnosis : p.hospitalName) = text;
        models::PrescriptionItem item;
        item.productName = "阿莫西林胶囊";
        item.dosage = "口服，一次0.5g，一日3次";
        p.items = {item};
        auto dialog = std::make_unique<PrescriptionDetailDialog>();
        dialog->setPrescription(p);
        return dialog;
    }
    case ViewDialog::StocktakingSheet: {
        models::InventoryCheck check;
        check.checkNo = "CHK203105200001";
        check.checkType = "full";
        check.checkDate = "2031-05-20";
        check.remark = text;
        models::InventoryCheckItem line;
        line.productName = "阿莫西林胶囊";
        line.batchNo = "A2301";
        line.systemQuantity = 50;
        line.actualQuantity = 45;
        line.diffReason = text;
        auto dialog = std::make_unique<InventoryCheckDialog>(nullptr);
        dialog->setCheck(check);
        dialog->setItems({line});
        dialog->setReadOnly(true);
        return dialog;
    }
    case ViewDialog::PurchaseReturn:
    case ViewDialog::SalesReturn:
        order.returnNo = "PR203105200001";
        order.returnDate = "2031-05-20";
        order.reason = text;
        models::ReturnOrderItem line;
        line.productName = "阿莫西林胶囊";
        line.batchNo = "A2301";
        line.quantity = 2;
        order.items = {line};
        if (which == ViewDialog::PurchaseReturn)
            return std::make_unique<PurchaseReturnDialog>(nullptr, &order);
        return std::make_unique<SalesReturnDialog>(nullptr, &order);
    }
    return nullptr;
}

} // namespace

class TestSalesUi : public QObject {
    Q_OBJECT
private slots:
    // A detail or view dialog shows a long text whole, wrapped in a box that scrolls, and still fits a
    // 1366 x 768 screen with the button that closes it.
    void viewDialogsFitTheScreen_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("closeButton");
        QTest::newRow("prescription, long diagnosis") << int(ViewDialog::PrescriptionDiagnosis) << "btnClose";
        QTest::newRow("prescription, long hospital") << int(ViewDialog::PrescriptionHospital) << "btnClose";
        QTest::newRow("stocktaking sheet, long remark") << int(ViewDialog::StocktakingSheet) << "buttonBox";
        QTest::newRow("purchase return, long reason") << int(ViewDialog::PurchaseReturn) << "buttonBox";
        QTest::newRow("sales return, long reason") << int(ViewDialog::SalesReturn) << "buttonBox";
    }
    void viewDialogsFitTheScreen() {
        QFETCH(int, which);
        QFETCH(QString, closeButton);
        const QString text = longText();
        models::ReturnOrder order;
        std::unique_ptr<QDialog> dialog = viewDialog(ViewDialog(which), text, order);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        const QRect frame = dialog->frameGeometry();
        QVERIFY2(frame.width() <= 1366, qPrintable(QString::number(frame.width())));
        QVERIFY2(frame.height() <= 768, qPrintable(QString::number(frame.height())));
        QWidget* close = child(dialog.get(), qPrintable(closeButton));
        const QRect button(close->mapTo(dialog.get(), QPoint(0, 0)), close->size());
        QVERIFY2(dialog->rect().contains(button), qPrintable(QString("%1 %2 %3 %4")
                                                                 .arg(button.x())
                                                                 .arg(button.y())
                                                                 .arg(button.width())
                                                                 .arg(button.height())));
        // The long text is there whole, in a box that shows it (a label would cut it or stretch the dialog).
        int boxes = 0;
        for (const QPlainTextEdit* box : dialog->findChildren<QPlainTextEdit*>())
            boxes += box->isVisible() && box->isReadOnly() && box->toPlainText() == text ? 1 : 0;
        if (ViewDialog(which) != ViewDialog::PrescriptionHospital)
            QCOMPARE(boxes, 1);
    }

    void initTestCase() { startAsClerk(); }
    void init() { Prompts::reset(); }

    // Sellable batches newest first, searched by name or barcode (blanks list all); no choice warns, Cancel
    // gives the default record; a double click chooses its row.
    void batchPicker() {
        PinnedClock pin(kToday, kOneAm);
        TestDatabase t;
        seedStock(t);
        SalesProductSelectionDialog picker;
        auto* view = child<QTableView>(&picker, "tableView");
        QCOMPARE(column(view->model(), 3), QString("L-BAD,A-RX,L-60,L-61,L-FAR"));
        QCOMPARE(rowText(view->model(), 1), QString("6921361200154|阿莫西林胶囊|0.25g*24粒|A-RX|2030-01-01|"
                                                    "2032-03-15|10|处方药"));
        child<QLineEdit>(&picker, "editSearch")->setText("69213612");
        child<QPushButton>(&picker, "btnSearch")->click();
        QCOMPARE(column(view->model(), 3), QString("A-RX"));
        child<QLineEdit>(&picker, "editSearch")->setText("  ");
        child<QPushButton>(&picker, "btnSearch")->click();
        QCOMPARE(view->model()->rowCount(), 5);
        child<QPushButton>(&picker, "btnOk")->click();
        QCOMPARE(said(), QString("提示:请先选择一个商品"));
        child<QPushButton>(&picker, "btnCancel")->click();
        QCOMPARE(picker.result(), int(QDialog::Rejected));
        QCOMPARE(picker.getSelectedBatch().batch.id, -1);
        QCOMPARE(picker.getSelectedBatch().product.id, -1);
        emit view->doubleClicked(view->model()->index(2, 5));
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.getSelectedBatch().batch.batchNo, QString("L-60"));
    }

    // The expiry rule runs after the quantity box: within 60 days it asks, from 61 it is silent, on or after
    // the expiry date or without a readable date it refuses.
    void expiryRule_data() {
        QTest::addColumn<QString>("batch");
        QTest::addColumn<int>("later");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("prompts");
        const QString asked = "近效期警告:该药品将于 60 天后到期（2031-07-19），是否继续销售？";
        const QString refused = "错误:该药品已过期，禁止销售！";
        QTest::newRow("61 days") << "L-61" << 0 << false << 1 << "";
        QTest::newRow("60 days, sold") << "L-60" << 0 << true << 1 << asked;
        QTest::newRow("60 days, declined") << "L-60" << 0 << false << 0 << asked;
        QTest::newRow("expires today") << "L-60" << 60 << true << 0 << refused;
        QTest::newRow("expired yesterday") << "L-60" << 61 << true << 0 << refused;
        QTest::newRow("no readable date") << "L-BAD" << 0 << true << 0 << refused;
    }
    void expiryRule() {
        QFETCH(QString, batch);
        QFETCH(int, later);
        QFETCH(bool, yes);
        QFETCH(int, lines);
        QFETCH(QString, prompts);
        PinnedClock pin(kToday, kOneAm);
        TestDatabase t;
        seedStock(t);
        SalesDialog dialog;
        Till till(batch, 2);
        till.later = later;
        Prompts::queueQuestion(yes);
        addLine(t, dialog, till);
        QCOMPARE(said(), prompts);
        QCOMPARE(child<QTableWidget>(&dialog, "tableItems")->rowCount(), lines);
        QCOMPARE(dialog.getItems().size(), lines);
    }

    // A prescription drug's line needs a registered prescription that can be read back; it then shows its
    // number and a red star. Declining or cancelling adds nothing.
    void prescriptionDrug_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("registration");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("prompts");
        const QString asked = "处方药提示:该药品是处方药，需要登记处方信息。是否现在登记？";
        QTest::newRow("registered") << true << "save"
                                    << "6921361200154|阿莫西林胶囊|A-RX|3|16.80|50.40|MZ0032|★" << asked;
        QTest::newRow("declined") << false << "save"
                                  << "" << asked;
        QTest::newRow("registration cancelled") << true << "cancel"
                                                << "" << asked;
        QTest::newRow("saved but unreadable")
            << true << "unreadable"
            << "" << asked + "|错误:无法读取刚登记的处方，该处方药不能加入销售";
    }
    void prescriptionDrug() {
        QFETCH(bool, yes);
        QFETCH(QString, registration);
        QFETCH(QString, row);
        QFETCH(QString, prompts);
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        SalesDialog dialog;
        Till till("A-RX", 3);
        till.registration = registration;
        Prompts::queueQuestion(yes);
        addLine(t, dialog, till);
        QCOMPARE(said(), prompts);
        auto* table = child<QTableWidget>(&dialog, "tableItems");
        QCOMPARE(table->rowCount() ? rowText(table->model(), 0) : QString(), row);
        if (row.isEmpty())
            return;
        QCOMPARE(table->item(0, 7)->foreground().color(), QColor(Qt::red));
        const models::SalesOrderItem item = dialog.getItems().value(0);
        QCOMPARE(item.prescriptionId, 31);
        QVERIFY(item.isPrescription);
        QCOMPARE(item.batchId, 4);
    }

    // The quantity box holds 1 to the batch's stock and a price from 0.01, starting at the sale price. Lines
    // can only be added and removed through the buttons; the total sums them.
    void linesAndTotal() {
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        SalesDialog dialog;
        dialog.show();
        Till first("L-FAR", 2);
        addLine(t, dialog, first);
        QCOMPARE(first.limits, QString("1-30 from 1, 0.01-999999.99 from 23.5"));
        Till second("L-61", 1, 20.05);
        addLine(t, dialog, second);
        auto* table = child<QTableWidget>(&dialog, "tableItems");
        auto* total = child<QLabel>(&dialog, "labelTotalValue");
        QCOMPARE(total->text(), QString("67.05"));
        QCOMPARE(rowText(table->model(), 1), QString("6938406700155|氯雷他定片|L-61|1|20.05|20.05||"));
        QCOMPARE(int(table->editTriggers()), int(QAbstractItemView::NoEditTriggers));
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {},
                           table->visualItemRect(table->item(0, 3)).center());
        QCOMPARE(table->viewport()->findChildren<QLineEdit*>().size(), 0);

        table->setCurrentCell(-1, -1);
        child<QPushButton>(&dialog, "btnDeleteItem")->click();
        QCOMPARE(dialog.getItems().size(), 2);
        table->setCurrentCell(0, 1);
        child<QPushButton>(&dialog, "btnDeleteItem")->click();
        QCOMPARE(dialog.getItems().value(0).batchNo, QString("L-61"));
        QCOMPARE(total->text(), QString("20.05"));
        table->setCurrentCell(0, 1);
        child<QPushButton>(&dialog, "btnDeleteItem")->click();
        QCOMPARE(total->text(), QString("0.00"));
    }

    // The header: the default customer, today's date and the signed-in operator; without a default customer,
    // customer 0. View mode shows a stored sale and changes nothing.
    void headerAndViewMode() {
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        SalesDialog dialog;
        models::SalesOrder order = dialog.getOrder();
        QCOMPARE(QStringList({QString::number(order.customerId), order.customerName, order.saleDate,
                              QString::number(order.operatorId)})
                     .join('|'),
                 QString("1|零售客户|2031-05-20|7"));
        child<QDateEdit>(&dialog, "editSaleDate")->setDate(QDate(2031, 5, 1));
        order = dialog.getOrder();
        QCOMPARE(order.saleDate, QString("2031-05-01"));

        t.exec("UPDATE customer SET is_default = 0");
        SalesDialog noDefault;
        QCOMPARE(noDefault.getOrder().customerId, 0);
        QCOMPARE(child<QLineEdit>(&noDefault, "editCustomer")->text(), QString());

        order.customerId = 2;
        order.customerName = QStringLiteral("王建国");
        noDefault.setOrder(order);
        noDefault.setItems({soldLine(201, "L-FAR", 2, 23.5)});
        noDefault.setReadOnly(true);
        QCOMPARE(child<QLineEdit>(&noDefault, "editCustomer")->text(), QString("王建国"));
        QCOMPARE(noDefault.getOrder().customerId, 2);
        QCOMPARE(child<QDateEdit>(&noDefault, "editSaleDate")->date(), QDate(2031, 5, 1));
        QCOMPARE(child<QLabel>(&noDefault, "labelTotalValue")->text(), QString("47.00"));
        QVERIFY(!child(&noDefault, "editSaleDate")->isEnabled());
        QVERIFY(!child(&noDefault, "btnSelectCustomer")->isEnabled());
        QVERIFY(child(&noDefault, "btnAddItem")->isHidden());
        QVERIFY(child(&noDefault, "btnDeleteItem")->isHidden());
        QCOMPARE(int(child<QTableWidget>(&noDefault, "tableItems")->selectionMode()),
                 int(QAbstractItemView::NoSelection));
    }

    // The sales list: a sale reloads the whole list and names its number; a refused sale and an empty one say
    // why; one that meets another program's lock says so and its dialog comes back with its lines, to be
    // saved once the lock is gone; a void greys its status cell and keeps the search; a voided order is
    // refused before the question; a void the repository or the lock refuses is reported.
    void salesListWalk() {
        PinnedClock pin(kToday);
        const ShortBusyWait wait;
        TestDatabase t;
        seedStock(t);
        t.exec("INSERT INTO sales_order (id, order_no, customer_id, total_amount, sale_date, operator_id, "
               "status) "
               "VALUES (1, 'SAL203105190001', 2, 16.8, '2031-05-19', 7, 'pending')");
        SalesWindow window;
        auto* view = child<QTableView>(&window, "tableView");
        auto* search = child<QLineEdit>(&window, "editSearch");
        auto* count = child<QLabel>(&window, "labelCount");
        QCOMPARE(rowText(view->model(), 0), QString("SAL203105190001|2031-05-19|王建国|张丽|16.80|pending"));
        QCOMPARE(view->model()->index(0, 5).data(Qt::ForegroundRole), QVariant());

        const auto sell = [&](const QList<models::SalesOrderItem>& lines) {
            Prompts::reset();
            ModalAnswer<SalesDialog> answer([&](SalesDialog* d) {
                d->setItems(lines);
                d->accept();
            });
            child<QPushButton>(&window, "btnAdd")->click();
            return said();
        };
        search->setText("无此单");
        child<QPushButton>(&window, "btnSearch")->click();
        QCOMPARE(count->text(), QString("共 0 条记录"));
        QCOMPARE(sell({}), QString("提示:请至少添加一个商品"));
        QCOMPARE(sell({soldLine(201, "L-FAR", 20, 23.5), soldLine(201, "L-FAR", 11, 23.5)}),
                 QString("错误:新增销售单失败\n批次 L-FAR 现有库存 30，销售需扣减 31"));
        {
            Prompts::reset();
            std::optional<OtherWriter> other(t.path());
            QString shownAgain;
            int showings = 0;
            ModalAnswer<SalesDialog> answer(
                [&](SalesDialog* d) {
                    if (showings++ == 0) {
                        d->setItems({soldLine(201, "L-FAR", 2, 23.5)});
                    } else {
                        for (const models::SalesOrderItem& line : d->getItems())
                            shownAgain += line.batchNo + "x" + QString::number(line.quantity);
                        other.reset();
                    }
                    d->accept();
                },
                true);
            child<QPushButton>(&window, "btnAdd")->click();
            QCOMPARE(answer.count(), 2);
            QCOMPARE(shownAgain, QString("L-FARx2"));
        }
        QCOMPARE(said(), QString("错误:新增销售单失败\n数据库正被其他程序占用，请稍后重试|"
                                 "成功:销售单 SAL203105200001 已完成"));
        QCOMPARE(column(view->model(), 0), QString("SAL203105200001,SAL203105190001"));
        QCOMPARE(count->text(), QString("共 2 条记录"));
        QCOMPARE(search->text(), QString("无此单"));

        search->setText(" 0520 ");
        Prompts::reset();
        view->setCurrentIndex(view->model()->index(0, 0));
        Prompts::queueQuestion(true);
        {
            const OtherWriter other(t.path());
            child<QPushButton>(&window, "btnVoid")->click();
        }
        QCOMPARE(Prompts::lastText(), QString("作废销售单失败\n数据库正被其他程序占用，请稍后重试"));
        QCOMPARE(view->model()->index(0, 5).data().toString(), QString("已完成"));
        Prompts::reset();
        view->setCurrentIndex(view->model()->index(0, 0));
        Prompts::queueQuestion(true);
        child<QPushButton>(&window, "btnVoid")->click();
        QCOMPARE(said(), QString("确认作废:确定要作废销售单 SAL203105200001 吗？退货将自动退回库存。|"
                                 "成功:销售单已作废，库存已退回"));
        QCOMPARE(rowText(view->model(), 0), QString("SAL203105200001|2031-05-20|零售客户|张丽|47.00|已作废"));
        QCOMPARE(view->model()->rowCount(), 1);
        QCOMPARE(view->model()->index(0, 5).data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(Qt::gray));
        QCOMPARE(view->model()->index(0, 4).data(Qt::ForegroundRole), QVariant());
        QCOMPARE(t.scalar("SELECT quantity FROM inventory_batch WHERE id = 1").toInt(), 30);

        Prompts::reset();
        view->setCurrentIndex(view->model()->index(0, 0));
        child<QPushButton>(&window, "btnVoid")->click();
        QCOMPARE(said(), QString("提示:该销售单已作废，不能重复作废"));
        QCOMPARE(t.scalar("SELECT quantity FROM inventory_batch WHERE id = 1").toInt(), 30);

        // A completed sales return cites the order: the void is refused and the row shows the stored status.
        search->clear();
        child<QPushButton>(&window, "btnSearch")->click();
        t.exec("UPDATE sales_order SET status = 'completed' WHERE id = 1");
        t.exec("INSERT INTO return_order (id, return_no, return_type, status) VALUES (1, 'SR1', 'sales', "
               "'completed')");
        t.exec("INSERT INTO return_order_item (return_id, product_id, batch_no, original_order_no, quantity) "
               "VALUES (1, 202, 'A-RX', 'SAL203105190001', 1)");
        Prompts::reset();
        view->setCurrentIndex(view->model()->index(1, 0));
        Prompts::queueQuestion(true);
        child<QPushButton>(&window, "btnVoid")->click();
        QCOMPARE(said(), QString("确认作废:确定要作废销售单 SAL203105190001 吗？退货将自动退回库存。|"
                                 "错误:作废销售单失败\n该销售单已有销售退回单 SR1"));
        QCOMPARE(view->model()->index(1, 5).data().toString(), QString("已完成"));
    }

    // Enter in any field of a sale being entered leaves the dialog open and sells nothing: OK takes a click.
    void enterInAFieldNeverSavesTheSale_data() {
        QTest::addColumn<QString>("field");
        for (const char* field : {"editSaleDate", "editCustomer"})
            QTest::newRow(field) << QString(field);
    }
    void enterInAFieldNeverSavesTheSale() {
        QFETCH(QString, field);
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        SalesWindow window;
        bool open = false;
        ModalAnswer<SalesDialog> answer([&](SalesDialog* d) {
            d->setItems({soldLine(201, "L-FAR", 2, 23.5)});
            QTest::keyClick(child(d, qPrintable(field)), Qt::Key_Return);
            open = d->isVisible();
            if (open)
                d->reject();
        });
        child<QPushButton>(&window, "btnAdd")->click();
        QVERIFY(open);
        QCOMPARE(t.count("sales_order"), 0);
        QCOMPARE(said(), QString());
    }

    // The list opens on its first page and counts the rest; every order then shows in its place, End goes
    // to the oldest; a search runs over every order, not over the rows read so far.
    void salesListPages() {
        PinnedClock pin(kToday);
        SmallPages pages(4, 2);
        TestDatabase t;
        seedStock(t);
        addTenSales(t);
        SalesWindow window;
        auto* view = child<QTableView>(&window, "tableView");
        auto* model = qobject_cast<RowTableModel*>(view->model());
        auto* count = child<QLabel>(&window, "labelCount");
        QCOMPARE(model->heldRows(), 4);
        QTRY_COMPARE(count->text(), QString("共 10 条记录"));
        window.show();
        view->setCurrentIndex(model->index(0, 0));
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view->currentIndex().row(), 9);
        QCOMPARE(model->text(9, 0), QString("SAL203105190001"));
        QCOMPARE(column(model, 0).remove("SAL2031051900"), QString("10,09,08,07,06,05,04,03,02,01"));

        SalesWindow fresh;
        auto* freshModel = child<QTableView>(&fresh, "tableView")->model();
        child<QLineEdit>(&fresh, "editSearch")->setText("王建");
        child<QPushButton>(&fresh, "btnSearch")->click();
        QCOMPARE(column(freshModel, 0), QString("SAL203105190009,SAL203105190001"));
        QCOMPARE(child<QLabel>(&fresh, "labelCount")->text(), QString("共 2 条记录"));
    }

    // A list kept open and scrolled holds no read on the file: after a thousand sales the write-ahead log
    // is copied back in full and emptied.
    void openListLetsTheLogBeCheckpointed() {
        PinnedClock pin(kToday);
        SmallPages pages(3, 2);
        TestDatabase t;
        seedStock(t);
        addTenSales(t);
        t.exec("UPDATE inventory_batch SET quantity = 5000 WHERE id = 1");
        SalesWindow window;
        window.show();
        auto* view = child<QTableView>(&window, "tableView");
        QTRY_COMPARE(view->model()->rowCount(), 10);
        view->scrollTo(view->model()->index(6, 0));
        QCOMPARE(view->model()->index(6, 0).data().toString(), QString("SAL203105190004"));
        SalesRepository repo(t.db());
        for (int i = 0; i < 1000; ++i) {
            models::SalesOrder order;
            order.operatorId = 7;
            order.customerId = 1;
            QVERIFY(repo.insertOrder(order, {soldLine(201, "L-FAR", 1, 23.5)}));
        }
        QTest::qWait(50);
        int busy = -1;
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "checkpoint");
            other.setDatabaseName(t.path());
            QVERIFY(other.open());
            QSqlQuery checkpoint(other);
            QVERIFY(checkpoint.exec("PRAGMA wal_checkpoint(TRUNCATE)"));
            QVERIFY(checkpoint.next());
            busy = checkpoint.value(0).toInt();
        }
        QSqlDatabase::removeDatabase("checkpoint");
        QCOMPARE(busy, 0);
        QCOMPARE(QFileInfo(t.path() + "-wal").size(), qint64(0));
    }

    // The order picker leaves voided orders out and shows other codes as pending; it needs a current row.
    void orderPicker() {
        PinnedClock pin(kToday);
        TestDatabase t;
        seedStock(t);
        t.exec("INSERT INTO sales_order (id, order_no, customer_id, total_amount, sale_date, operator_id, "
               "status) "
               "VALUES (1, 'SAL203105180001', 2, 16.8, '2031-05-18', 7, 'completed'), "
               "(2, 'SAL203105190001', 1, 9.5, '2031-05-19', 7, 'voided'), "
               "(3, 'SAL203105200001', 1, 23.456, '2031-05-20', 7, '')");
        SalesOrderSelectionDialog picker;
        auto* view = child<QTableView>(&picker, "tableView");
        QCOMPARE(rowText(view->model(), 0), QString("SAL203105200001|2031-05-20|23.46|待处理|张丽"));
        QCOMPARE(rowText(view->model(), 1), QString("SAL203105180001|2031-05-18|16.80|已完成|张丽"));
        QCOMPARE(view->model()->rowCount(), 2);
        child<QPushButton>(&picker, "btnOk")->click();
        QCOMPARE(said(), QString("提示:请先选择一条销售单"));
        QCOMPARE(picker.result(), int(QDialog::Rejected));
        child<QLineEdit>(&picker, "editSearch")->setText("王建");
        child<QPushButton>(&picker, "btnSearch")->click();
        QCOMPARE(column(view->model(), 0), QString("SAL203105180001"));
        view->setCurrentIndex(view->model()->index(0, 2));
        child<QPushButton>(&picker, "btnOk")->click();
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.getSelectedOrderId(), 1);
        QCOMPARE(picker.getSelectedOrderNo(), QString("SAL203105180001"));
    }
};

KV_TEST_CLASS(TestSalesUi)
#include "tst_salesui.moc"
