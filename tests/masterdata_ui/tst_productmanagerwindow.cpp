#include "tests/masterdata_ui/guidriver.h"
#include "ui/masterdata/productdialog.h"
#include "ui/masterdata/productmanagerwindow.h"

#include <QMessageBox>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

// Three listed drugs and one deleted drug that still holds barcode 6904.
struct Window : ListWindow<ProductManagerWindow> {
    Window()
        : ListWindow(1, [](TestDatabase& t) {
              addDrug(t, "6901", "板蓝根颗粒", "BLGKL");
              addDrug(t, "6902", "阿莫西林胶囊", "AMXLJN", true);
              addDrug(t, "6903", "感冒灵颗粒", "GMLKL");
              addDrug(t, "6904", "已删除药", "YSCY", false, 0);
          }) {}
    void answerForm(const char* field, const QString& text, const QString& barcode = QString()) {
        whenModal<ProductDialog>(window.get(), [=](ProductDialog* d) {
            if (!barcode.isNull())
                d->findChild<QLineEdit*>("editBarcode")->setText(barcode);
            fillAndAccept(d, field, text);
        });
    }
};

const QStringList everyDrug{"感冒灵颗粒", "阿莫西林胶囊", "板蓝根颗粒"};

} // namespace

class TestProductManagerWindow : public QObject {
    Q_OBJECT
private slots:
    void listsListedDrugsNewestFirst() {
        Window w;
        QCOMPARE(rowTexts(w.model, 1),
                 (QStringList{"6902", "阿莫西林胶囊", "AMXLJN", "10g*12袋", "国药准字Z1", "白云山", "OTC甲类",
                              "常温", "是", "盒", "9.50", "15.00"}));
        QCOMPARE(w.idAt(1), 2);
        QVERIFY(!w.window->findChild<QPushButton*>("btnImport")->isEnabled());
    }

    void searchesNameBarcodeAndMnemonic_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("name") << "颗粒" << QStringList{"感冒灵颗粒", "板蓝根颗粒"};
        QTest::newRow("barcode") << "6902" << QStringList{"阿莫西林胶囊"};
        QTest::newRow("mnemonic, lower case, blanks") << "  gml " << QStringList{"感冒灵颗粒"};
        QTest::newRow("blanks only") << "   " << everyDrug;
        QTest::newRow("deleted drug") << "6904" << QStringList{};
    }
    void searchesNameBarcodeAndMnemonic() {
        QFETCH(QStringList, names);
        Window w;
        QFETCH(QString, text);
        w.search->setText(text);
        QTest::keyClick(w.search, Qt::Key_Return);
        QCOMPARE(w.names(), names);
        QCOMPARE(w.count->text(), QStringLiteral("共 %1 条记录").arg(names.size()));
    }

    // A refused add reloads nothing; a good one lists every drug and keeps the search text. Drugs without a
    // barcode can be added freely, a deleted drug's barcode cannot be reused.
    void adding() {
        Window w;
        w.searchFor("板蓝根");
        w.makeCurrent(0);
        w.answerForm("editName", "", "7001");
        w.click("btnAdd");
        QCOMPARE(lastPrompt(), QStringLiteral("提示药品名称不能为空"));
        w.answerForm("editName", "新药", "6904");
        w.click("btnAdd");
        QCOMPARE(lastPrompt(), QStringLiteral("错误新增商品失败"));
        QCOMPARE(w.table->currentIndex().row(), 0);

        for (const QString& name : QStringList{"布洛芬缓释胶囊", "当归片"}) {
            w.answerForm("editName", name);
            w.click("btnAdd");
            QCOMPARE(lastPrompt(), QStringLiteral("成功商品已添加"));
        }
        QCOMPARE(w.search->text(), QStringLiteral("板蓝根"));
        QCOMPARE(w.names(), QStringList({"当归片", "布洛芬缓释胶囊"}) + everyDrug);
        QCOMPARE(w.t.count("product", "barcode IS NULL AND status = 1"), 2);
    }

    // Every reload drops the current row. The form shows the stored drug, not the table's copy; the edit
    // keeps id, status and the filter.
    void editing() {
        Window w;
        w.makeCurrent(0);
        w.searchFor("颗粒");
        w.click("btnEdit");
        QCOMPARE(lastPrompt(), QStringLiteral("提示请先选择要编辑的商品"));
        const int row = w.rowOf("板蓝根颗粒");
        const int id = w.idAt(row);
        w.t.exec("UPDATE product SET name = '板蓝根(新)', mnemonic_code = 'blg', status = 0 WHERE id = ?",
                 {id});
        w.answerForm("editSpec", "5g*20袋");
        doubleClickCell(w.table, w.model->index(row, 2));
        QCOMPARE(lastPrompt(), QStringLiteral("成功商品已更新"));
        QCOMPARE(w.t.count("product",
                           "id = ? AND name = '板蓝根(新)' AND mnemonic_code = 'BLG' AND "
                           "specification = '5g*20袋' AND status = 0",
                           {id}),
                 1);
        QCOMPARE(w.names(), QStringList{"感冒灵颗粒"});

        w.makeCurrent(0);
        w.answerForm("editBarcode", "6901"); // another drug's
        w.click("btnEdit");
        QCOMPARE(lastPrompt(), QStringLiteral("错误编辑商品失败"));
    }

    void deletingAsksAndSoftDeletes() {
        Window w;
        w.makeCurrent(0);
        w.searchFor(" 颗粒 ");
        w.click("btnDelete");
        QCOMPARE(lastPrompt(), QStringLiteral("提示请先选择要删除的商品"));
        const int row = w.rowOf("板蓝根颗粒");
        const int id = w.idAt(row);
        w.makeCurrent(row);
        Prompts::queueQuestion(false);
        w.click("btnDelete");
        QCOMPARE(lastPrompt(), QStringLiteral("确认删除确定要删除商品 \"板蓝根颗粒\" 吗？"));
        QCOMPARE(w.t.count("product", "status = 1"), 3);

        Prompts::queueQuestion(true);
        w.click("btnDelete");
        QCOMPARE(lastPrompt(), QStringLiteral("成功商品已删除"));
        QCOMPARE(w.t.count("product", "id = ? AND status = 0", {id}), 1);
        QCOMPARE(w.names(), QStringList{"感冒灵颗粒"});
        QCOMPARE(w.count->text(), QStringLiteral("共 1 条记录"));
    }

    // The seam shows real message boxes outside tests, and a name with markup reads as typed.
    void realQuestionShowsTheNameAsTyped() {
        Window w;
        w.t.exec("UPDATE product SET name = '<b>板蓝根</b>' WHERE barcode = '6903'");
        w.searchFor(QString());
        w.makeCurrent(0);
        Prompts::setTestMode(false);
        QString text;
        Qt::TextFormat format = Qt::AutoText;
        whenModal<QMessageBox>(w.window.get(), [&](QMessageBox* box) {
            text = box->text();
            format = box->textFormat();
            box->button(QMessageBox::No)->click();
        });
        w.click("btnDelete");
        Prompts::setTestMode(true);
        QCOMPARE(text, QStringLiteral("确定要删除商品 \"<b>板蓝根</b>\" 吗？"));
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(w.t.count("product", "status = 1"), 3);
    }
};

QTEST_MAIN(TestProductManagerWindow)
#include "tst_productmanagerwindow.moc"
