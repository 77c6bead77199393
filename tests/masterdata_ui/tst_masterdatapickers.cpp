#include "tests/masterdata_ui/guidriver.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/masterdata/supplierselectiondialog.h"

#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate today(2026, 3, 1);

int addDrug(TestDatabase& t, const QString& name, const QString& barcode, bool prescription, int status = 1) {
    t.exec("INSERT INTO product (barcode, name, mnemonic_code, specification, approval_no, manufacturer, "
           "category, "
           "is_prescription, status) VALUES (?, ?, ?, '0.25g*24粒', '国药准字H1', '白云山', '处方药', ?, ?)",
           {barcode, name, barcode + "X", prescription ? 1 : 0, status});
    return t.scalar("SELECT max(id) FROM product").toInt();
}

void addBatch(TestDatabase& t, int productId, int quantity, const QString& expiry) {
    t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (?, 'B1', ?, ?)",
           {productId, expiry, quantity});
}

// 阿莫西林 (prescription, in stock), 头孢 (prescription, no stock), 维C (in stock), 板蓝根 (its stock
// expired yesterday, its fresh batch is empty), 已删除 (deleted, in stock).
void seedDrugs(TestDatabase& t) {
    addBatch(t, addDrug(t, "阿莫西林胶囊", "6901", true), 10, "2027-01-01");
    addDrug(t, "头孢克肟片", "6902", true);
    addBatch(t, addDrug(t, "维生素C片", "6903", false), 5, "2026-03-02");
    const int banlangen = addDrug(t, "板蓝根颗粒", "6904", false);
    addBatch(t, banlangen, 8, "2026-02-28");
    addBatch(t, banlangen, 0, "2027-02-28");
    addBatch(t, addDrug(t, "已删除胶囊", "6905", true, 0), 3, "2027-01-01");
}

int addSupplier(TestDatabase& t, const QString& name, const QString& licence = "2028-01-01",
                const QString& qualification = "valid", const QString& status = "active") {
    t.exec(
        "INSERT INTO supplier (name, license_no, address, contact_name, contact_phone, license_expire_date, "
        "business_license_expire_date, gsp_cert_expire_date, tax_reg_expire_date, qualification_status, "
        "status) "
        "VALUES (?, 'L-9', '武汉', '周敏', '027-1234', ?, '2030-01-01', '2028-01-01', '2028-01-01', ?, ?)",
        {name, licence, qualification, status});
    return t.scalar("SELECT max(id) FROM supplier").toInt();
}

QTableView* tableOf(QDialog* d) {
    return d->findChild<QTableView*>("tableView");
}

QStringList names(QDialog* d) {
    return columnTexts(tableOf(d)->model(), 1);
}

void search(QDialog* d, const QString& text) {
    d->findChild<QLineEdit*>("editSearch")->setText(text);
    d->findChild<QPushButton*>("btnSearch")->click();
}

void selectRow(QDialog* d, int row) {
    QTableView* view = tableOf(d);
    view->selectionModel()->select(view->model()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void pressButton(QDialog* d, const char* name) {
    d->findChild<QPushButton*>(name)->click();
}

} // namespace

class TestMasterdataPickers : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }

    void productPickerHonoursItsFlags_data() {
        QTest::addColumn<bool>("withStock");
        QTest::addColumn<bool>("prescription");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        const QStringList all{"板蓝根颗粒", "维生素C片", "头孢克肟片", "阿莫西林胶囊"};
        QTest::newRow("all") << false << false << "" << all;
        QTest::newRow("all, search") << false << false << " 片 " << QStringList{"维生素C片", "头孢克肟片"};
        QTest::newRow("stock") << true << false << "" << QStringList{"维生素C片", "阿莫西林胶囊"};
        QTest::newRow("stock, search") << true << false << "阿莫" << QStringList{"阿莫西林胶囊"};
        QTest::newRow("prescription") << false << true << "" << QStringList{"头孢克肟片", "阿莫西林胶囊"};
        QTest::newRow("prescription, search") << false << true << "头孢" << QStringList{"头孢克肟片"};
        QTest::newRow("both: prescription wins")
            << true << true << "" << QStringList{"头孢克肟片", "阿莫西林胶囊"};
        QTest::newRow("blanks only") << false << false << "   " << all;
        QTest::newRow("barcode finds nothing") << false << false << "6903" << QStringList{};
        QTest::newRow("mnemonic finds nothing") << false << false << "6903X" << QStringList{};
    }
    void productPickerHonoursItsFlags() {
        QFETCH(bool, withStock);
        QFETCH(bool, prescription);
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        PinnedClock pin(today);
        TestDatabase t;
        seedDrugs(t);
        ProductSelectionDialog dialog(nullptr, withStock, prescription);
        search(&dialog, text);
        QCOMPARE(::names(&dialog), names);
    }

    void pickersShowTheirColumns() {
        TestDatabase t;
        const int productId = addDrug(t, "阿莫西林胶囊", "6901", true);
        const int supplierId = addSupplier(t, "国药控股");
        ProductSelectionDialog products(nullptr, false, false);
        QCOMPARE(products.windowTitle(), QStringLiteral("选择商品"));
        QCOMPARE(products.size(), QSize(600, 400));
        const QAbstractItemModel* model = tableOf(&products)->model();
        QCOMPARE(headerTexts(model), (QStringList{"条码", "名称", "规格", "批准文号", "生产厂商", "分类"}));
        QCOMPARE(rowTexts(model, 0),
                 (QStringList{"6901", "阿莫西林胶囊", "0.25g*24粒", "国药准字H1", "白云山", "处方药"}));
        QCOMPARE(model->index(0, 0).data(Qt::UserRole).toInt(), productId);
        QCOMPARE(tableOf(&products)->selectionMode(), QAbstractItemView::SingleSelection);

        SupplierSelectionDialog suppliers(nullptr);
        QCOMPARE(suppliers.windowTitle(), QStringLiteral("选择供应商"));
        QCOMPARE(suppliers.size(), QSize(700, 400));
        model = tableOf(&suppliers)->model();
        QCOMPARE(headerTexts(model),
                 (QStringList{"ID", "名称", "许可证号", "联系人", "联系电话", "地址", "状态"}));
        QCOMPARE(rowTexts(model, 0), (QStringList{QString::number(supplierId), "国药控股", "L-9", "周敏",
                                                  "027-1234", "武汉", "正常"}));
        QCOMPARE(model->index(0, 0).data(Qt::UserRole).toInt(), supplierId);
    }

    void productPickerOkNeedsAChoice() {
        TestDatabase t;
        seedDrugs(t);
        ProductSelectionDialog dialog(nullptr, false, false);
        dialog.show();
        selectRow(&dialog, 0);
        search(&dialog, "片"); // a search clears the selection
        pressButton(&dialog, "btnOk");
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("提示"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("请先选择一个商品"));
        QVERIFY(dialog.isVisible());

        selectRow(&dialog, 1);
        pressButton(&dialog, "btnCancel");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.getSelectedProduct().id, -1);
        QVERIFY(!dialog.getSelectedProduct().isValid());

        dialog.show();
        selectRow(&dialog, 1);
        pressButton(&dialog, "btnOk");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getSelectedProduct().name, QStringLiteral("头孢克肟片"));
    }

    // Return in the search field searches; it neither presses "确定" nor closes the dialog.
    void returnInTheSearchFieldOnlySearches() {
        TestDatabase t;
        seedDrugs(t);
        addSupplier(t, "国药控股");
        addSupplier(t, "华润医药");
        ProductSelectionDialog products(nullptr, false, false);
        SupplierSelectionDialog suppliers(nullptr);
        for (QDialog* dialog : {static_cast<QDialog*>(&products), static_cast<QDialog*>(&suppliers)}) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            auto* edit = dialog->findChild<QLineEdit*>("editSearch");
            edit->setFocus();
            edit->setText(dialog == &products ? "头孢" : "华润");
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(names(dialog).size(), 1);
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->result(), int(QDialog::Rejected));
        }
        QVERIFY(Prompts::history().isEmpty());
    }

    void doubleClickChoosesAndCloses() {
        TestDatabase t;
        seedDrugs(t);
        const int supplierId = addSupplier(t, "国药控股");
        addSupplier(t, "华润医药");
        ProductSelectionDialog products(nullptr, false, true);
        products.show();
        QVERIFY(doubleClickCell(tableOf(&products), tableOf(&products)->model()->index(1, 4)));
        QCOMPARE(products.result(), int(QDialog::Accepted));
        QVERIFY(!products.isVisible());
        QCOMPARE(products.getSelectedProduct().name, QStringLiteral("阿莫西林胶囊"));

        SupplierSelectionDialog suppliers(nullptr);
        suppliers.show();
        QVERIFY(doubleClickCell(tableOf(&suppliers), tableOf(&suppliers)->model()->index(1, 2)));
        QCOMPARE(suppliers.result(), int(QDialog::Accepted));
        QCOMPARE(suppliers.getSelectedSupplier().id, supplierId);
    }

    void aDrugDeletedMeanwhileComesBackWithItsStatus() {
        TestDatabase t;
        const int id = addDrug(t, "阿莫西林胶囊", "6901", true);
        ProductSelectionDialog dialog(nullptr, false, false);
        t.exec("UPDATE product SET status = 0, name = '阿莫西林胶囊(停)' WHERE id = ?", {id});
        selectRow(&dialog, 0);
        pressButton(&dialog, "btnOk");
        const models::Product p = dialog.getSelectedProduct();
        QCOMPARE(p.id, id);
        QCOMPARE(p.status, 0);
        QCOMPARE(p.name, QStringLiteral("阿莫西林胶囊(停)"));
    }

    void supplierPickerListsQualifiedSuppliersOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        const QStringList all{"今日到期医药", "华润医药", "国药控股"};
        QTest::newRow("all") << "" << all;
        QTest::newRow("search") << "医药" << QStringList{"今日到期医药", "华润医药"};
        QTest::newRow("blanks only") << "  " << all;
        QTest::newRow("matching name, expired licence") << "过期" << QStringList{};
    }
    void supplierPickerListsQualifiedSuppliersOnly() {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        PinnedClock pin(today);
        TestDatabase t;
        addSupplier(t, "国药控股");
        addSupplier(t, "过期医药", "2026-02-28");
        addSupplier(t, "停用医药", "2028-01-01", "valid", "suspended");
        addSupplier(t, "资质存疑医药", "2028-01-01", "expiring");
        addSupplier(t, "坏日期医药", "2027/01/01");
        addSupplier(t, "华润医药");
        addSupplier(t, "今日到期医药", "2026-03-01");
        SupplierSelectionDialog dialog(nullptr);
        search(&dialog, text);
        QCOMPARE(::names(&dialog), names);
    }

    void supplierPickerOkWithAndWithoutAChoice() {
        TestDatabase t;
        addSupplier(t, "国药控股");
        const int chosen = addSupplier(t, "华润医药");
        SupplierSelectionDialog dialog(nullptr);
        dialog.show();
        pressButton(&dialog, "btnOk");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getSelectedSupplier().id, -1);

        dialog.show();
        selectRow(&dialog, 0);
        pressButton(&dialog, "btnOk");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getSelectedSupplier().id, chosen);
        QCOMPARE(dialog.getSelectedSupplier().name, QStringLiteral("华润医药"));
        QVERIFY(Prompts::history().isEmpty());
    }
};

QTEST_MAIN(TestMasterdataPickers)
#include "tst_masterdatapickers.moc"
