#include "tests/masterdata_ui/guidriver.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui/masterdata/supplierdialog.h"
#include "ui/masterdata/suppliermanagerwindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::doubleClickCell;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;
using kestrovalin::test::whenModal;

namespace {

const QDate today(2026, 3, 1);

struct Dates {
    QVariant license, business, gsp, tax;
};

} // namespace

Q_DECLARE_METATYPE(Dates)

namespace {

int addSupplier(TestDatabase& t, const QString& name,
                const Dates& d = {"2028-01-01", "2030-01-01", "2028-01-01", "2028-01-01"},
                const QString& qualification = "valid", const QString& status = "active") {
    t.exec(
        "INSERT INTO supplier (name, license_no, business_license_no, business_scope, address, contact_name, "
        "contact_phone, license_expire_date, business_license_expire_date, gsp_cert_no, "
        "gsp_cert_expire_date, "
        "tax_reg_no, tax_reg_expire_date, qualification_status, status) "
        "VALUES (?, 'L-1', 'B-1', '中成药,抗生素', '杭州', '李娜', '13800001111', ?, ?, 'G-1', ?, 'T-1', ?, "
        "?, ?)",
        {name, d.license, d.business, d.gsp, d.tax, qualification, status});
    return t.scalar("SELECT max(id) FROM supplier").toInt();
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
            out.append(model->index(r, 0).data().toString());
        return out;
    }
    int rowOf(const QString& name) const { return names().indexOf(name); }
    void selectRow(int row) { table->setCurrentIndex(model->index(row, 2)); }

    SupplierManagerWindow window;
    QTableView* table;
    QStandardItemModel* model;
    QLineEdit* search;
    QLabel* count;
};

void pressOk(QDialog* d) {
    d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

} // namespace

class TestSupplierManagerWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }

    void listsSuppliersThatAreNotSuspended() {
        PinnedClock pin(today);
        TestDatabase t;
        addSupplier(t, "国药控股");
        addSupplier(t, "已停用公司", {}, "valid", "suspended");
        const int id = addSupplier(t, "九州通医药");
        Fixture f;
        QCOMPARE(f.window.windowTitle(), QStringLiteral("供应商管理"));
        QCOMPARE(f.model->columnCount(), 13);
        QStringList headers;
        for (int c = 0; c < 13; ++c)
            headers << f.model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"供应商名称", "许可证号", "营业执照号", "GSP证书", "税务登记证",
                                       "经营范围", "联系人", "联系电话", "许可证到期", "营业执照到期",
                                       "GSP到期", "资质状态", "状态"}));
        QCOMPARE(f.names(), (QStringList{"九州通医药", "国药控股"}));
        QCOMPARE(f.count->text(), QStringLiteral("共 2 条记录"));
        QStringList first;
        for (int c = 0; c < 13; ++c)
            first << f.model->index(0, c).data().toString();
        QCOMPARE(first,
                 (QStringList{"九州通医药", "L-1", "B-1", "G-1", "T-1", "中成药、抗生素", "李娜",
                              "13800001111", "2028-01-01", "2030-01-01", "2028-01-01", "有效", "正常"}));
        QCOMPARE(f.model->index(0, 0).data(Qt::UserRole).toInt(), id);
        QVERIFY(!f.button("btnImport")->isEnabled());
        QCOMPARE(f.window.styleSheet(),
                 listWindowStyleSheet({"btnSearch", "btnAdd", "btnImport"}, {"btnEdit", "btnDelete"}));
        QCOMPARE(f.table->selectionMode(), QAbstractItemView::SingleSelection);
    }

    void takesItsPlaceOnTheParent() {
        TestDatabase t;
        QWidget parent;
        parent.setGeometry(0, 0, 1001, 701);
        SupplierManagerWindow window(&parent);
        QCOMPARE(window.geometry().size(), QSize(900, 560));
        QCOMPARE(window.pos(), QPoint(50, 70));
    }

    void qualificationLabelComesFromTheDates_data() {
        QTest::addColumn<Dates>("dates");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QColor>("background");
        const QColor none;
        const QColor red(255, 0, 0), yellow(128, 128, 0);
        QTest::newRow("licence yesterday") << Dates{"2026-02-28", "2030-01-01", "", ""} << "valid"
                                           << "已过期" << red;
        QTest::newRow("gsp in 30 days") << Dates{"", "", "2026-03-31", ""} << "valid"
                                        << "即将到期" << yellow;
        QTest::newRow("gsp in 31 days") << Dates{"", "", "2026-04-01", ""} << "valid"
                                        << "有效" << none;
        QTest::newRow("tax today") << Dates{"", "", "", "2026-03-01"} << "valid"
                                   << "即将到期" << yellow;
        QTest::newRow("unparseable") << Dates{"2027/01/01", "", "", ""} << "valid"
                                     << "已过期" << red;
        QTest::newRow("expired wins") << Dates{"2025-12-31", "2026-03-10", "", ""} << "valid"
                                      << "已过期" << red;
        QTest::newRow("no dates") << Dates{} << "valid"
                                  << "有效" << none;
        QTest::newRow("empty texts") << Dates{"", "", "", ""} << "valid"
                                     << "有效" << none;
        QTest::newRow("stored code shown") << Dates{} << "expired"
                                           << "expired" << none;
        QTest::newRow("tax counts though hidden")
            << Dates{"2030-01-01", "2030-01-01", "2030-01-01", "2026-01-01"} << "valid"
            << "已过期" << red;
    }
    void qualificationLabelComesFromTheDates() {
        QFETCH(Dates, dates);
        QFETCH(QString, stored);
        QFETCH(QString, label);
        QFETCH(QColor, background);
        PinnedClock pin(today);
        TestDatabase t;
        addSupplier(t, "样本供应商", dates, stored);
        Fixture f;
        const QStandardItem* cell = f.model->item(0, 11);
        QCOMPARE(cell->text(), label);
        if (background.isValid()) {
            QCOMPARE(cell->background().color(), background);
            QCOMPARE(cell->background().style(), Qt::SolidPattern);
            QCOMPARE(cell->foreground().color(), QColor(255, 255, 255));
        } else {
            QCOMPARE(cell->background().style(), Qt::NoBrush);
            QCOMPARE(cell->foreground().style(), Qt::NoBrush);
        }
        for (int c = 0; c < 13; ++c) {
            if (c != 11)
                QCOMPARE(f.model->item(0, c)->background().style(), Qt::NoBrush);
        }
    }

    void searchesByNameOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("name") << "医药" << QStringList{"九州通医药", "华东医药"};
        QTest::newRow("surrounding blanks") << "  华东 " << QStringList{"华东医药"};
        QTest::newRow("contact person") << "李娜" << QStringList{};
        QTest::newRow("phone") << "13800001111" << QStringList{};
        QTest::newRow("blanks only") << "  " << QStringList{"九州通医药", "国药控股", "华东医药"};
    }
    void searchesByNameOnly() {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        TestDatabase t;
        addSupplier(t, "华东医药");
        addSupplier(t, "国药控股");
        addSupplier(t, "九州通医药");
        Fixture f;
        f.search->setText(text);
        QTest::keyClick(f.search, Qt::Key_Return);
        QCOMPARE(f.names(), names);
        QCOMPARE(f.count->text(), QStringLiteral("共 %1 条记录").arg(names.size()));
    }

    void addingListsEverythingAndKeepsTheKeyword() {
        PinnedClock pin(today);
        TestDatabase t;
        addSupplier(t, "国药控股");
        Fixture f;
        f.search->setText(QStringLiteral("国药"));
        f.button("btnSearch")->click();
        whenModal<SupplierDialog>(&f.window, [](SupplierDialog* d) {
            d->findChild<QLineEdit*>("editName")->setText(QStringLiteral("上药控股"));
            pressOk(d);
        });
        f.button("btnAdd")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("成功"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("供应商已添加"));
        QCOMPARE(f.search->text(), QStringLiteral("国药"));
        QCOMPARE(f.names(), (QStringList{"上药控股", "国药控股"}));
        QCOMPARE(t.count("supplier", "name = '上药控股' AND license_expire_date = '2031-03-01' AND "
                                     "business_license_expire_date = '2036-03-01' AND status = 'active' AND "
                                     "qualification_status = 'valid'"),
                 1);
    }

    void anEmptyNameIsRefused() {
        TestDatabase t;
        Fixture f;
        whenModal<SupplierDialog>(&f.window, [](SupplierDialog* d) {
            d->findChild<QLineEdit*>("editContactName")->setText(QStringLiteral("张三"));
            pressOk(d);
        });
        f.button("btnAdd")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("提示"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("供应商名称不能为空"));
        QCOMPARE(t.count("supplier"), 0);
    }

    // An edit keeps dates never recorded empty and scope entries outside the form's options.
    void editingKeepsWhatTheFormCannotShow() {
        PinnedClock pin(today);
        TestDatabase t;
        addSupplier(t, "华东医药");
        const int id =
            addSupplier(t, "国药控股", {QVariant(QVariant::String), "2030-01-01", "2028-01-01", ""});
        t.exec("UPDATE supplier SET business_scope = '保健食品,中成药' WHERE id = ?", {id});
        Fixture f;
        f.search->setText(QStringLiteral("国药"));
        f.button("btnSearch")->click();
        f.selectRow(0);
        whenModal<SupplierDialog>(&f.window, [](SupplierDialog* d) {
            d->findChild<QLineEdit*>("editContactPhone")->setText(QStringLiteral("021-66668888"));
            pressOk(d);
        });
        f.button("btnEdit")->click();
        QCOMPARE(Prompts::lastText(), QStringLiteral("供应商已更新"));
        QCOMPARE(t.count("supplier",
                         "id = ? AND contact_phone = '021-66668888' AND license_expire_date IS NULL AND "
                         "(tax_reg_expire_date IS NULL OR tax_reg_expire_date = '') AND "
                         "business_scope = '中成药,保健食品' AND status = 'active'",
                         {id}),
                 1);
        QCOMPARE(f.names(), QStringList{"国药控股"});
    }

    void editingCanSuspendAndReportsMissingRows() {
        TestDatabase t;
        const int id = addSupplier(t, "国药控股");
        Fixture f;
        f.selectRow(0);
        whenModal<SupplierDialog>(&f.window, [](SupplierDialog* d) {
            d->findChild<QComboBox*>("comboStatus")->setCurrentIndex(1);
            pressOk(d);
        });
        QVERIFY(doubleClickCell(f.table, f.model->index(0, 3)));
        QCOMPARE(Prompts::lastText(), QStringLiteral("供应商已更新"));
        QCOMPARE(t.count("supplier", "id = ? AND status = 'suspended'", {id}), 1);
        QCOMPARE(f.model->rowCount(), 0);

        const int gone = addSupplier(t, "九州通医药");
        f.button("btnSearch")->click();
        f.selectRow(0);
        t.exec("DELETE FROM supplier WHERE id = ?", {gone});
        f.button("btnEdit")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("错误"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("未找到该供应商"));
    }

    void actionsNeedACurrentRow_data() {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("message");
        QTest::newRow("edit") << QByteArray("btnEdit") << "请先选择要编辑的供应商";
        QTest::newRow("delete") << QByteArray("btnDelete") << "请先选择要删除的供应商";
    }
    void actionsNeedACurrentRow() {
        QFETCH(QByteArray, button);
        QFETCH(QString, message);
        TestDatabase t;
        addSupplier(t, "国药控股");
        Fixture f;
        f.button(button.constData())->click();
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("提示"));
        QCOMPARE(Prompts::lastText(), message);
    }

    void deletingSuspends() {
        TestDatabase t;
        addSupplier(t, "华东医药");
        const int id = addSupplier(t, "国药控股");
        addSupplier(t, "九州通医药");
        Fixture f;
        f.search->setText(QStringLiteral("医药"));
        f.button("btnSearch")->click();
        f.selectRow(f.rowOf("九州通医药"));
        Prompts::queueQuestion(false);
        f.button("btnDelete")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("确认删除"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("确定要删除供应商 \"九州通医药\" 吗？"));
        QCOMPARE(t.count("supplier", "status = 'active'"), 3);

        f.search->setText(QString());
        f.button("btnSearch")->click();
        f.selectRow(f.rowOf("国药控股"));
        Prompts::queueQuestion(true);
        f.button("btnDelete")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("成功"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("供应商已删除"));
        QCOMPARE(t.count("supplier", "id = ? AND status = 'suspended'", {id}), 1);
        QCOMPARE(f.names(), (QStringList{"九州通医药", "华东医药"}));
        QCOMPARE(f.count->text(), QStringLiteral("共 2 条记录"));
    }
};

QTEST_MAIN(TestSupplierManagerWindow)
#include "tst_suppliermanagerwindow.moc"
