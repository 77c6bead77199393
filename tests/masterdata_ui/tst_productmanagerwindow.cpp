#include "tests/masterdata_ui/guidriver.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui/masterdata/productdialog.h"
#include "ui/masterdata/productmanagerwindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::doubleClickCell;
using kestrovalin::test::TestDatabase;
using kestrovalin::test::whenModal;

namespace {

struct Drug {
    QString barcode, name, mnemonic, unit;
    int prescription;
};

int addDrug(TestDatabase& t, const Drug& d) {
    t.exec("INSERT INTO product (barcode, name, mnemonic_code, specification, approval_no, manufacturer, "
           "category, storage_condition, is_prescription, unit, purchase_price, sale_price, status) "
           "VALUES (?, ?, ?, '10g*12袋', '国药准字Z1', '广州白云山', 'OTC甲类', '常温', ?, ?, 9.5, 15, 1)",
           {d.barcode.isEmpty() ? QVariant(QVariant::String) : d.barcode, d.name, d.mnemonic, d.prescription,
            d.unit});
    return t.scalar("SELECT max(id) FROM product").toInt();
}

void seed(TestDatabase& t) {
    addDrug(t, {"6901", "板蓝根颗粒", "BLGKL", "袋", 0});
    addDrug(t, {"6902", "阿莫西林胶囊", "AMXLJN", "盒", 1});
    addDrug(t, {"6903", "感冒灵颗粒", "GMLKL", "盒", 0});
}

class Fixture {
public:
    Fixture() : window(nullptr) {
        window.show();
        table = window.findChild<QTableView*>("tableView");
        model = qobject_cast<QStandardItemModel*>(table->model());
        search = window.findChild<QLineEdit*>("editSearch");
        count = window.findChild<QLabel*>("labelCount");
    }
    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }
    QStringList names() const {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out.append(model->index(r, 1).data().toString());
        return out;
    }
    int idAt(int row) const { return model->index(row, 0).data(Qt::UserRole).toInt(); }
    void selectRow(int row) { table->setCurrentIndex(model->index(row, 1)); }
    int rowOf(const QString& name) const { return names().indexOf(name); }

    ProductManagerWindow window;
    QTableView* table;
    QStandardItemModel* model;
    QLineEdit* search;
    QLabel* count;
};

void typeInForm(ProductDialog* d, const char* field, const QString& text) {
    d->findChild<QLineEdit*>(field)->setText(text);
}

void pressOk(QDialog* d) {
    d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

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
        const int deleted = addDrug(t, {"6904", "已删除药", "YSCY", "盒", 0});
        t.exec("UPDATE product SET status = 0 WHERE id = ?", {deleted});
        Fixture f;
        QCOMPARE(f.window.windowTitle(), QStringLiteral("商品管理"));
        QCOMPARE(f.model->columnCount(), 12);
        QStringList headers;
        for (int c = 0; c < 12; ++c)
            headers << f.model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"条码", "名称", "助记码", "规格", "批准文号", "生产厂商", "分类",
                                       "储存条件", "处方药", "单位", "采购价", "销售价"}));
        QCOMPARE(f.names(), (QStringList{"感冒灵颗粒", "阿莫西林胶囊", "板蓝根颗粒"}));
        QCOMPARE(f.count->text(), QStringLiteral("共 3 条记录"));
        QStringList second;
        for (int c = 0; c < 12; ++c)
            second << f.model->index(1, c).data().toString();
        QCOMPARE(second, (QStringList{"6902", "阿莫西林胶囊", "AMXLJN", "10g*12袋", "国药准字Z1",
                                      "广州白云山", "OTC甲类", "常温", "是", "盒", "9.50", "15.00"}));
        QCOMPARE(f.idAt(1), 2);
        QCOMPARE(f.model->index(0, 8).data().toString(), QStringLiteral("否"));
        QVERIFY(f.table->editTriggers() == QAbstractItemView::NoEditTriggers);
        QCOMPARE(f.table->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(f.table->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!f.button("btnImport")->isEnabled());
        QCOMPARE(f.window.styleSheet(),
                 listWindowStyleSheet({"btnSearch", "btnAdd"}, {"btnEdit", "btnDelete"}));
    }

    void takesItsPlaceOnTheParent() {
        TestDatabase t;
        QWidget parent;
        parent.setGeometry(40, 60, 1366, 768);
        ProductManagerWindow window(&parent);
        QCOMPARE(window.geometry().size(), QSize(1229, 614));
        QCOMPARE(window.pos(), QPoint(40 + 68, 60 + 77));
        QVERIFY(window.isWindow());
    }

    void searchesNameBarcodeAndMnemonic_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("name") << "颗粒" << QStringList{"感冒灵颗粒", "板蓝根颗粒"};
        QTest::newRow("barcode") << "6902" << QStringList{"阿莫西林胶囊"};
        QTest::newRow("mnemonic, lower case") << "gml" << QStringList{"感冒灵颗粒"};
        QTest::newRow("surrounding blanks") << "  阿莫  " << QStringList{"阿莫西林胶囊"};
        QTest::newRow("blanks only") << "   " << QStringList{"感冒灵颗粒", "阿莫西林胶囊", "板蓝根颗粒"};
        QTest::newRow("no match") << "布洛芬" << QStringList{};
    }
    void searchesNameBarcodeAndMnemonic() {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        TestDatabase t;
        seed(t);
        Fixture f;
        f.search->setText(text);
        f.button("btnSearch")->click();
        QCOMPARE(f.names(), names);
        QCOMPARE(f.count->text(), QStringLiteral("共 %1 条记录").arg(names.size()));
        // Return in the field searches as well.
        f.search->setText(QStringLiteral("6901"));
        QTest::keyClick(f.search, Qt::Key_Return);
        QCOMPARE(f.names(), QStringList{"板蓝根颗粒"});
    }

    void addingStoresTheDrugAndListsEverything() {
        TestDatabase t;
        seed(t);
        Fixture f;
        f.search->setText(QStringLiteral("板蓝根"));
        f.button("btnSearch")->click();
        whenModal<ProductDialog>(&f.window, [](ProductDialog* d) {
            typeInForm(d, "editName", QStringLiteral("布洛芬缓释胶囊"));
            typeInForm(d, "editBarcode", QStringLiteral("6905"));
            typeInForm(d, "editMnemonicCode", QStringLiteral("blfhsjn"));
            d->findChild<QComboBox*>("comboUnit")->setCurrentText(QStringLiteral("瓶"));
            pressOk(d);
        });
        f.button("btnAdd")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("成功"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("商品已添加"));
        QCOMPARE(f.search->text(), QStringLiteral("板蓝根"));
        QCOMPARE(f.names().size(), 4);
        QCOMPARE(f.names().first(), QStringLiteral("布洛芬缓释胶囊"));
        QCOMPARE(t.count("product", "name = ? AND mnemonic_code = 'BLFHSJN' AND unit = '瓶' AND status = 1",
                         {"布洛芬缓释胶囊"}),
                 1);
    }

    void addingTwoDrugsWithoutBarcode() {
        TestDatabase t;
        Fixture f;
        for (const QString& name : {QStringLiteral("当归片"), QStringLiteral("黄芪片")}) {
            whenModal<ProductDialog>(&f.window, [name](ProductDialog* d) {
                typeInForm(d, "editName", name);
                pressOk(d);
            });
            f.button("btnAdd")->click();
            QCOMPARE(Prompts::lastText(), QStringLiteral("商品已添加"));
        }
        QCOMPARE(t.count("product", "barcode IS NULL"), 2);
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
        const int deleted = addDrug(t, {"6904", "已删除药", "YSCY", "盒", 0});
        t.exec("UPDATE product SET status = 0 WHERE id = ?", {deleted});
        Fixture f;
        f.selectRow(2);
        whenModal<ProductDialog>(&f.window, [&](ProductDialog* d) {
            typeInForm(d, "editName", name);
            typeInForm(d, "editBarcode", barcode);
            pressOk(d);
        });
        f.button("btnAdd")->click();
        QCOMPARE(Prompts::lastTitle(), title);
        QCOMPARE(Prompts::lastText(), message);
        QCOMPARE(t.count("product"), 4);
        QCOMPARE(f.table->currentIndex().row(), 2); // not reloaded
    }

    void cancellingTheFormChangesNothing() {
        TestDatabase t;
        seed(t);
        Fixture f;
        f.selectRow(1);
        whenModal<ProductDialog>(&f.window, [](ProductDialog* d) {
            typeInForm(d, "editName", QStringLiteral("改名"));
            d->reject();
        });
        f.button("btnEdit")->click();
        QVERIFY(Prompts::history().isEmpty());
        QCOMPARE(f.table->currentIndex().row(), 1);
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
        Fixture f;
        f.selectRow(0);
        f.button("btnSearch")->click(); // every reload drops the current row
        f.button(button.constData())->click();
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("提示"));
        QCOMPARE(Prompts::lastText(), message);
    }

    // The form shows the stored drug, not the table's copy; the edit keeps id and status.
    void editingKeepsIdAndStatus() {
        TestDatabase t;
        seed(t);
        Fixture f;
        f.search->setText(QStringLiteral("颗粒"));
        f.button("btnSearch")->click();
        const int row = f.rowOf(QStringLiteral("板蓝根颗粒"));
        const int id = f.idAt(row);
        // Changed behind the window's back: renamed and deleted.
        t.exec("UPDATE product SET name = '板蓝根颗粒(新)', unit = '包', status = 0 WHERE id = ?", {id});
        QString shownName;
        whenModal<ProductDialog>(&f.window, [&](ProductDialog* d) {
            shownName = d->findChild<QLineEdit*>("editName")->text();
            typeInForm(d, "editSpec", QStringLiteral("5g*20袋"));
            pressOk(d);
        });
        QVERIFY(doubleClickCell(f.table, f.model->index(row, 2)));
        QCOMPARE(shownName, QStringLiteral("板蓝根颗粒(新)"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("商品已更新"));
        QCOMPARE(
            t.count("product", "id = ? AND specification = '5g*20袋' AND unit = '包' AND status = 0", {id}),
            1);
        QCOMPARE(t.count("product"), 3);
        QCOMPARE(f.names(), QStringList{"感冒灵颗粒"}); // reloaded with the search text
    }

    void editingIsRefused() {
        TestDatabase t;
        seed(t);
        Fixture f;
        // Another drug's barcode.
        f.selectRow(f.rowOf(QStringLiteral("感冒灵颗粒")));
        whenModal<ProductDialog>(&f.window, [](ProductDialog* d) {
            typeInForm(d, "editBarcode", QStringLiteral("6901"));
            pressOk(d);
        });
        f.button("btnEdit")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("错误"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("编辑商品失败"));
        // An emptied name.
        whenModal<ProductDialog>(&f.window, [](ProductDialog* d) {
            typeInForm(d, "editName", QString());
            pressOk(d);
        });
        f.button("btnEdit")->click();
        QCOMPARE(Prompts::lastText(), QStringLiteral("药品名称不能为空"));
        QCOMPARE(t.count("product", "name = '感冒灵颗粒' AND barcode = '6903'"), 1);
        // A row that no longer exists.
        t.exec("DELETE FROM product WHERE barcode = '6903'");
        f.button("btnEdit")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("错误"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("未找到该商品"));
    }

    void deletingAsksAndSoftDeletes() {
        TestDatabase t;
        seed(t);
        Fixture f;
        f.search->setText(QStringLiteral(" 颗粒 "));
        f.button("btnSearch")->click();
        const int row = f.rowOf(QStringLiteral("板蓝根颗粒"));
        const int id = f.idAt(row);
        f.selectRow(row);
        Prompts::queueQuestion(false);
        f.button("btnDelete")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("确认删除"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("确定要删除商品 \"板蓝根颗粒\" 吗？"));
        QCOMPARE(t.count("product", "status = 1"), 3);

        Prompts::queueQuestion(true);
        f.button("btnDelete")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("成功"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("商品已删除"));
        QCOMPARE(t.count("product", "id = ? AND status = 0", {id}), 1);
        QCOMPARE(f.names(), QStringList{"感冒灵颗粒"});
        QCOMPARE(f.count->text(), QStringLiteral("共 1 条记录"));
    }

    // The seam is wired to real message boxes when test mode is off.
    void realMessageBoxCarriesTheText() {
        TestDatabase t;
        Fixture f;
        Prompts::setTestMode(false);
        QString title, text;
        whenModal<QMessageBox>(&f.window, [&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        });
        f.button("btnDelete")->click();
        Prompts::setTestMode(true);
        QCOMPARE(title, QStringLiteral("提示"));
        QCOMPARE(text, QStringLiteral("请先选择要删除的商品"));
    }

    void failedListQueryShowsAnEmptyTable() {
        TestDatabase t;
        seed(t);
        t.exec("ALTER TABLE product RENAME TO product_gone");
        Fixture f;
        QCOMPARE(f.model->rowCount(), 0);
        QCOMPARE(f.count->text(), QStringLiteral("共 0 条记录"));
        QVERIFY(Prompts::history().isEmpty());
    }
};

QTEST_MAIN(TestProductManagerWindow)
#include "tst_productmanagerwindow.moc"
