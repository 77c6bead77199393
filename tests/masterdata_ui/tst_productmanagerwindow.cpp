#include "tests/masterdata_ui/guidriver.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui/masterdata/productdialog.h"
#include "ui/masterdata/productmanagerwindow.h"

#include <QComboBox>
#include <QMessageBox>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

using Window = ListWindow<ProductManagerWindow>;

int addDrug(TestDatabase& t, const QString& barcode, const QString& name, const QString& mnemonic,
            bool prescription = false, int status = 1) {
    t.exec("INSERT INTO product (barcode, name, mnemonic_code, specification, approval_no, manufacturer, "
           "category, storage_condition, is_prescription, unit, purchase_price, sale_price, status) "
           "VALUES (?, ?, ?, '10g*12袋', '国药准字Z1', '广州白云山', 'OTC甲类', '常温', ?, '盒', 9.5, 15, ?)",
           {barcode, name, mnemonic, prescription ? 1 : 0, status});
    return t.scalar("SELECT max(id) FROM product").toInt();
}

// Three listed drugs and one deleted drug that still holds barcode 6904.
void seed(TestDatabase& t) {
    addDrug(t, "6901", "板蓝根颗粒", "BLGKL");
    addDrug(t, "6902", "阿莫西林胶囊", "AMXLJN", true);
    addDrug(t, "6903", "感冒灵颗粒", "GMLKL");
    addDrug(t, "6904", "已删除药", "YSCY", false, 0);
}

const QStringList everyDrug{"感冒灵颗粒", "阿莫西林胶囊", "板蓝根颗粒"};

} // namespace

class TestProductManagerWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }

    void showsListedDrugsNewestFirst() {
        TestDatabase t;
        seed(t);
        Window w(1);
        QCOMPARE(w.window.windowTitle(), QStringLiteral("商品管理"));
        QCOMPARE(headerTexts(w.model),
                 (QStringList{"条码", "名称", "助记码", "规格", "批准文号", "生产厂商", "分类", "储存条件",
                              "处方药", "单位", "采购价", "销售价"}));
        QCOMPARE(w.names(), everyDrug);
        QCOMPARE(w.count->text(), QStringLiteral("共 3 条记录"));
        QCOMPARE(rowTexts(w.model, 1),
                 (QStringList{"6902", "阿莫西林胶囊", "AMXLJN", "10g*12袋", "国药准字Z1", "广州白云山",
                              "OTC甲类", "常温", "是", "盒", "9.50", "15.00"}));
        QCOMPARE(w.model->index(0, 8).data().toString(), QStringLiteral("否"));
        QCOMPARE(w.idAt(1), 2);
        QVERIFY(w.table->editTriggers() == QAbstractItemView::NoEditTriggers);
        QCOMPARE(w.table->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!w.button("btnImport")->isEnabled());
        QCOMPARE(w.window.styleSheet(),
                 listWindowStyleSheet({"btnSearch", "btnAdd"}, {"btnEdit", "btnDelete"}));
    }

    void takesItsPlaceOnTheParent() {
        TestDatabase t;
        QWidget parent;
        parent.setGeometry(40, 60, 1366, 768);
        ProductManagerWindow window(&parent);
        QCOMPARE(window.geometry(), QRect(40 + 68, 60 + 77, 1229, 614));
        QVERIFY(window.isWindow());
    }

    void searchesNameBarcodeAndMnemonic_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("name") << "颗粒" << QStringList{"感冒灵颗粒", "板蓝根颗粒"};
        QTest::newRow("barcode") << "6902" << QStringList{"阿莫西林胶囊"};
        QTest::newRow("mnemonic, lower case") << "gml" << QStringList{"感冒灵颗粒"};
        QTest::newRow("surrounding blanks") << "  阿莫  " << QStringList{"阿莫西林胶囊"};
        QTest::newRow("blanks only") << "   " << everyDrug;
        QTest::newRow("deleted drug") << "6904" << QStringList{};
    }
    void searchesNameBarcodeAndMnemonic() {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        TestDatabase t;
        seed(t);
        Window w(1);
        w.searchFor(text);
        QCOMPARE(w.names(), names);
        QCOMPARE(w.count->text(), QStringLiteral("共 %1 条记录").arg(names.size()));
        w.search->setText("6901");
        QTest::keyClick(w.search, Qt::Key_Return);
        QCOMPARE(w.names(), QStringList{"板蓝根颗粒"});
    }

    void addingStoresTheDrugAndListsEverything() {
        TestDatabase t;
        seed(t);
        Window w(1);
        w.searchFor("板蓝根");
        for (const QString& name : QStringList{"布洛芬缓释胶囊", "当归片"}) {
            whenModal<ProductDialog>(&w.window, [name](ProductDialog* d) {
                setText(d, "editName", name);
                setText(d, "editMnemonicCode", "blf");
                d->findChild<QComboBox*>("comboUnit")->setCurrentText("瓶");
                pressOk(d);
            });
            w.button("btnAdd")->click();
            QCOMPARE(Prompts::lastTitle(), QStringLiteral("成功"));
            QCOMPARE(Prompts::lastText(), QStringLiteral("商品已添加"));
        }
        QCOMPARE(w.search->text(), QStringLiteral("板蓝根"));
        QCOMPARE(w.names(), QStringList({"当归片", "布洛芬缓释胶囊"}) + everyDrug);
        // Two drugs without barcode: the unique column takes both.
        QCOMPARE(
            t.count("product", "barcode IS NULL AND mnemonic_code = 'BLF' AND unit = '瓶' AND status = 1"),
            2);
    }

    void addingIsRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("barcode");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty name") << ""
                                    << "7001"
                                    << "提示"
                                    << "药品名称不能为空";
        QTest::newRow("barcode of a deleted drug") << "新药"
                                                   << "6904"
                                                   << "错误"
                                                   << "新增商品失败";
    }
    void addingIsRefused() {
        QFETCH(QString, name);
        QFETCH(QString, barcode);
        QFETCH(QString, title);
        QFETCH(QString, message);
        TestDatabase t;
        seed(t);
        Window w(1);
        w.makeCurrent(2);
        whenModal<ProductDialog>(&w.window, [&](ProductDialog* d) {
            setText(d, "editName", name);
            setText(d, "editBarcode", barcode);
            pressOk(d);
        });
        w.button("btnAdd")->click();
        QCOMPARE(Prompts::lastTitle(), title);
        QCOMPARE(Prompts::lastText(), message);
        QCOMPARE(t.count("product"), 4);
        QCOMPARE(w.table->currentIndex().row(), 2); // not reloaded
    }

    void cancellingTheFormChangesNothing() {
        TestDatabase t;
        seed(t);
        Window w(1);
        w.makeCurrent(1);
        whenModal<ProductDialog>(&w.window, [](ProductDialog* d) {
            setText(d, "editName", "改名");
            d->reject();
        });
        w.button("btnEdit")->click();
        QVERIFY(Prompts::history().isEmpty());
        QCOMPARE(w.table->currentIndex().row(), 1);
        QCOMPARE(t.count("product", "name = '改名'"), 0);
    }

    void actionsNeedACurrentRow_data() {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("edit") << QByteArray("btnEdit") << "请先选择要编辑的商品";
        QTest::newRow("delete") << QByteArray("btnDelete") << "请先选择要删除的商品";
    }
    void actionsNeedACurrentRow() {
        QFETCH(QByteArray, button);
        QFETCH(QString, message);
        TestDatabase t;
        seed(t);
        Window w(1);
        w.makeCurrent(0);
        w.searchFor(QString()); // every reload drops the current row
        w.button(button.constData())->click();
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("提示"));
        QCOMPARE(Prompts::lastText(), message);
    }

    // The form shows the stored drug, not the table's copy; the edit keeps id and status.
    void editingKeepsIdAndStatus() {
        TestDatabase t;
        seed(t);
        Window w(1);
        w.searchFor("颗粒");
        const int row = w.rowOf("板蓝根颗粒");
        const int id = w.idAt(row);
        t.exec("UPDATE product SET name = '板蓝根颗粒(新)', unit = '包', status = 0 WHERE id = ?", {id});
        QString shownName;
        whenModal<ProductDialog>(&w.window, [&](ProductDialog* d) {
            shownName = d->findChild<QLineEdit*>("editName")->text();
            setText(d, "editSpec", "5g*20袋");
            pressOk(d);
        });
        QVERIFY(doubleClickCell(w.table, w.model->index(row, 2)));
        QCOMPARE(shownName, QStringLiteral("板蓝根颗粒(新)"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("商品已更新"));
        QCOMPARE(
            t.count("product", "id = ? AND specification = '5g*20袋' AND unit = '包' AND status = 0", {id}),
            1);
        QCOMPARE(w.names(), QStringList{"感冒灵颗粒"}); // reloaded with the search text
    }

    void editingIsRefused() {
        TestDatabase t;
        seed(t);
        Window w(1);
        w.makeCurrent(w.rowOf("感冒灵颗粒"));
        whenModal<ProductDialog>(&w.window, [](ProductDialog* d) {
            setText(d, "editBarcode", "6901"); // another drug's
            pressOk(d);
        });
        w.button("btnEdit")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("错误"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("编辑商品失败"));
        whenModal<ProductDialog>(&w.window, [](ProductDialog* d) {
            setText(d, "editName", QString());
            pressOk(d);
        });
        w.button("btnEdit")->click();
        QCOMPARE(Prompts::lastText(), QStringLiteral("药品名称不能为空"));
        QCOMPARE(t.count("product", "name = '感冒灵颗粒' AND barcode = '6903'"), 1);
        t.exec("DELETE FROM product WHERE barcode = '6903'");
        w.button("btnEdit")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("错误"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("未找到该商品"));
    }

    void deletingAsksAndSoftDeletes() {
        TestDatabase t;
        seed(t);
        Window w(1);
        w.searchFor(" 颗粒 ");
        const int row = w.rowOf("板蓝根颗粒");
        const int id = w.idAt(row);
        w.makeCurrent(row);
        Prompts::queueQuestion(false);
        w.button("btnDelete")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("确认删除"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("确定要删除商品 \"板蓝根颗粒\" 吗？"));
        QCOMPARE(t.count("product", "status = 1"), 3);

        Prompts::queueQuestion(true);
        w.button("btnDelete")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("成功"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("商品已删除"));
        QCOMPARE(t.count("product", "id = ? AND status = 0", {id}), 1);
        QCOMPARE(w.names(), QStringList{"感冒灵颗粒"});
        QCOMPARE(w.count->text(), QStringLiteral("共 1 条记录"));
    }

    // The seam is wired to real message boxes when test mode is off.
    void realMessageBoxCarriesTheText() {
        TestDatabase t;
        Window w(1);
        Prompts::setTestMode(false);
        QString title, text;
        whenModal<QMessageBox>(&w.window, [&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        });
        w.button("btnDelete")->click();
        Prompts::setTestMode(true);
        QCOMPARE(title, QStringLiteral("提示"));
        QCOMPARE(text, QStringLiteral("请先选择要删除的商品"));
    }

    void failedListQueryShowsAnEmptyTable() {
        TestDatabase t;
        seed(t);
        t.exec("ALTER TABLE product RENAME TO product_gone");
        Window w(1);
        QCOMPARE(w.model->rowCount(), 0);
        QCOMPARE(w.count->text(), QStringLiteral("共 0 条记录"));
        QVERIFY(Prompts::history().isEmpty());
    }
};

QTEST_MAIN(TestProductManagerWindow)
#include "tst_productmanagerwindow.moc"
