#include "tests/support/modalanswer.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"
#include "ui/masterdata/productdialog.h"
#include "ui/masterdata/productmanagerwindow.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/masterdata/supplierdialog.h"
#include "ui/masterdata/suppliermanagerwindow.h"
#include "ui/masterdata/supplierselectiondialog.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate today(2026, 3, 1);

QString rowText(const QAbstractItemModel* model, int row) {
    QStringList out;
    for (int c = 0; c < model->columnCount(); ++c)
        out << model->index(row, c).data().toString();
    return out.join('|');
}

QStringList column(const QAbstractItemModel* model, int column) {
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, column).data().toString();
    return out;
}

// Every prompt so far, title and text joined.
QString prompts() {
    QStringList out;
    for (const Prompts::Record& r : Prompts::history())
        out << r.title + r.text;
    return out.join('|');
}

QString lastPrompt() {
    return Prompts::lastTitle() + Prompts::lastText();
}

// The first click makes the row current, as a user's does.
void doubleClickCell(QAbstractItemView* view, int row, int col) {
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QPoint cell = view->visualRect(view->model()->index(row, col)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
}

int addDrug(TestDatabase& t, const QString& barcode, const QString& name, const QString& mnemonic,
            bool prescription = false, int status = 1) {
    t.exec("INSERT INTO product (barcode, name, mnemonic_code, specification, approval_no, manufacturer, "
           "category, storage_condition, is_prescription, unit, purchase_price, sale_price, status) "
           "VALUES (?, ?, ?, '10g*12袋', '国药准字Z1', '白云山', 'OTC甲类', '常温', ?, '盒', 9.5, 15, ?)",
           {barcode, name, mnemonic, prescription ? 1 : 0, status});
    return t.scalar("SELECT max(id) FROM product").toInt();
}

// Licence, business licence, GSP and tax expiry dates.
const QVariantList inForce{"2028-01-01", "2030-01-01", "2028-01-01", "2028-01-01"};

int addSupplier(TestDatabase& t, const QString& name, const QVariantList& dates = inForce,
                const QString& qualification = "valid", const QString& status = "active") {
    t.exec(
        "INSERT INTO supplier (name, license_no, business_license_no, business_scope, address, "
        "contact_name, contact_phone, license_expire_date, business_license_expire_date, gsp_cert_no, "
        "gsp_cert_expire_date, tax_reg_no, tax_reg_expire_date, qualification_status, status) VALUES "
        "(?, 'L-1', 'B-1', '中成药,抗生素', '杭州', '李娜', '13800001111', ?, ?, 'G-1', ?, 'T-1', ?, ?, ?)",
        QVariantList{name} + dates + QVariantList{qualification, status});
    return t.scalar("SELECT max(id) FROM supplier").toInt();
}

// A shown list window on a fresh database.
template <typename Window, typename Form> struct List {
    List(int nameColumn, const std::function<void(TestDatabase&)>& seed)
        : nameColumn(nameColumn), seeded((seed(t), true)) {
        window.show();
        table = window.template findChild<QTableView*>("tableView");
        model = qobject_cast<QStandardItemModel*>(table->model());
        search = window.template findChild<QLineEdit*>("editSearch");
    }
    void click(const char* button) { window.template findChild<QPushButton*>(button)->click(); }
    void searchFor(const QString& text) {
        search->setText(text);
        click("btnSearch");
    }
    // Opens the form through `open`, types {field, text, ...} into it and presses OK.
    void viaForm(const std::function<void()>& open, const QStringList& typed) {
        ModalAnswer<Form> answer([&](Form* form) {
            for (int i = 0; i + 1 < typed.size(); i += 2)
                form->template findChild<QLineEdit*>(typed[i])->setText(typed[i + 1]);
            form->template findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        open();
    }
    void add(const QStringList& typed) {
        viaForm([this] { click("btnAdd"); }, typed);
    }
    QStringList names() const { return column(model, nameColumn); }
    int rowOf(const QString& name) const { return names().indexOf(name); }
    int idAt(int row) const { return model->index(row, 0).data(Qt::UserRole).toInt(); }
    void makeCurrent(int row) { table->setCurrentIndex(model->index(row, 1)); }
    QString count() const { return window.template findChild<QLabel*>("labelCount")->text(); }

    TestDatabase t;
    int nameColumn;
    bool seeded; // before the window loads
    Window window;
    QTableView* table;
    QStandardItemModel* model;
    QLineEdit* search;
};

// Three listed drugs and a deleted one that still holds barcode 6904.
struct Drugs : List<ProductManagerWindow, ProductDialog> {
    Drugs()
        : List(1, [](TestDatabase& t) {
              addDrug(t, "6901", "板蓝根颗粒", "BLGKL");
              addDrug(t, "6902", "阿莫西林胶囊", "AMXLJN", true);
              addDrug(t, "6903", "感冒灵颗粒", "GMLKL");
              addDrug(t, "6904", "已删除药", "YSCY", false, 0);
          }) {}
};
const QStringList everyDrug{"感冒灵颗粒", "阿莫西林胶囊", "板蓝根颗粒"};

struct Suppliers : List<SupplierManagerWindow, SupplierDialog> {
    explicit Suppliers(const std::function<void(TestDatabase&)>& seed =
                           [](TestDatabase& t) {
                               addSupplier(t, "华东医药");
                               addSupplier(t, "国药控股");
                               addSupplier(t, "已停用公司", inForce, "valid", "suspended");
                               addSupplier(t, "九州通医药");
                           })
        : List(0, seed) {}
};

// Asks first; "no" keeps the row, "yes" marks it dead (`dead`) and reloads with the search kept.
template <typename L>
void deleteAsking(L& w, const QString& search, const QString& name, const QString& what, const char* table,
                  const QString& dead, const QString& left) {
    w.searchFor(search);
    w.makeCurrent(w.rowOf(name));
    Prompts::queueQuestion(false);
    w.click("btnDelete");
    QCOMPARE(w.t.count(table, dead + " AND name = ?", {name}), 0);
    Prompts::queueQuestion(true);
    w.click("btnDelete");
    QCOMPARE(w.t.count(table, dead + " AND name = ?", {name}), 1);
    QCOMPARE(prompts(),
             QStringLiteral("确认删除确定要删除%1 \"%2\" 吗？|确认删除确定要删除%1 \"%2\" 吗？|成功%1已删除")
                 .arg(what, name));
    QCOMPARE(w.names() << w.count(), (QStringList{left, "共 1 条记录"}));
}

// Every member the forms edit, in order, so a round trip catches two fields swapped.
QStringList edited(const models::Supplier& s) {
    return QStringList() << s.name << s.licenseNo << s.businessLicenseNo << s.businessScope.join('|')
                         << s.address << s.contactName << s.contactPhone << s.licenseExpireDate
                         << s.businessLicenseExpireDate << s.gspCertNo << s.gspCertExpireDate << s.taxRegNo
                         << s.taxRegExpireDate << s.status;
}

QStringList edited(const models::Product& p) {
    return QStringList() << p.name << p.barcode << p.mnemonicCode << p.specification << p.approvalNo
                         << p.manufacturer << p.category << p.storageCondition
                         << QString::number(p.isPrescription) << p.unit << QString::number(p.purchasePrice)
                         << QString::number(p.salePrice);
}

void addBatch(TestDatabase& t, int productId, int quantity, const QString& expiry) {
    t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (?, 'B1', ?, ?)",
           {productId, expiry, quantity});
}

// 阿莫西林 (prescription, in stock), 头孢 (prescription, no stock), 维C (in stock until tomorrow), 板蓝根
// (its stock expired yesterday, its fresh batch is empty), 已删除 (deleted, in stock).
void seedStock(TestDatabase& t) {
    addBatch(t, addDrug(t, "6901", "阿莫西林胶囊", "6901X", true), 10, "2027-01-01");
    addDrug(t, "6902", "头孢克肟片", "6902X", true);
    addBatch(t, addDrug(t, "6903", "维生素C片", "6903X"), 5, "2026-03-02");
    const int banlangen = addDrug(t, "6904", "板蓝根颗粒", "6904X");
    addBatch(t, banlangen, 8, "2026-02-28");
    addBatch(t, banlangen, 0, "2027-02-28");
    addBatch(t, addDrug(t, "6905", "已删除胶囊", "6905X", true, 0), 3, "2027-01-01");
}

template <typename Dialog> QTableView* tableOf(Dialog& d) {
    return d.template findChild<QTableView*>("tableView");
}

template <typename Dialog> QStringList search(Dialog& d, const QString& text) {
    d.template findChild<QLineEdit*>("editSearch")->setText(text);
    d.template findChild<QPushButton*>("btnSearch")->click();
    return column(tableOf(d)->model(), 1);
}

template <typename Dialog> void press(Dialog& d, const char* button) {
    d.template findChild<QPushButton*>(button)->click();
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
        Drugs d;
        QCOMPARE(rowText(d.model, 1),
                 QStringLiteral(
                     "6902|阿莫西林胶囊|AMXLJN|10g*12袋|国药准字Z1|白云山|OTC甲类|常温|是|盒|9.50|15.00"));
        QCOMPARE(d.idAt(1), 2);
        d.makeCurrent(0);
        d.searchFor("颗粒");
        d.click("btnEdit");
        d.click("btnDelete");
        Suppliers s;
        QCOMPARE(rowText(s.model, 0),
                 QStringLiteral("九州通医药|L-1|B-1|G-1|T-1|中成药、抗生素|李娜|13800001111|"
                                "2028-01-01|2030-01-01|2028-01-01|有效|正常"));
        QCOMPARE(s.idAt(0), 4);
        s.makeCurrent(0);
        s.searchFor("医药");
        s.click("btnEdit");
        s.click("btnDelete");
        QCOMPARE(prompts(), QStringLiteral("提示请先选择要编辑的商品|提示请先选择要删除的商品|"
                                           "提示请先选择要编辑的供应商|提示请先选择要删除的供应商"));
    }

    void drugSearch_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("name") << "颗粒" << QStringList{"感冒灵颗粒", "板蓝根颗粒"};
        QTest::newRow("barcode") << "6902" << QStringList{"阿莫西林胶囊"};
        QTest::newRow("mnemonic, lower case, blanks") << "  gml " << QStringList{"感冒灵颗粒"};
        QTest::newRow("blanks only") << "   " << everyDrug;
        QTest::newRow("deleted drug") << "6904" << QStringList{};
    }
    void drugSearch() {
        QFETCH(QStringList, names);
        QFETCH(QString, text);
        Drugs w;
        w.search->setText(text);
        QTest::keyClick(w.search, Qt::Key_Return);
        QCOMPARE(w.names() << w.count(), names << QStringLiteral("共 %1 条记录").arg(names.size()));
    }

    // A refused add reloads nothing; drugs without a barcode add freely (stored NULL), a deleted drug's
    // barcode cannot be reused; a good add lists every drug and keeps the search text.
    void addingDrugs() {
        Drugs w;
        w.searchFor("板蓝根");
        w.makeCurrent(0);
        w.add({"editBarcode", "6904", "editName", "新药"});
        QCOMPARE(lastPrompt(), QStringLiteral("错误新增商品失败"));
        QCOMPARE(w.table->currentIndex().row(), 0);
        w.add({"editName", "布洛芬缓释胶囊"});
        w.add({"editName", "当归片"});
        QCOMPARE(lastPrompt(), QStringLiteral("成功商品已添加"));
        QCOMPARE(w.names() << w.search->text(),
                 QStringList({"当归片", "布洛芬缓释胶囊"}) + everyDrug << "板蓝根");
        QCOMPARE(w.t.count("product", "barcode IS NULL AND status = 1"), 2);
    }

    // The form shows the stored drug, not the table's copy; the edit keeps id, status and the filter.
    void editingDrugs() {
        Drugs w;
        w.searchFor("颗粒");
        const int row = w.rowOf("板蓝根颗粒");
        const int id = w.idAt(row);
        w.t.exec("UPDATE product SET name = '板蓝根(新)', mnemonic_code = 'blg', status = 0 WHERE id = ?",
                 {id});
        w.viaForm([&] { doubleClickCell(w.table, row, 2); }, {"editSpec", "5g*20袋"});
        QCOMPARE(lastPrompt(), QStringLiteral("成功商品已更新"));
        QCOMPARE(w.t.count("product",
                           "id = ? AND name = '板蓝根(新)' AND mnemonic_code = 'BLG' AND "
                           "specification = '5g*20袋' AND status = 0",
                           {id}),
                 1);
        QCOMPARE(w.names(), QStringList{"感冒灵颗粒"});
        w.makeCurrent(0);
        w.viaForm([&] { w.click("btnEdit"); }, {"editBarcode", "6901"}); // another drug's
        QCOMPARE(lastPrompt(), QStringLiteral("错误编辑商品失败"));
    }

    void deletingAsksThenSoftDeletes() {
        Drugs d;
        deleteAsking(d, " 颗粒 ", "板蓝根颗粒", "商品", "product", "status = 0", "感冒灵颗粒");
        Prompts::reset();
        Suppliers s;
        deleteAsking(s, "医药", "九州通医药", "供应商", "supplier", "status = 'suspended'", "华东医药");
    }

    // Outside tests the seam shows a real message box, and a name with markup reads as typed.
    void realQuestionShowsTheNameAsTyped() {
        Drugs w;
        w.t.exec("UPDATE product SET name = '<b>板蓝根</b>' WHERE barcode = '6903'");
        w.searchFor(QString());
        w.makeCurrent(0);
        Prompts::setTestMode(false);
        QString shown;
        ModalAnswer<QMessageBox> answer([&](QMessageBox* box) {
            shown = box->text() + QString::number(box->textFormat());
            box->button(QMessageBox::No)->click();
        });
        w.click("btnDelete");
        Prompts::setTestMode(true);
        QCOMPARE(shown, QStringLiteral("确定要删除商品 \"<b>板蓝根</b>\" 吗？%1").arg(Qt::PlainText));
        QCOMPARE(w.t.count("product", "status = 1"), 3);
    }

    // Computed from the dates against the local day; only that cell is coloured.
    void qualificationLabel_data() {
        QTest::addColumn<QVariantList>("dates");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("look");
        const QString red = "已过期 #ff0000 #ffffff", yellow = "即将到期 #808000 #ffffff";
        QTest::newRow("licence yesterday")
            << QVariantList{"2026-02-28", "2030-01-01", "", ""} << "valid" << red;
        QTest::newRow("gsp in 30 days") << QVariantList{"", "", "2026-03-31", ""} << "valid" << yellow;
        QTest::newRow("gsp in 31 days") << QVariantList{"", "", "2026-04-01", ""} << "valid"
                                        << "有效";
        QTest::newRow("tax today, not shown") << QVariantList{"", "", "", "2026-03-01"} << "valid" << yellow;
        QTest::newRow("unparseable") << QVariantList{"2027/01/01", "", "", ""} << "valid" << red;
        QTest::newRow("expired wins") << QVariantList{"2025-12-31", "2026-03-10", "", ""} << "valid" << red;
        QTest::newRow("stored code shown") << QVariantList{"", "", "", ""} << "expired"
                                           << "expired";
    }
    void qualificationLabel() {
        QFETCH(QVariantList, dates);
        QFETCH(QString, stored);
        QFETCH(QString, look);
        PinnedClock pin(today);
        Suppliers w([&](TestDatabase& t) { addSupplier(t, "样本供应商", dates, stored); });
        QStringList seen;
        for (int c = 0; c < w.model->columnCount(); ++c) {
            const QStandardItem* cell = w.model->item(0, c);
            const bool coloured = cell->background().style() != Qt::NoBrush;
            if (c == 11 || coloured)
                seen << QString::number(c) << cell->text();
            if (coloured)
                seen << cell->background().color().name() << cell->foreground().color().name();
        }
        QCOMPARE(seen.join(' '), "11 " + look);
    }

    // Names only are searched. A refused add writes nothing; a good one lists everything, search text kept.
    void searchingAndAddingSuppliers() {
        Suppliers w;
        w.searchFor("李娜"); // a contact person
        QVERIFY(w.names().isEmpty());
        w.search->setText(" 国药  ");
        QTest::keyClick(w.search, Qt::Key_Return);
        QCOMPARE(w.names(), QStringList{"国药控股"});
        w.add({"editContactName", "张三"});
        QCOMPARE(lastPrompt(), QStringLiteral("提示供应商名称不能为空"));
        QCOMPARE(w.t.count("supplier"), 4);
        w.add({"editName", "上药"});
        QCOMPARE(lastPrompt(), QStringLiteral("成功供应商已添加"));
        QCOMPARE(w.names() << w.search->text(),
                 (QStringList{"上药", "九州通医药", "国药控股", "华东医药", " 国药  "}));
    }

    // Dates never recorded stay empty and scope entries outside the form's options survive an edit.
    void editingSupplierKeepsWhatTheFormCannotShow() {
        Suppliers w;
        const int id =
            addSupplier(w.t, "国药集团", {QVariant(QVariant::String), "2030-01-01", "2028-01-01", ""});
        w.t.exec("UPDATE supplier SET business_scope = '保健食品,中成药' WHERE id = ?", {id});
        w.searchFor("国药");
        w.viaForm([&] { doubleClickCell(w.table, 0, 3); }, {"editContactPhone", "021-6666"});
        QCOMPARE(lastPrompt(), QStringLiteral("成功供应商已更新"));
        QCOMPARE(w.t.count("supplier",
                           "id = ? AND contact_phone = '021-6666' AND license_expire_date IS NULL AND "
                           "tax_reg_expire_date IS NULL AND business_scope = '中成药,保健食品'",
                           {id}),
                 1);
        QCOMPARE(w.names(), (QStringList{"国药集团", "国药控股"}));
    }

    void newSupplierFormDates_data() {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("dates"); // licence, GSP, tax, business licence
        QTest::newRow("ordinary day")
            << QDate(2026, 3, 1) << QString("2031-03-01 ").repeated(3) + "2036-03-01";
        QTest::newRow("leap day") << QDate(2024, 2, 29) << QString("2029-02-28 ").repeated(3) + "2034-02-28";
    }
    void newSupplierFormDates() {
        QFETCH(QDate, day);
        PinnedClock pin(day);
        const models::Supplier s = SupplierDialog().getSupplier();
        QTEST(QStringList(
                  {s.licenseExpireDate, s.gspCertExpireDate, s.taxRegExpireDate, s.businessLicenseExpireDate})
                  .join(' '),
              "dates");
    }

    // Every field round-trips. A date never recorded stays unrecorded; one that does not parse falls back to
    // the default. Scope entries outside the eight options are kept, and do not carry over to the next one.
    void supplierRoundTripsThroughTheForm() {
        PinnedClock pin(today);
        const QStringList scope{"中成药", "抗生素"};
        models::Supplier in{7,     "name",       "lic",        "blic",       scope,     "addr",
                            "who", "tel",        "2027-06-30", "2035-01-15", "gsp",     "2026-12-31",
                            "tax", "2028-03-01", "expiring",   "suspended",  QString(), QString()};
        SupplierDialog dialog;
        dialog.setSupplier(in);
        models::Supplier out = dialog.getSupplier();
        QCOMPARE(edited(out) << QString::number(out.id) << out.qualificationStatus, edited(in) << "-1"
                                                                                               << "valid");

        in.licenseExpireDate.clear();
        in.taxRegExpireDate = "2027/05/01";
        in.businessScope = QStringList{"保健食品", "中成药"};
        SupplierDialog edit; // an unparseable date keeps what the form showed before
        edit.setSupplier(in);
        QCOMPARE(edit.findChild<QDateEdit*>("editLicenseExpire")->text(), QStringLiteral("未填写"));
        out = edit.getSupplier();
        QVERIFY(out.licenseExpireDate.isNull()); // stored as NULL
        QCOMPARE(out.taxRegExpireDate + out.businessScope.join('|'),
                 QStringLiteral("2031-03-01中成药|保健食品"));

        in.businessScope = QStringList{"医疗器械"};
        edit.setSupplier(in);
        QCOMPARE(edit.findChild<QListWidget*>("listBusinessScope")->count(), 8);
        QCOMPARE(edit.getSupplier().businessScope, QStringList{"医疗器械"});
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
        models::Product in{12,         "6901", "name",     "amxl", "spec", "appr", "maker",   choices[0],
                           choices[1], true,   choices[2], 8.5,    12.8,   0,      QString(), QString()};
        ProductDialog dialog;
        dialog.setProduct(in);
        const models::Product out = dialog.getProduct();
        in.mnemonicCode = "AMXL";
        QCOMPARE(edited(out) << QString::number(out.id) << QString::number(out.status), edited(in) << "-1"
                                                                                                   << "1");
    }

    void productPickerHonoursItsFlags_data() {
        QTest::addColumn<bool>("withStock");
        QTest::addColumn<bool>("prescription");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        const QStringList all{"板蓝根颗粒", "维生素C片", "头孢克肟片", "阿莫西林胶囊"};
        QTest::newRow("all") << false << false << "   " << all;
        QTest::newRow("all, search") << false << false << " 片 " << QStringList{"维生素C片", "头孢克肟片"};
        QTest::newRow("stock") << true << false << "" << QStringList{"维生素C片", "阿莫西林胶囊"};
        QTest::newRow("stock, search") << true << false << "片" << QStringList{"维生素C片"};
        QTest::newRow("prescription, search") << false << true << "片" << QStringList{"头孢克肟片"};
        QTest::newRow("both: prescription wins")
            << true << true << "" << QStringList{"头孢克肟片", "阿莫西林胶囊"};
        QTest::newRow("barcode, mnemonic find nothing") << false << false << "6903X" << QStringList{};
    }
    void productPickerHonoursItsFlags() {
        QFETCH(bool, withStock);
        QFETCH(bool, prescription);
        QFETCH(QString, text);
        PinnedClock pin(today);
        TestDatabase t;
        seedStock(t);
        ProductSelectionDialog dialog(nullptr, withStock, prescription);
        QTEST(search(dialog, text), "names");
    }

    // Return in the search field only searches; "确定" without a choice then warns and stays; cancel gives
    // the default record; a choice is read afresh; a double-click accepts.
    void productPickerChoice() {
        TestDatabase t;
        seedStock(t);
        ProductSelectionDialog dialog(nullptr, false, false);
        QCOMPARE(rowText(tableOf(dialog)->model(), 3),
                 QStringLiteral("6901|阿莫西林胶囊|10g*12袋|国药准字Z1|白云山|OTC甲类"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        tableOf(dialog)->selectRow(0);
        auto* edit = dialog.findChild<QLineEdit*>("editSearch");
        edit->setFocus();
        edit->setText("片");
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(column(tableOf(dialog)->model(), 1), (QStringList{"维生素C片", "头孢克肟片"}));
        QVERIFY(dialog.isVisible() && Prompts::history().isEmpty());
        press(dialog, "btnOk");
        QCOMPARE(lastPrompt(), QStringLiteral("提示请先选择一个商品"));
        QVERIFY(dialog.isVisible());

        tableOf(dialog)->selectRow(1);
        press(dialog, "btnCancel");
        QVERIFY(dialog.result() == QDialog::Rejected && !dialog.getSelectedProduct().isValid());

        dialog.show();
        tableOf(dialog)->selectRow(1);
        t.exec("UPDATE product SET status = 0, name = '头孢克肟片(停)' WHERE barcode = '6902'");
        press(dialog, "btnOk");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getSelectedProduct().name, QStringLiteral("头孢克肟片(停)"));

        dialog.show();
        doubleClickCell(tableOf(dialog), 0, 4);
        QVERIFY(dialog.result() == QDialog::Accepted && !dialog.isVisible());
        QCOMPARE(dialog.getSelectedProduct().name, QStringLiteral("维生素C片"));
    }

    void supplierPickerListsQualifiedSuppliersOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("blanks only") << "  " << QStringList{"今日到期医药", "华润医药", "国药控股"};
        QTest::newRow("search") << "医药" << QStringList{"今日到期医药", "华润医药"};
        QTest::newRow("matching name, expired licence") << "过期" << QStringList{};
    }
    void supplierPickerListsQualifiedSuppliersOnly() {
        QFETCH(QString, text);
        PinnedClock pin(today);
        TestDatabase t;
        addSupplier(t, "国药控股");
        addSupplier(t, "过期医药", QVariantList{"2026-02-28"} + inForce.mid(1));
        addSupplier(t, "停用医药", inForce, "valid", "suspended");
        addSupplier(t, "资质存疑医药", inForce, "expiring");
        addSupplier(t, "坏日期医药", QVariantList{"2027/01/01"} + inForce.mid(1));
        addSupplier(t, "华润医药");
        addSupplier(t, "今日到期医药", QVariantList{"2026-03-01"} + inForce.mid(1));
        SupplierSelectionDialog dialog(nullptr);
        QTEST(search(dialog, text), "names");
    }

    // "确定" accepts with or without a choice; without one the default record comes back.
    void supplierPickerOk() {
        TestDatabase t;
        addSupplier(t, "国药控股");
        const int chosen = addSupplier(t, "华润医药");
        SupplierSelectionDialog dialog(nullptr);
        QCOMPARE(rowText(tableOf(dialog)->model(), 0),
                 QString::number(chosen) + QStringLiteral("|华润医药|L-1|李娜|13800001111|杭州|正常"));
        dialog.show();
        press(dialog, "btnOk");
        QVERIFY(dialog.result() == QDialog::Accepted && dialog.getSelectedSupplier().id == -1);
        dialog.show();
        tableOf(dialog)->selectRow(0);
        press(dialog, "btnOk");
        QVERIFY(dialog.result() == QDialog::Accepted && Prompts::history().isEmpty());
        QCOMPARE(dialog.getSelectedSupplier().name, QStringLiteral("华润医药"));
    }
};

QTEST_MAIN(TestMasterdataUi)
#include "tst_masterdataui.moc"
