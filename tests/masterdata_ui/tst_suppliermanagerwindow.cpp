#include "tests/masterdata_ui/guidriver.h"
#include "tests/support/pinnedclock.h"
#include "ui/masterdata/supplierdialog.h"
#include "ui/masterdata/suppliermanagerwindow.h"

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

void seed(TestDatabase& t) {
    addSupplier(t, "华东医药");
    addSupplier(t, "国药控股");
    addSupplier(t, "已停用公司", inForce, "valid", "suspended");
    addSupplier(t, "九州通医药");
}

struct Window : ListWindow<SupplierManagerWindow> {
    explicit Window(const std::function<void(TestDatabase&)>& fill = seed) : ListWindow(0, fill) {}
    void answerForm(const char* field, const QString& text) {
        whenModal<SupplierDialog>(window.get(), [=](SupplierDialog* d) { fillAndAccept(d, field, text); });
    }
};

} // namespace

class TestSupplierManagerWindow : public QObject {
    Q_OBJECT
private slots:
    void listsSuppliersThatAreNotSuspended() {
        PinnedClock pin(QDate(2026, 3, 1));
        Window w;
        QCOMPARE(w.names(), (QStringList{"九州通医药", "国药控股", "华东医药"}));
        QCOMPARE(rowTexts(w.model, 0),
                 (QStringList{"九州通医药", "L-1", "B-1", "G-1", "T-1", "中成药、抗生素", "李娜",
                              "13800001111", "2028-01-01", "2030-01-01", "2028-01-01", "有效", "正常"}));
        QCOMPARE(w.idAt(0), 4);
        QVERIFY(!w.window->findChild<QPushButton*>("btnImport")->isEnabled());
    }

    void qualificationLabelComesFromTheDates_data() {
        QTest::addColumn<QVariantList>("dates");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QColor>("background");
        const QColor none, red(255, 0, 0), yellow(128, 128, 0);
        QTest::newRow("licence yesterday") << QVariantList{"2026-02-28", "2030-01-01", "", ""} << "valid"
                                           << "已过期" << red;
        QTest::newRow("gsp in 30 days") << QVariantList{"", "", "2026-03-31", ""} << "valid"
                                        << "即将到期" << yellow;
        QTest::newRow("gsp in 31 days") << QVariantList{"", "", "2026-04-01", ""} << "valid"
                                        << "有效" << none;
        QTest::newRow("tax today, not shown") << QVariantList{"", "", "", "2026-03-01"} << "valid"
                                              << "即将到期" << yellow;
        QTest::newRow("unparseable") << QVariantList{"2027/01/01", "", "", ""} << "valid"
                                     << "已过期" << red;
        QTest::newRow("expired wins") << QVariantList{"2025-12-31", "2026-03-10", "", ""} << "valid"
                                      << "已过期" << red;
        QTest::newRow("stored code shown") << QVariantList{"", "", "", ""} << "expired"
                                           << "expired" << none;
    }
    void qualificationLabelComesFromTheDates() {
        QFETCH(QVariantList, dates);
        QFETCH(QString, stored);
        QFETCH(QColor, background);
        PinnedClock pin(QDate(2026, 3, 1));
        Window w([&](TestDatabase& t) { addSupplier(t, "样本供应商", dates, stored); });
        const QStandardItem* cell = w.model->item(0, 11);
        QTEST(cell->text(), "label");
        QCOMPARE(cell->background().style(), background.isValid() ? Qt::SolidPattern : Qt::NoBrush);
        if (background.isValid()) {
            QCOMPARE(cell->background().color(), background);
            QCOMPARE(cell->foreground().color(), QColor(255, 255, 255));
        }
        for (int c = 0; c < 13; ++c) // no other cell is coloured
            QVERIFY(c == 11 || w.model->item(0, c)->background().style() == Qt::NoBrush);
    }

    // The search looks at names only. A refused add loses what was typed; a good one lists everything and
    // keeps the search text.
    void searchingAndAdding() {
        PinnedClock pin(QDate(2026, 3, 1));
        Window w;
        w.searchFor("李娜"); // a contact person
        QVERIFY(w.names().isEmpty());
        w.search->setText(" 国药  ");
        QTest::keyClick(w.search, Qt::Key_Return);
        QCOMPARE(w.names(), QStringList{"国药控股"});
        w.answerForm("editContactName", "张三");
        w.click("btnAdd");
        QCOMPARE(lastPrompt(), QStringLiteral("提示供应商名称不能为空"));
        QCOMPARE(w.t.count("supplier"), 4);

        w.answerForm("editName", "上药");
        w.click("btnAdd");
        QCOMPARE(lastPrompt(), QStringLiteral("成功供应商已添加"));
        QCOMPARE(w.search->text(), QStringLiteral(" 国药  "));
        QCOMPARE(w.names(), (QStringList{"上药", "九州通医药", "国药控股", "华东医药"}));
        QCOMPARE(w.t.count("supplier",
                           "name = '上药' AND license_expire_date = '2031-03-01' AND "
                           "business_license_expire_date = '2036-03-01' AND status = 'active' AND "
                           "qualification_status = 'valid'"),
                 1);
    }

    // An edit keeps dates never recorded empty and scope entries outside the form's options, and the filter.
    void editingKeepsWhatTheFormCannotShow() {
        Window w;
        const int id =
            addSupplier(w.t, "国药集团", {QVariant(QVariant::String), "2030-01-01", "2028-01-01", ""});
        w.t.exec("UPDATE supplier SET business_scope = '保健食品,中成药' WHERE id = ?", {id});
        w.searchFor("国药");
        w.answerForm("editContactPhone", "021-6666");
        doubleClickCell(w.table, w.model->index(0, 3));
        QCOMPARE(lastPrompt(), QStringLiteral("成功供应商已更新"));
        QCOMPARE(w.t.count("supplier",
                           "id = ? AND contact_phone = '021-6666' AND license_expire_date IS NULL AND "
                           "tax_reg_expire_date IS NULL AND business_scope = '中成药,保健食品'",
                           {id}),
                 1);
        QCOMPARE(w.names(), (QStringList{"国药集团", "国药控股"}));

        w.searchFor(QString());
        w.click("btnEdit");
        QCOMPARE(lastPrompt(), QStringLiteral("提示请先选择要编辑的供应商"));
    }

    void deletingSuspends() {
        Window w;
        w.click("btnDelete");
        QCOMPARE(lastPrompt(), QStringLiteral("提示请先选择要删除的供应商"));
        w.searchFor("医药");
        w.makeCurrent(w.rowOf("九州通医药"));
        Prompts::queueQuestion(false);
        w.click("btnDelete");
        QCOMPARE(lastPrompt(), QStringLiteral("确认删除确定要删除供应商 \"九州通医药\" 吗？"));
        QCOMPARE(w.t.count("supplier", "status = 'active'"), 3);

        Prompts::queueQuestion(true);
        w.click("btnDelete");
        QCOMPARE(lastPrompt(), QStringLiteral("成功供应商已删除"));
        QCOMPARE(w.t.count("supplier", "name = '九州通医药' AND status = 'suspended'"), 1);
        QCOMPARE(w.names(), QStringList{"华东医药"});
        QCOMPARE(w.count->text(), QStringLiteral("共 1 条记录"));
    }
};

QTEST_MAIN(TestSupplierManagerWindow)
#include "tst_suppliermanagerwindow.moc"
