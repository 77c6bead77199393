#include "tests/support/logcapture.h"
#include "tests/support/modalanswer.h"
#include "tests/support/modeltexts.h"
#include "tests/support/otherwriter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/prompttrail.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/masterdata/productdialog.h"
#include "ui/masterdata/productmanagerwindow.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/masterdata/supplierdialog.h"
#include "ui/masterdata/suppliermanagerwindow.h"
#include "ui/masterdata/supplierselectiondialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate today(2026, 3, 1);

void click(QWidget* window, const char* button) {
    window->findChild<QPushButton*>(button)->click();
}

QTableView* tableOf(const QWidget* window) {
    return window->findChild<QTableView*>("tableView");
}

// Types into the search field and presses the search button, or Return; the names then listed.
QString search(QWidget* window, const QString& text, int nameColumn = 1, bool pressReturn = false) {
    auto* edit = window->findChild<QLineEdit*>("editSearch");
    edit->setText(text);
    pressReturn ? QTest::keyClick(edit, Qt::Key_Return) : click(window, "btnSearch");
    return texts(tableOf(window)->model(), -1, nameColumn);
}

// The first click makes the row current, as a user's does.
void doubleClickRow(QAbstractItemView* view, int row) {
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QPoint cell = view->visualRect(view->model()->index(row, 2)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
}

void addDrug(TestDatabase& t, const QString& barcode, const QString& name, const QString& mnemonic,
             bool prescription = false, int status = 1) {
    t.exec("INSERT INTO product (barcode, name, mnemonic_code, specification, approval_no, manufacturer, "
           "category, storage_condition, is_prescription, unit, purchase_price, sale_price, status) "
           "VALUES (?, ?, ?, '10g*12袋', '国药准字Z1', '白云山', 'OTC甲类', '常温', ?, '盒', 9.5, 15, ?)",
           {barcode, name, mnemonic, prescription ? 1 : 0, status});
}

// Licence, business licence, GSP and tax expiry dates.
const QVariantList inForce{"2028-01-01", "2030-01-01", "2028-01-01", "2028-01-01"};

void addSupplier(TestDatabase& t, const QString& name, const QVariantList& dates = inForce,
                 const QString& qualification = "valid", const QString& status = "active") {
    t.exec(
        "INSERT INTO supplier (name, license_no, business_license_no, business_scope, address, "
        "contact_name, contact_phone, license_expire_date, business_license_expire_date, gsp_cert_no, "
        "gsp_cert_expire_date, tax_reg_no, tax_reg_expire_date, qualification_status, status) VALUES "
        "(?, 'L-1', 'B-1', '中成药,抗生素', '杭州', '李娜', '13800001111', ?, ?, 'G-1', ?, 'T-1', ?, ?, ?)",
        QVariantList{name} + dates + QVariantList{qualification, status});
}

// Three listed drugs and a deleted one that still holds barcode 6904; three active suppliers and a
// suspended one.
void seed(TestDatabase& t) {
    addDrug(t, "6901", "板蓝根颗粒", "BLGKL");
    addDrug(t, "6902", "阿莫西林胶囊", "AMXLJN", true);
    addDrug(t, "6903", "感冒灵颗粒", "GMLKL");
    addDrug(t, "6904", "已删除药", "YSCY", false, 0);
    addSupplier(t, "华东医药");
    addSupplier(t, "国药控股");
    addSupplier(t, "已停用公司", inForce, "valid", "suspended");
    addSupplier(t, "九州通医药");
}

// A shown list window on a seeded database.
template <typename Window, typename Form, int nameColumn> struct List {
    explicit List(const std::function<void(TestDatabase&)>& fill = seed) : seeded((fill(t), true)) {
        window.show();
    }
    QString searchFor(const QString& text, bool pressReturn = false) {
        return search(&window, text, nameColumn, pressReturn);
    }
    // Opens the form with `button`, or by double-clicking `row`, types {field, text, ...}, lets `meanwhile`
    // happen and presses OK. A form that comes back after a failed write is cancelled; returns the typed
    // fields' texts it held then.
    QString viaForm(const QStringList& typed, const char* button = "btnAdd", int row = -1,
                    const std::function<void()>& meanwhile = {}) {
        QStringList shownAgain;
        int showings = 0;
        ModalAnswer<Form> answer(
            [&](Form* form) {
                auto* buttons = form->template findChild<QDialogButtonBox*>();
                for (int i = 0; i + 1 < typed.size(); i += 2) {
                    auto* field = form->template findChild<QLineEdit*>(typed[i]);
                    showings ? void(shownAgain << field->text()) : field->setText(typed[i + 1]);
                }
                if (!showings && meanwhile)
                    meanwhile();
                buttons->button(showings++ ? QDialogButtonBox::Cancel : QDialogButtonBox::Ok)->click();
            },
            true);
        row < 0 ? click(&window, button) : doubleClickRow(tableOf(&window), row);
        return shownAgain.join('|');
    }
    QString names() const { return texts(tableOf(&window)->model(), -1, nameColumn); }
    void makeCurrent(const QString& name) {
        tableOf(&window)->setCurrentIndex(
            tableOf(&window)->model()->index(names().split('|').indexOf(name), 1));
    }
    QString count() const { return window.template findChild<QLabel*>("labelCount")->text(); }

    TestDatabase t;
    bool seeded; // before the window loads
    Window window;
};
using Drugs = List<ProductManagerWindow, ProductDialog, 1>;
using Suppliers = List<SupplierManagerWindow, SupplierDialog, 0>;

// "No" keeps the row, and so does "yes" while another program holds the file locked, saying so; then "yes"
// marks it dead (`dead`: table and condition) and reloads with the search kept.
template <typename L>
void deleteAsking(const QString& search, const QString& name, const QString& what, const QString& dead,
                  const QString& left) {
    const QString deadSql = "SELECT count(*) FROM " + dead + " AND name = ?";
    const ShortBusyWait wait;
    L w;
    w.searchFor(search);
    w.makeCurrent(name);
    Prompts::queueQuestion(false);
    click(&w.window, "btnDelete");
    QCOMPARE(w.t.scalar(deadSql, {name}).toInt(), 0);
    {
        const OtherWriter other(w.t.path());
        Prompts::queueQuestion(true);
        click(&w.window, "btnDelete");
    }
    QCOMPARE(w.t.scalar(deadSql, {name}).toInt(), 0);
    Prompts::queueQuestion(true);
    click(&w.window, "btnDelete");
    QCOMPARE(w.t.scalar(deadSql, {name}).toInt(), 1);
    const QString asked = QStringLiteral("确认删除确定要删除%1 \"%2\" 吗？|").arg(what, name);
    QCOMPARE(takePrompts() + w.names() + w.count(), asked + asked + "错误删除" + what +
                                                        "失败\n数据库正被其他程序占用，请稍后重试|" + asked +
                                                        "成功" + what + "已删除" + left + "共 1 条记录");
}

// Every member the forms edit, in order, so a round trip catches two fields swapped.
QStringList edited(const models::Supplier& s) {
    return QStringList() << s.name << s.licenseNo << s.businessLicenseNo << s.businessScope.join('|')
                         << s.address << s.contactName << s.contactPhone << s.licenseExpireDate
                         << s.businessLicenseExpireDate << s.gspCertNo << s.gspCertExpireDate << s.taxRegNo
                         << s.taxRegExpireDate << s.status << QString::number(s.id) << s.qualificationStatus;
}

// The flag and both prices go into one number; swapped prices change it.
QStringList edited(const models::Product& p) {
    return QStringList() << p.name << p.barcode << p.mnemonicCode << p.specification << p.approvalNo
                         << p.manufacturer << p.category << p.storageCondition << p.unit
                         << QString::number(p.isPrescription + p.purchasePrice * 10 + p.salePrice * 1000)
                         << QString::number(p.id) << QString::number(p.status);
}

// 阿莫西林 (prescription, in stock), 头孢 (prescription, no stock), 维C (in stock until tomorrow), 板蓝根
// (its stock expired yesterday, its fresh batch is empty), 已删除 (deleted, in stock).
void seedStock(TestDatabase& t) {
    addDrug(t, "6901", "阿莫西林胶囊", "6901X", true);
    addDrug(t, "6902", "头孢克肟片", "6902X", true);
    addDrug(t, "6903", "维生素C片", "6903X");
    addDrug(t, "6904", "板蓝根颗粒", "6904X");
    addDrug(t, "6905", "已删除胶囊", "6905X", true, 0);
    t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES "
           "(1, 'B1', '2027-01-01', 10), (3, 'B1', '2026-03-02', 5), (4, 'B1', '2026-02-28', 8), "
           "(4, 'B2', '2027-02-28', 0), (5, 'B1', '2027-01-01', 3)");
}

} // namespace

// The drug and supplier windows, forms and pickers.
class TestMasterdataUi : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }

    // Rows show the stored values formatted; every reload drops the current row.
    void listsShowRowsAndForgetTheChoiceOnReload() {
        PinnedClock pin(today);
        Suppliers s;
        QCOMPARE(texts(tableOf(&s.window)->model(), 0),
                 QStringLiteral("九州通医药|L-1|B-1|G-1|T-1|中成药、抗生素|李娜|13800001111|2028-01-01|"
                                "2030-01-01|2028-01-01|有效|正常"));
        Drugs d;
        QCOMPARE(texts(tableOf(&d.window)->model(), 1),
                 QStringLiteral(
                     "6902|阿莫西林胶囊|AMXLJN|10g*12袋|国药准字Z1|白云山|OTC甲类|常温|是|盒|9.50|15.00"));
        d.makeCurrent("板蓝根颗粒");
        d.searchFor("颗粒");
        click(&d.window, "btnEdit");
        click(&d.window, "btnDelete");
        QCOMPARE(takePrompts(), QStringLiteral("提示请先选择要编辑的商品|提示请先选择要删除的商品"));
    }

    // Drugs by name, barcode or mnemonic; suppliers by name only. Blanks around the text do not count.
    void listSearch() {
        Drugs d;
        Suppliers s;
        QStringList seen;
        for (const char* text : {"颗粒", "6902", "  gml ", "   ", "6904"})
            seen << d.searchFor(text, true) << d.count();
        for (const char* text : {" 国药  ", "李娜", ""})
            seen << s.searchFor(text, true) << s.count();
        QCOMPARE(seen.join(' '),
                 QStringLiteral(
                     "感冒灵颗粒|板蓝根颗粒 共 2 条记录 阿莫西林胶囊 共 1 条记录 感冒灵颗粒 共 1 条记录 "
                     "感冒灵颗粒|阿莫西林胶囊|板蓝根颗粒 共 3 条记录  共 0 条记录 "
                     "国药控股 共 1 条记录  共 0 条记录 九州通医药|国药控股|华东医药 共 3 条记录"));
    }

    // A refused add reloads nothing; drugs without a barcode add freely (stored NULL), a deleted drug's
    // barcode cannot be reused; a good add lists every drug and keeps the search text.
    void addingDrugs() {
        Drugs w;
        w.searchFor("板蓝根");
        w.makeCurrent("板蓝根颗粒");
        // The failed add shows the form again holding what was typed.
        QCOMPARE(w.viaForm({"editBarcode", "6904", "editName", "新药"}), QStringLiteral("6904|新药"));
        QCOMPARE(takePrompts() + QString::number(tableOf(&w.window)->currentIndex().row()),
                 QStringLiteral("错误新增商品失败\n条码 6904 已被商品「已删除药」使用0"));
        // So does a form without a name.
        QCOMPARE(w.viaForm({"editSpec", "10片", "editManufacturer", "白云山"}),
                 QStringLiteral("10片|白云山"));
        w.viaForm({"editName", "布洛芬缓释胶囊"});
        w.viaForm({"editName", "当归片"});
        QCOMPARE(takePrompts() + w.names() +
                     QString::number(w.t.count("product", "barcode IS NULL AND status = 1")),
                 QStringLiteral(
                     "提示药品名称不能为空|成功商品已添加|成功商品已添加当归片|布洛芬缓释胶囊|感冒灵颗粒|"
                     "阿莫西林胶囊|板蓝根颗粒2"));
        QCOMPARE(w.window.findChild<QLineEdit*>("editSearch")->text(), QStringLiteral("板蓝根"));
    }

    // The form shows the stored drug, not the table's copy; the edit keeps id, status and the filter.
    void editingDrugs() {
        Drugs w;
        w.searchFor("颗粒");
        w.t.exec("UPDATE product SET name = '板蓝根(新)', mnemonic_code = 'blg', status = 0 WHERE id = 1");
        w.viaForm({"editSpec", "5g*20袋"}, nullptr, 1);
        QVERIFY(w.t.count("product", "id = 1 AND name = '板蓝根(新)' AND mnemonic_code = 'BLG' AND "
                                     "specification = '5g*20袋' AND status = 0") == 1);
        w.makeCurrent("感冒灵颗粒");
        QCOMPARE(w.viaForm({"editBarcode", "6902"}, "btnEdit"), QStringLiteral("6902")); // another drug's
        QCOMPARE(takePrompts() + w.names(),
                 QStringLiteral(
                     "成功商品已更新|错误编辑商品失败\n条码 6902 已被商品「阿莫西林胶囊」使用感冒灵颗粒"));
    }

    // A file renamed over the path (a restore while the program runs): the save says so in the user's words,
    // naming the copy that keeps what the program had saved, and so does the next one, nothing is written,
    // and the form comes back as typed.
    void replacedFileRefusesEverySave_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("failed");
        QTest::newRow("add") << "btnAdd"
                             << "新增商品失败";
        QTest::newRow("edit") << "btnEdit"
                              << "编辑商品失败";
    }
    void replacedFileRefusesEverySave() {
        QFETCH(QString, button);
        QFETCH(QString, failed);
        QString why = "\n数据库文件已被其他程序替换，本次修改未保存，请重新启动程序";
        Drugs w;
        w.makeCurrent("感冒灵颗粒");
        renameCopyOver(w.t.db(), w.t.path());
        LogCapture log;
        QCOMPARE(w.viaForm({"editName", "布洛芬", "editSpec", "0.3g*20粒"}, qPrintable(button)),
                 QStringLiteral("布洛芬|0.3g*20粒"));
        w.viaForm({"editName", "当归片"});
        const QString kept = w.t.db()->replacedFileCopy().path;
        QVERIFY(kept.startsWith(w.t.folder() + "/backup/kestrovalin_replaced_"));
        why += "\n替换前本程序保存的数据已另存为：" + kept;
        QCOMPARE(takePrompts(), "错误" + failed + why + "|错误新增商品失败" + why);
        QCOMPARE(w.t.count("product", "name IN ('布洛芬', '当归片')"), 0);
        // The add is one statement that the commit hook refuses: the log names the file, not the driver's
        // text.
        QCOMPARE(log.count("constraint failed"), 0);
    }

    // A refused add writes nothing and its form comes back as typed; a good one lists every supplier and
    // keeps the search text.
    void addingSuppliers() {
        Suppliers w;
        w.searchFor("国药");
        QCOMPARE(w.viaForm({"editContactName", "张三", "editAddress", "杭州"}), QStringLiteral("张三|杭州"));
        w.viaForm({"editName", "上药"});
        QCOMPARE(takePrompts() + w.names() + QString::number(w.t.count("supplier")),
                 QStringLiteral("提示供应商名称不能为空|成功供应商已添加上药|九州通医药|国药控股|华东医药5"));
        QCOMPARE(w.window.findChild<QLineEdit*>("editSearch")->text(), QStringLiteral("国药"));
    }

    // A supplier write that fails shows its error and then the form again, holding what was typed; cancelled
    // then, nothing is stored.
    void failedSupplierWriteShowsTheFormAgain() {
        Suppliers w;
        w.t.exec(
            "CREATE TRIGGER refuse_insert BEFORE INSERT ON supplier BEGIN SELECT RAISE(ABORT, 'no'); END");
        w.t.exec(
            "CREATE TRIGGER refuse_update BEFORE UPDATE ON supplier BEGIN SELECT RAISE(ABORT, 'no'); END");
        QCOMPARE(w.viaForm({"editName", "上药", "editContactName", "张三"}), QStringLiteral("上药|张三"));
        w.makeCurrent("国药控股");
        QCOMPARE(w.viaForm({"editContactPhone", "021-1"}, "btnEdit"), QStringLiteral("021-1"));
        QCOMPARE(takePrompts() + w.names(),
                 QStringLiteral("错误新增供应商失败|错误编辑供应商失败九州通医药|国药控股|华东医药"));
        QCOMPARE(w.t.count("supplier", "name = '上药' OR contact_phone = '021-1'"), 0);
    }

    // Another program changes the supplier while its form is open here: the save is refused with the reason
    // under the failure, the form ends (it could never be saved) and the other program's change stays. The
    // list is read again, and the supplier opened again, as the message asks, is saved.
    void supplierChangedElsewhereIsNotOverwritten() {
        Suppliers w;
        w.makeCurrent("国药控股");
        const QString typed = w.viaForm({"editContactPhone", "021-1"}, "btnEdit", -1, [&] {
            w.t.exec("UPDATE supplier SET name = '国药控股集团' WHERE name = '国药控股'");
        });
        QCOMPARE(typed + takePrompts(":") + "|" + w.names(),
                 QStringLiteral("错误:编辑供应商失败\n该记录已被修改，请重新打开后再编辑|"
                                "九州通医药|国药控股集团|华东医药"));
        w.makeCurrent("国药控股集团");
        w.viaForm({"editContactPhone", "021-1"}, "btnEdit");
        QCOMPARE(takePrompts(":") + "|" +
                     w.t.scalar("SELECT name || '/' || contact_phone FROM supplier WHERE id = 2").toString(),
                 QStringLiteral("成功:供应商已更新|国药控股集团/021-1"));
    }

    // The drug and supplier forms open with the name field focused, so what is typed first lands there.
    void formsTakeTypingInTheirFirstField() {
        ProductDialog product;
        SupplierDialog supplier;
        for (QDialog* form : QList<QDialog*>{&product, &supplier}) {
            form->show();
            QVERIFY(QTest::qWaitForWindowActive(form));
            QTest::keyClicks(nullptr, "abc");
            QCOMPARE(form->findChild<QLineEdit*>("editName")->text(), QStringLiteral("abc"));
            form->hide();
        }
    }

    // Dates never recorded stay empty and scope entries outside the form's options survive an edit.
    void editingSupplierKeepsWhatTheFormCannotShow() {
        Suppliers w;
        addSupplier(w.t, "国药集团", {QVariant(QVariant::String), "2030-01-01", "2028-01-01", ""});
        w.t.exec("UPDATE supplier SET business_scope = '保健食品,中成药' WHERE id = 5");
        w.searchFor("国药");
        w.viaForm({"editContactPhone", "021-6666"}, nullptr, 0);
        QCOMPARE(takePrompts() + w.names(), QStringLiteral("成功供应商已更新国药集团|国药控股"));
        QVERIFY(w.t.count("supplier",
                          "id = 5 AND contact_phone = '021-6666' AND license_expire_date IS NULL AND "
                          "tax_reg_expire_date IS NULL AND business_scope = '中成药,保健食品'") == 1);
    }

    void deletingAsksThenSoftDeletes() {
        deleteAsking<Drugs>(" 颗粒 ", "板蓝根颗粒", "商品", "product WHERE status = 0", "感冒灵颗粒");
        deleteAsking<Suppliers>("医药", "九州通医药", "供应商", "supplier WHERE status = 'suspended'",
                                "华东医药");
    }

    // Outside tests the seam shows a real message box, and a name with markup reads as typed.
    void realQuestionShowsTheNameAsTyped() {
        Drugs w([](TestDatabase& t) { addDrug(t, "6901", "<b>板蓝根</b>", "BLG"); });
        w.makeCurrent("<b>板蓝根</b>");
        Prompts::setTestMode(false);
        QString shown;
        ModalAnswer<QMessageBox> answer([&](QMessageBox* box) {
            shown = box->text() + QString::number(box->textFormat());
            box->button(QMessageBox::No)->click();
        });
        click(&w.window, "btnDelete");
        QCOMPARE(shown + QString::number(w.t.count("product", "status = 1")),
                 QStringLiteral("确定要删除商品 \"<b>板蓝根</b>\" 吗？01"));
    }

    // Computed from the dates against the local day; only that cell is coloured.
    void qualificationLabel_data() {
        QTest::addColumn<QVariantList>("dates");
        QTest::addColumn<QString>("look");
        const QString red = "已过期 11 #ff0000 #ffffff", yellow = "即将到期 11 #808000 #ffffff";
        QTest::newRow("licence yesterday") << QVariantList{"2026-02-28", "2030-01-01", "", ""} << red;
        QTest::newRow("gsp in 30 days") << QVariantList{"", "", "2026-03-31", ""} << yellow;
        QTest::newRow("gsp in 31 days") << QVariantList{"", "", "2026-04-01", ""} << "有效";
        QTest::newRow("tax today, not shown") << QVariantList{"", "", "", "2026-03-01"} << yellow;
        QTest::newRow("unparseable") << QVariantList{"2027/01/01", "", "", ""} << red;
        QTest::newRow("expired wins") << QVariantList{"2025-12-31", "2026-03-10", "", ""} << red;
    }
    void qualificationLabel() {
        QFETCH(QVariantList, dates);
        PinnedClock pin(today);
        Suppliers w([&](TestDatabase& t) { addSupplier(t, "样本供应商", dates); });
        const QAbstractItemModel* model = tableOf(&w.window)->model();
        QStringList seen{model->index(0, 11).data().toString()};
        for (int c = 0; c < model->columnCount(); ++c) {
            const QBrush background = model->index(0, c).data(Qt::BackgroundRole).value<QBrush>();
            if (background.style() != Qt::NoBrush)
                seen << QString::number(c) << background.color().name()
                     << model->index(0, c).data(Qt::ForegroundRole).value<QBrush>().color().name();
        }
        QTEST(seen.join(' '), "look");
    }

    // Every field round-trips (the caller puts the id back). A date never recorded stays unrecorded; one that
    // does not parse falls back to the default. Scope entries outside the eight options are kept, and do not
    // carry over to the next supplier shown.
    void supplierRoundTripsThroughTheForm() {
        PinnedClock pin(today);
        const QStringList scope{"中成药", "抗生素"};
        models::Supplier in{7,     "name",       "lic",        "blic",       scope,     "addr",
                            "who", "tel",        "2027-06-30", "2035-01-15", "gsp",     "2026-12-31",
                            "tax", "2028-03-01", "expiring",   "suspended",  QString(), QString()};
        SupplierDialog dialog;
        dialog.setSupplier(in);
        in.id = -1;
        in.qualificationStatus = "valid";
        QCOMPARE(edited(dialog.getSupplier()), edited(in));

        in.licenseExpireDate.clear();
        in.taxRegExpireDate = "2027/05/01";
        in.businessScope = QStringList{"保健食品", "中成药"};
        SupplierDialog edit; // an unparseable date keeps what the form showed before
        edit.setSupplier(in);
        const models::Supplier out = edit.getSupplier();
        QVERIFY(out.licenseExpireDate.isNull()); // stored as NULL
        QCOMPARE(out.taxRegExpireDate + out.businessScope.join('|'),
                 QStringLiteral("2031-03-01中成药|保健食品"));
        in.businessScope = QStringList{"医疗器械"};
        edit.setSupplier(in);
        QCOMPARE(edit.findChild<QListWidget*>("listBusinessScope")->count(), 8);
        QCOMPARE(edit.getSupplier().businessScope, QStringList{"医疗器械"});

        PinnedClock leapDay(QDate(2024, 2, 29)); // a new supplier's: five and ten years from the local day
        const models::Supplier s = SupplierDialog().getSupplier();
        QCOMPARE(s.licenseExpireDate + s.gspCertExpireDate + s.taxRegExpireDate + s.businessLicenseExpireDate,
                 QString("2029-02-28").repeated(3) + "2034-02-28");
    }

    // The mnemonic code is upper-cased when read; stored choices outside the fixed lists are kept.
    void productRoundTripsThroughTheForm_data() {
        QTest::addColumn<QStringList>("choices"); // category, storage condition, unit
        QTest::newRow("listed") << QStringList{"处方药", "阴凉", "瓶"};
        QTest::newRow("unlisted") << QStringList{"保健品", "2-8℃", "支"};
        QTest::newRow("case differs, empty") << QStringList{"otc甲类", "常温", ""};
    }
    void productRoundTripsThroughTheForm() {
        QFETCH(QStringList, choices);
        models::Product in{12,      "6901",     "name",     "amxl",   "specification", "appr",
                           "maker", choices[0], choices[1], true,     choices[2],      8.5,
                           12.8,    0,          QString(),  QString()};
        ProductDialog dialog;
        dialog.setProduct(in);
        in.id = -1;
        in.status = 1;
        in.mnemonicCode = "AMXL";
        QCOMPARE(edited(dialog.getProduct()), edited(in));
    }

    // Prescription before stock; only the name is searched.
    void productPickerHonoursItsFlags() {
        PinnedClock pin(today);
        TestDatabase t;
        seedStock(t);
        QStringList seen;
        for (int flags = 0; flags < 4; ++flags) {
            ProductSelectionDialog dialog(nullptr, flags & 1, flags & 2); // stock, prescription
            seen << search(&dialog, "   ") << search(&dialog, "片") << search(&dialog, "6903X");
        }
        QCOMPARE(seen.join(' '),
                 QStringLiteral("板蓝根颗粒|维生素C片|头孢克肟片|阿莫西林胶囊 维生素C片|头孢克肟片  "
                                "维生素C片|阿莫西林胶囊 维生素C片  头孢克肟片|阿莫西林胶囊 头孢克肟片  "
                                "头孢克肟片|阿莫西林胶囊 头孢克肟片 "));
    }

    // Return in the search field only searches; "确定" without a choice then warns and stays; cancel gives
    // the default record; a double-click accepts the drug read afresh.
    void productPickerChoice() {
        TestDatabase t;
        seedStock(t);
        ProductSelectionDialog dialog(nullptr, false, false);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        tableOf(&dialog)->selectRow(0);
        dialog.findChild<QLineEdit*>("editSearch")->setFocus();
        QCOMPARE(search(&dialog, " 片 ", 1, true) + QString::number(dialog.isVisible()),
                 QStringLiteral("维生素C片|头孢克肟片1"));
        click(&dialog, "btnOk");
        QCOMPARE(takePrompts() + QString::number(dialog.isVisible()),
                 QStringLiteral("提示请先选择一个商品1"));
        tableOf(&dialog)->selectRow(1);
        click(&dialog, "btnCancel");
        QVERIFY(dialog.result() == QDialog::Rejected && !dialog.getSelectedProduct().isValid());
        dialog.show();
        t.exec("UPDATE product SET status = 0, name = '维C(停)' WHERE id = 3");
        doubleClickRow(tableOf(&dialog), 0);
        QVERIFY(dialog.result() == QDialog::Accepted && !dialog.isVisible());
        QCOMPARE(dialog.getSelectedProduct().name, QStringLiteral("维C(停)"));
    }

    // Active, qualified, every licence in force on the local day. "确定" accepts with or without a choice;
    // without one the default record comes back.
    void supplierPicker() {
        PinnedClock pin(today);
        TestDatabase t;
        addSupplier(t, "国药控股");
        addSupplier(t, "过期医药", QVariantList{"2026-02-28"} + inForce.mid(1));
        addSupplier(t, "停用医药", inForce, "valid", "suspended");
        addSupplier(t, "资质存疑医药", inForce, "expiring");
        addSupplier(t, "坏日期医药", QVariantList{"2027/01/01"} + inForce.mid(1));
        addSupplier(t, "今日到期医药", QVariantList{"2026-03-01"} + inForce.mid(1));
        SupplierSelectionDialog dialog(nullptr);
        QCOMPARE(
            (QStringList() << search(&dialog, "过期") << search(&dialog, " 医药 ") << search(&dialog, ""))
                .join('/'),
            QStringLiteral("/今日到期医药/今日到期医药|国药控股"));
        dialog.show();
        click(&dialog, "btnOk");
        QVERIFY(dialog.result() == QDialog::Accepted && dialog.getSelectedSupplier().id == -1);
        dialog.show();
        tableOf(&dialog)->selectRow(1);
        click(&dialog, "btnOk");
        QCOMPARE(dialog.getSelectedSupplier().name + QString::number(dialog.result()) + takePrompts(),
                 QStringLiteral("国药控股1"));
    }
};

KV_TEST_CLASS(TestMasterdataUi)
#include "tst_masterdataui.moc"
