#include "tests/masterdata_ui/guidriver.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui/masterdata/supplierdialog.h"
#include "ui/masterdata/suppliermanagerwindow.h"

#include <QComboBox>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

struct Dates {
    QVariant license, business, gsp, tax;
};

} // namespace

Q_DECLARE_METATYPE(Dates)

namespace {

using Window = ListWindow<SupplierManagerWindow>;

const QDate today(2026, 3, 1);
const Dates inForce{"2028-01-01", "2030-01-01", "2028-01-01", "2028-01-01"};

int addSupplier(TestDatabase& t, const QString& name, const Dates& d = inForce,
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

void seed(TestDatabase& t) {
    addSupplier(t, "华东医药");
    addSupplier(t, "国药控股");
    addSupplier(t, "已停用公司", inForce, "valid", "suspended");
    addSupplier(t, "九州通医药");
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
        seed(t);
        Window w(0);
        QCOMPARE(w.window.windowTitle(), QStringLiteral("供应商管理"));
        QCOMPARE(
            headerTexts(w.model),
            (QStringList{"供应商名称", "许可证号", "营业执照号", "GSP证书", "税务登记证", "经营范围",
                         "联系人", "联系电话", "许可证到期", "营业执照到期", "GSP到期", "资质状态", "状态"}));
        QCOMPARE(w.names(), (QStringList{"九州通医药", "国药控股", "华东医药"}));
        QCOMPARE(w.count->text(), QStringLiteral("共 3 条记录"));
        QCOMPARE(rowTexts(w.model, 0),
                 (QStringList{"九州通医药", "L-1", "B-1", "G-1", "T-1", "中成药、抗生素", "李娜",
                              "13800001111", "2028-01-01", "2030-01-01", "2028-01-01", "有效", "正常"}));
        QCOMPARE(w.idAt(0), 4);
        QVERIFY(!w.button("btnImport")->isEnabled());
        QCOMPARE(w.window.styleSheet(),
                 listWindowStyleSheet({"btnSearch", "btnAdd", "btnImport"}, {"btnEdit", "btnDelete"}));
    }

    void qualificationLabelComesFromTheDates_data() {
        QTest::addColumn<Dates>("dates");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QColor>("background");
        const QColor none, red(255, 0, 0), yellow(128, 128, 0);
        QTest::newRow("licence yesterday") << Dates{"2026-02-28", "2030-01-01", "", ""} << "valid"
                                           << "已过期" << red;
        QTest::newRow("gsp in 30 days") << Dates{"", "", "2026-03-31", ""} << "valid"
                                        << "即将到期" << yellow;
        QTest::newRow("gsp in 31 days") << Dates{"", "", "2026-04-01", ""} << "valid"
                                        << "有效" << none;
        QTest::newRow("tax today, not shown") << Dates{"", "", "", "2026-03-01"} << "valid"
                                              << "即将到期" << yellow;
        QTest::newRow("unparseable") << Dates{"2027/01/01", "", "", ""} << "valid"
                                     << "已过期" << red;
        QTest::newRow("expired wins") << Dates{"2025-12-31", "2026-03-10", "", ""} << "valid"
                                      << "已过期" << red;
        QTest::newRow("no dates") << Dates{} << "valid"
                                  << "有效" << none;
        QTest::newRow("stored code shown") << Dates{"", "", "", ""} << "expired"
                                           << "expired" << none;
    }
    void qualificationLabelComesFromTheDates() {
        QFETCH(Dates, dates);
        QFETCH(QString, stored);
        QFETCH(QString, label);
        QFETCH(QColor, background);
        PinnedClock pin(today);
        TestDatabase t;
        addSupplier(t, "样本供应商", dates, stored);
        Window w(0);
        const QStandardItem* cell = w.model->item(0, 11);
        QCOMPARE(cell->text(), label);
        QCOMPARE(cell->background().color(), background.isValid() ? background : QColor(Qt::black));
        QCOMPARE(cell->background().style(), background.isValid() ? Qt::SolidPattern : Qt::NoBrush);
        QCOMPARE(cell->foreground().style(), background.isValid() ? Qt::SolidPattern : Qt::NoBrush);
        if (background.isValid())
            QCOMPARE(cell->foreground().color(), QColor(255, 255, 255));
        for (int c = 0; c < 13; ++c)
            QVERIFY(c == 11 || w.model->item(0, c)->background().style() == Qt::NoBrush);
    }

    void searchesByNameOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("name, trimmed") << " 医药  " << QStringList{"九州通医药", "华东医药"};
        QTest::newRow("contact person") << "李娜" << QStringList{};
        QTest::newRow("phone") << "13800001111" << QStringList{};
        QTest::newRow("blanks only") << "  " << QStringList{"九州通医药", "国药控股", "华东医药"};
    }
    void searchesByNameOnly() {
        QFETCH(QString, text);
        QFETCH(QStringList, names);
        TestDatabase t;
        seed(t);
        Window w(0);
        w.search->setText(text);
        QTest::keyClick(w.search, Qt::Key_Return);
        QCOMPARE(w.names(), names);
        QCOMPARE(w.count->text(), QStringLiteral("共 %1 条记录").arg(names.size()));
    }

    void addingListsEverythingAndKeepsTheKeyword() {
        PinnedClock pin(today);
        TestDatabase t;
        addSupplier(t, "国药控股");
        addSupplier(t, "华东医药");
        Window w(0);
        w.searchFor("国药");
        whenModal<SupplierDialog>(&w.window, [](SupplierDialog* d) {
            setText(d, "editContactName", "张三");
            pressOk(d);
        });
        w.button("btnAdd")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("提示"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("供应商名称不能为空"));
        QCOMPARE(t.count("supplier"), 2);

        whenModal<SupplierDialog>(&w.window, [](SupplierDialog* d) {
            setText(d, "editName", "上药控股");
            pressOk(d);
        });
        w.button("btnAdd")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("成功"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("供应商已添加"));
        QCOMPARE(w.search->text(), QStringLiteral("国药"));
        QCOMPARE(w.names(), (QStringList{"上药控股", "华东医药", "国药控股"}));
        QCOMPARE(t.count("supplier", "name = '上药控股' AND license_expire_date = '2031-03-01' AND "
                                     "business_license_expire_date = '2036-03-01' AND status = 'active' AND "
                                     "qualification_status = 'valid'"),
                 1);
    }

    // An edit keeps dates never recorded empty and scope entries outside the form's options.
    void editingKeepsWhatTheFormCannotShow() {
        PinnedClock pin(today);
        TestDatabase t;
        addSupplier(t, "华东医药");
        const int id =
            addSupplier(t, "国药控股", {QVariant(QVariant::String), "2030-01-01", "2028-01-01", ""});
        t.exec("UPDATE supplier SET business_scope = '保健食品,中成药' WHERE id = ?", {id});
        Window w(0);
        w.searchFor("国药");
        w.makeCurrent(0);
        whenModal<SupplierDialog>(&w.window, [](SupplierDialog* d) {
            setText(d, "editContactPhone", "021-66668888");
            pressOk(d);
        });
        w.button("btnEdit")->click();
        QCOMPARE(Prompts::lastText(), QStringLiteral("供应商已更新"));
        QCOMPARE(t.count("supplier",
                         "id = ? AND contact_phone = '021-66668888' AND license_expire_date IS NULL AND "
                         "(tax_reg_expire_date IS NULL OR tax_reg_expire_date = '') AND "
                         "business_scope = '中成药,保健食品' AND status = 'active'",
                         {id}),
                 1);
        QCOMPARE(w.names(), QStringList{"国药控股"});
    }

    void editingCanSuspendAndReportsMissingRows() {
        TestDatabase t;
        const int id = addSupplier(t, "国药控股");
        Window w(0);
        w.button("btnEdit")->click();
        QCOMPARE(Prompts::lastText(), QStringLiteral("请先选择要编辑的供应商"));
        whenModal<SupplierDialog>(&w.window, [](SupplierDialog* d) {
            d->findChild<QComboBox*>("comboStatus")->setCurrentIndex(1);
            pressOk(d);
        });
        QVERIFY(doubleClickCell(w.table, w.model->index(0, 3)));
        QCOMPARE(Prompts::lastText(), QStringLiteral("供应商已更新"));
        QCOMPARE(t.count("supplier", "id = ? AND status = 'suspended'", {id}), 1);
        QCOMPARE(w.model->rowCount(), 0);

        const int gone = addSupplier(t, "九州通医药");
        w.searchFor(QString());
        w.makeCurrent(0);
        t.exec("DELETE FROM supplier WHERE id = ?", {gone});
        w.button("btnEdit")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("错误"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("未找到该供应商"));
    }

    void deletingSuspends() {
        TestDatabase t;
        seed(t);
        Window w(0);
        w.button("btnDelete")->click();
        QCOMPARE(Prompts::lastText(), QStringLiteral("请先选择要删除的供应商"));
        w.searchFor("医药");
        w.makeCurrent(w.rowOf("九州通医药"));
        Prompts::queueQuestion(false);
        w.button("btnDelete")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("确认删除"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("确定要删除供应商 \"九州通医药\" 吗？"));
        QCOMPARE(t.count("supplier", "status = 'active'"), 3);

        Prompts::queueQuestion(true);
        w.button("btnDelete")->click();
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("成功"));
        QCOMPARE(Prompts::lastText(), QStringLiteral("供应商已删除"));
        QCOMPARE(t.count("supplier", "name = '九州通医药' AND status = 'suspended'"), 1);
        QCOMPARE(w.names(), QStringList{"华东医药"});
        QCOMPARE(w.count->text(), QStringLiteral("共 1 条记录"));
    }
};

QTEST_MAIN(TestSupplierManagerWindow)
#include "tst_suppliermanagerwindow.moc"
