#include "tests/masterdata_ui/guidriver.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/masterdata/supplierselectiondialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::doubleClickCell;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

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

// 阿莫西林 (prescription, in stock), 头孢 (prescription, no stock), 维C (in stock), 板蓝根 (stock expired),
// 已删除 (deleted, in stock).
void seedDrugs(TestDatabase& t) {
    addBatch(t, addDrug(t, "阿莫西林胶囊", "6901", true), 10, "2027-01-01");
    addDrug(t, "头孢克肟片", "6902", true);
    addBatch(t, addDrug(t, "维生素C片", "6903", false), 5, "2026-12-01");
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

QStringList column(QDialog* dialog, int col) {
    auto* model = qobject_cast<QStandardItemModel*>(dialog->findChild<QTableView*>("tableView")->model());
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out.append(model->index(r, col).data().toString());
    return out;
}

QTableView* tableOf(QDialog* d) {
    return d->findChild<QTableView*>("tableView");
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
        QTest::newRow("all") << false << false << ""
                             << QStringList{"板蓝根颗粒", "维生素C片", "头孢克肟片", "阿莫西林胶囊"};
        QTest::newRow("all, search") << false << false << " 片 " << QStringList{"维生素C片", "头孢克肟片"};
        QTest::newRow("stock") << true << false << "" << QStringList{"维生素C片", "阿莫西林胶囊"};
        QTest::newRow("stock, search") << true << false << "阿莫" << QStringList{"阿莫西林胶囊"};
        QTest::newRow("prescription") << false << true << "" << QStringList{"头孢克肟片", "阿莫西林胶囊"};
        QTest::newRow("prescription, search") << false << true << "头孢" << QStringList{"头孢克肟片"};
        QTest::newRow("both: prescription wins")
            << true << true << "" << QStringList{"头孢克肟片", "阿莫西林胶囊"};
        QTest::newRow("blanks only") << false << false << "   "
                                     << QStringList{"板蓝根颗粒", "维生素C片", "头孢克肟片", "阿莫西林胶囊"};
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
        QCOMPARE(dialog.windowTitle(), QStringLiteral("选择商品"));
        if (!text.isNull())
            search(&dialog, text);
        QCOMPARE(column(&dialog, 1), names);
    }

    void productPickerShowsSixColumns() {
        TestDatabase t;
        const int id = addDrug(t, "阿莫西林胶囊", "6901", true);
        ProductSelectionDialog dialog(nullptr, false, false);
        QCOMPARE(dialog.size(), QSize(600, 400));
        QVERIFY(dialog.styleSheet().isEmpty());
        QTableView* view = tableOf(&dialog);
        QStringList headers, cells;
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            headers << view->model()->headerData(c, Qt::Horizontal).toString();
            cells << view->model()->index(0, c).data().toString();
        }
        QCOMPARE(headers, (QStringList{"条码", "名称", "规格", "批准文号", "生产厂商", "分类"}));
        QCOMPARE(cells,
                 (QStringList{"6901", "阿莫西林胶囊", "0.25g*24粒", "国药准字H1", "白云山", "处方药"}));
        QCOMPARE(view->model()->index(0, 0).data(Qt::UserRole).toInt(), id);
        QCOMPARE(view->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(view->editTriggers() == QAbstractItemView::NoEditTriggers);
    }

    void productPickerOkNeedsAChoice() {
        TestDatabase t;
        seedDrugs(t);
        ProductSelectionDialog dialog(nullptr, false, false);
        dialog.show();
        selectRow(&dialog, 0);
        search(&dialog, QStringLiteral("片")); // a search clears the selection
        dialog.findChild<QPushButton*>("btnOk")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("提示"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("请先选择一个商品"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.getSelectedProduct().id, -1);

        selectRow(&dialog, 1);
        dialog.findChild<QPushButton*>("btnOk")->click();
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
            edit->setText(dialog == &products ? QStringLiteral("头孢") : QStringLiteral("华润"));
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(column(dialog, 1).size(), 1);
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->result(), int(QDialog::Rejected));
        }
        QVERIFY(Prompts::history().isEmpty());
        QCOMPARE(suppliers.getSelectedSupplier().id, -1);
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

    void cancelReturnsTheDefaultRecord() {
        TestDatabase t;
        seedDrugs(t);
        ProductSelectionDialog dialog(nullptr, false, false);
        dialog.show();
        selectRow(&dialog, 0);
        dialog.findChild<QPushButton*>("btnCancel")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        const models::Product p = dialog.getSelectedProduct();
        QCOMPARE(p.id, -1);
        QVERIFY(!p.isValid());
    }

    void aDrugDeletedMeanwhileComesBackWithItsStatus() {
        TestDatabase t;
        const int id = addDrug(t, "阿莫西林胶囊", "6901", true);
        ProductSelectionDialog dialog(nullptr, false, false);
        t.exec("UPDATE product SET status = 0, name = '阿莫西林胶囊(停)' WHERE id = ?", {id});
        selectRow(&dialog, 0);
        dialog.findChild<QPushButton*>("btnOk")->click();
        const models::Product p = dialog.getSelectedProduct();
        QCOMPARE(p.id, id);
        QCOMPARE(p.status, 0);
        QCOMPARE(p.name, QStringLiteral("阿莫西林胶囊(停)"));
    }

    void supplierPickerListsQualifiedSuppliersOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("all") << "" << QStringList{"今日到期医药", "华润医药", "国药控股"};
        QTest::newRow("search") << "医药" << QStringList{"今日到期医药", "华润医药"};
        QTest::newRow("blanks only") << "  " << QStringList{"今日到期医药", "华润医药", "国药控股"};
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
        QCOMPARE(column(&dialog, 1), names);
    }

    void supplierPickerShowsSevenColumns() {
        TestDatabase t;
        const int id = addSupplier(t, "国药控股");
        SupplierSelectionDialog dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("选择供应商"));
        QCOMPARE(dialog.size(), QSize(700, 400));
        QTableView* view = tableOf(&dialog);
        QStringList headers, cells;
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            headers << view->model()->headerData(c, Qt::Horizontal).toString();
            cells << view->model()->index(0, c).data().toString();
        }
        QCOMPARE(headers, (QStringList{"ID", "名称", "许可证号", "联系人", "联系电话", "地址", "状态"}));
        QCOMPARE(cells,
                 (QStringList{QString::number(id), "国药控股", "L-9", "周敏", "027-1234", "武汉", "正常"}));
        QCOMPARE(view->model()->index(0, 0).data(Qt::UserRole).toInt(), id);
    }

    void supplierPickerOkWithAndWithoutAChoice() {
        TestDatabase t;
        addSupplier(t, "国药控股");
        const int chosen = addSupplier(t, "华润医药");
        SupplierSelectionDialog empty(nullptr);
        empty.show();
        empty.findChild<QPushButton*>("btnOk")->click();
        QCOMPARE(empty.result(), int(QDialog::Accepted));
        QCOMPARE(empty.getSelectedSupplier().id, -1);

        SupplierSelectionDialog dialog(nullptr);
        dialog.show();
        selectRow(&dialog, 0);
        dialog.findChild<QPushButton*>("btnOk")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const models::Supplier s = dialog.getSelectedSupplier();
        QCOMPARE(s.id, chosen);
        QCOMPARE(s.name, QStringLiteral("华润医药"));
        QVERIFY(Prompts::history().isEmpty());
    }
};

QTEST_MAIN(TestMasterdataPickers)
#include "tst_masterdatapickers.moc"
