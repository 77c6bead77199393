#include "tests/masterdata_ui/guidriver.h"
#include "tests/support/pinnedclock.h"
#include "ui/masterdata/productdialog.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/masterdata/supplierdialog.h"
#include "ui/masterdata/supplierselectiondialog.h"

#include <QDateEdit>
#include <QListWidget>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

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

models::Supplier fullSupplier() {
    models::Supplier s;
    s.id = 7;
    s.name = "华东医药有限公司";
    s.licenseNo = "浙AA5710001";
    s.businessLicenseNo = "913301001234567890";
    s.businessScope = QStringList{"中成药", "抗生素"};
    s.address = "杭州市莫干山路1号";
    s.contactName = "王海";
    s.contactPhone = "0571-88001234";
    s.licenseExpireDate = "2027-06-30";
    s.businessLicenseExpireDate = "2035-01-15";
    s.gspCertNo = "ZJ-GSP-0231";
    s.gspCertExpireDate = "2026-12-31";
    s.taxRegNo = "330100778";
    s.taxRegExpireDate = "2028-03-01";
    s.qualificationStatus = "expiring";
    s.status = "suspended";
    return s;
}

const QDate today(2026, 3, 1);

void addBatch(TestDatabase& t, int productId, int quantity, const QString& expiry) {
    t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES (?, 'B1', ?, ?)",
           {productId, expiry, quantity});
}

// 阿莫西林 (prescription, in stock), 头孢 (prescription, no stock), 维C (in stock until tomorrow), 板蓝根
// (its stock expired yesterday, its fresh batch is empty), 已删除 (deleted, in stock).
void seedDrugs(TestDatabase& t) {
    addBatch(t, addDrug(t, "6901", "阿莫西林胶囊", "6901X", true), 10, "2027-01-01");
    addDrug(t, "6902", "头孢克肟片", "6902X", true);
    addBatch(t, addDrug(t, "6903", "维生素C片", "6903X"), 5, "2026-03-02");
    const int banlangen = addDrug(t, "6904", "板蓝根颗粒", "6904X");
    addBatch(t, banlangen, 8, "2026-02-28");
    addBatch(t, banlangen, 0, "2027-02-28");
    addBatch(t, addDrug(t, "6905", "已删除胶囊", "6905X", true, 0), 3, "2027-01-01");
}

// A supplier whose licence expires on the given date; the other documents are in force.
int addSupplierWith(TestDatabase& t, const QString& name, const QString& licence) {
    return addSupplier(t, name, QVariantList{licence} + inForce.mid(1));
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

void press(QDialog* d, const char* button) {
    d->findChild<QPushButton*>(button)->click();
}

} // namespace

// The drug and supplier forms and pickers.
class TestMasterdataDialogs : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }

    void newSupplierFormDates_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("fiveYears");
        QTest::addColumn<QString>("tenYears");
        QTest::newRow("ordinary day")
            << QDate(2026, 3, 1) << QString("2031-03-01").repeated(3) << "2036-03-01";
        QTest::newRow("leap day") << QDate(2024, 2, 29) << QString("2029-02-28").repeated(3) << "2034-02-28";
    }
    void newSupplierFormDates() {
        QFETCH(QDate, today);
        PinnedClock pin(today);
        const models::Supplier s = SupplierDialog().getSupplier();
        QTEST(s.licenseExpireDate + s.gspCertExpireDate + s.taxRegExpireDate, "fiveYears");
        QTEST(s.businessLicenseExpireDate, "tenYears");
    }

    // Every field round-trips. A date never recorded stays unrecorded; one that does not parse falls back to
    // the form's default. Scope entries outside the eight options are kept, and do not carry over to the
    // next supplier shown.
    void supplierRoundTripsThroughTheForm() {
        PinnedClock pin(QDate(2026, 3, 1));
        SupplierDialog dialog;
        models::Supplier in = fullSupplier();
        dialog.setSupplier(in);
        models::Supplier out = dialog.getSupplier();
        QCOMPARE(edited(out), edited(in));
        QCOMPARE(out.id, -1); // the caller puts the id back
        QCOMPARE(out.qualificationStatus, QStringLiteral("valid"));

        in.licenseExpireDate.clear();
        in.taxRegExpireDate = "2027/05/01";
        in.businessScope = QStringList{"保健食品", "中成药"};
        SupplierDialog edit;
        edit.setSupplier(in);
        QCOMPARE(edit.findChild<QDateEdit*>("editLicenseExpire")->text(), QStringLiteral("未填写"));
        out = edit.getSupplier();
        QVERIFY(out.licenseExpireDate.isNull()); // stored as NULL
        QCOMPARE(out.taxRegExpireDate, QStringLiteral("2031-03-01"));
        QCOMPARE(out.businessScope, (QStringList{"中成药", "保健食品"}));

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
        models::Product in;
        in.id = 12;
        in.status = 0;
        in.name = "阿莫西林胶囊";
        in.barcode = "6901234567890";
        in.mnemonicCode = "amxl";
        in.specification = "0.25g*24粒";
        in.approvalNo = "国药准字H44";
        in.manufacturer = "白云山制药";
        in.category = choices.at(0);
        in.storageCondition = choices.at(1);
        in.isPrescription = true;
        in.unit = choices.at(2);
        in.purchasePrice = 8.5;
        in.salePrice = 12.8;
        ProductDialog dialog;
        dialog.setProduct(in);
        const models::Product out = dialog.getProduct();
        in.mnemonicCode = "AMXL";
        QCOMPARE(edited(out), edited(in));
        QCOMPARE(out.id, -1);
        QCOMPARE(out.status, 1);
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
        seedDrugs(t);
        ProductSelectionDialog dialog(nullptr, withStock, prescription);
        search(&dialog, text);
        QTEST(names(&dialog), "names");
    }

    // Return in the search field only searches (no default button); "确定" without a choice then warns and
    // stays; cancel gives the default record; a choice is read afresh from the database.
    void productPickerChoice() {
        TestDatabase t;
        seedDrugs(t);
        ProductSelectionDialog dialog(nullptr, false, false);
        QCOMPARE(rowTexts(tableOf(&dialog)->model(), 3),
                 (QStringList{"6901", "阿莫西林胶囊", "10g*12袋", "国药准字Z1", "白云山", "OTC甲类"}));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        tableOf(&dialog)->selectRow(0);
        auto* edit = dialog.findChild<QLineEdit*>("editSearch");
        edit->setFocus();
        edit->setText("片");
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(names(&dialog), (QStringList{"维生素C片", "头孢克肟片"}));
        QVERIFY(dialog.isVisible() && Prompts::history().isEmpty());
        press(&dialog, "btnOk");
        QCOMPARE(lastPrompt(), QStringLiteral("提示请先选择一个商品"));
        QVERIFY(dialog.isVisible());

        tableOf(&dialog)->selectRow(1);
        press(&dialog, "btnCancel");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.getSelectedProduct().isValid());

        dialog.show();
        tableOf(&dialog)->selectRow(1);
        t.exec("UPDATE product SET status = 0, name = '头孢克肟片(停)' WHERE barcode = '6902'");
        press(&dialog, "btnOk");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getSelectedProduct().name, QStringLiteral("头孢克肟片(停)"));
        QCOMPARE(dialog.getSelectedProduct().status, 0);

        dialog.show();
        doubleClickCell(tableOf(&dialog), tableOf(&dialog)->model()->index(0, 4));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
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
        addSupplierWith(t, "过期医药", "2026-02-28");
        addSupplier(t, "停用医药", inForce, "valid", "suspended");
        addSupplier(t, "资质存疑医药", inForce, "expiring");
        addSupplierWith(t, "坏日期医药", "2027/01/01");
        addSupplier(t, "华润医药");
        addSupplierWith(t, "今日到期医药", "2026-03-01");
        SupplierSelectionDialog dialog(nullptr);
        search(&dialog, text);
        QTEST(names(&dialog), "names");
    }

    // "确定" accepts with or without a choice; without one the default record comes back.
    void supplierPickerOk() {
        TestDatabase t;
        addSupplier(t, "国药控股");
        const int chosen = addSupplier(t, "华润医药");
        SupplierSelectionDialog dialog(nullptr);
        QCOMPARE(
            rowTexts(tableOf(&dialog)->model(), 0),
            (QStringList{QString::number(chosen), "华润医药", "L-1", "李娜", "13800001111", "杭州", "正常"}));
        dialog.show();
        press(&dialog, "btnOk");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getSelectedSupplier().id, -1);

        dialog.show();
        tableOf(&dialog)->selectRow(0);
        press(&dialog, "btnOk");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getSelectedSupplier().name, QStringLiteral("华润医药"));
        QVERIFY(Prompts::history().isEmpty());
    }
};

QTEST_MAIN(TestMasterdataDialogs)
#include "tst_masterdatadialogs.moc"
