#include "tests/support/pinnedclock.h"
#include "ui/masterdata/productdialog.h"
#include "ui/masterdata/supplierdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::PinnedClock;

namespace {

template <typename T> T* field(QWidget* form, const char* name) {
    T* w = form->findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("no field %s", name);
    return w;
}

QStringList checkedScopes(QWidget* form) {
    QStringList out;
    auto* list = field<QListWidget>(form, "listBusinessScope");
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            out.append(list->item(i)->text());
    return out;
}

models::Supplier fullSupplier() {
    models::Supplier s;
    s.id = 7;
    s.name = QStringLiteral("华东医药有限公司");
    s.licenseNo = QStringLiteral("浙AA5710001");
    s.businessLicenseNo = QStringLiteral("913301001234567890");
    s.businessScope = QStringList{QStringLiteral("中成药"), QStringLiteral("抗生素")};
    s.address = QStringLiteral("杭州市拱墅区莫干山路1号");
    s.contactName = QStringLiteral("王海");
    s.contactPhone = QStringLiteral("0571-88001234");
    s.licenseExpireDate = QStringLiteral("2027-06-30");
    s.businessLicenseExpireDate = QStringLiteral("2035-01-15");
    s.gspCertNo = QStringLiteral("ZJ-GSP-0231");
    s.gspCertExpireDate = QStringLiteral("2026-12-31");
    s.taxRegNo = QStringLiteral("330100778899");
    s.taxRegExpireDate = QStringLiteral("2028-03-01");
    s.qualificationStatus = QStringLiteral("expiring");
    s.status = QStringLiteral("active");
    return s;
}

} // namespace

class TestMasterdataForms : public QObject {
    Q_OBJECT
private slots:
    void newSupplierFormShowsDefaults_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("fiveYears");
        QTest::addColumn<QString>("tenYears");
        QTest::newRow("ordinary day") << QDate(2026, 3, 1) << "2031-03-01"
                                      << "2036-03-01";
        QTest::newRow("leap day") << QDate(2024, 2, 29) << "2029-02-28"
                                  << "2034-02-28";
    }
    void newSupplierFormShowsDefaults() {
        QFETCH(QDate, today);
        QFETCH(QString, fiveYears);
        QFETCH(QString, tenYears);
        PinnedClock pin(today);
        SupplierDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("供应商信息"));
        QCOMPARE(dialog.size(), QSize(600, 580));
        QVERIFY(dialog.isModal());
        QCOMPARE(field<QListWidget>(&dialog, "listBusinessScope")->count(), 8);
        QVERIFY(checkedScopes(&dialog).isEmpty());
        QCOMPARE(field<QComboBox>(&dialog, "comboStatus")->currentText(), QStringLiteral("正常"));

        const models::Supplier s = dialog.getSupplier();
        QCOMPARE(s.id, -1);
        QCOMPARE(s.name, QString());
        QVERIFY(s.businessScope.isEmpty());
        QCOMPARE(s.status, QStringLiteral("active"));
        QCOMPARE(s.qualificationStatus, QStringLiteral("valid"));
        QCOMPARE(s.licenseExpireDate, fiveYears);
        QCOMPARE(s.gspCertExpireDate, fiveYears);
        QCOMPARE(s.taxRegExpireDate, fiveYears);
        QCOMPARE(s.businessLicenseExpireDate, tenYears);
    }

    void supplierRoundTripsThroughTheForm() {
        PinnedClock pin(QDate(2026, 3, 1));
        SupplierDialog dialog;
        const models::Supplier in = fullSupplier();
        dialog.setSupplier(in);
        const models::Supplier out = dialog.getSupplier();
        QCOMPARE(out.id, -1); // the caller puts the id back
        QCOMPARE(out.qualificationStatus, QStringLiteral("valid"));
        QCOMPARE(out.name, in.name);
        QCOMPARE(out.licenseNo, in.licenseNo);
        QCOMPARE(out.businessLicenseNo, in.businessLicenseNo);
        QCOMPARE(out.businessScope, in.businessScope);
        QCOMPARE(out.address, in.address);
        QCOMPARE(out.contactName, in.contactName);
        QCOMPARE(out.contactPhone, in.contactPhone);
        QCOMPARE(out.licenseExpireDate, in.licenseExpireDate);
        QCOMPARE(out.businessLicenseExpireDate, in.businessLicenseExpireDate);
        QCOMPARE(out.gspCertNo, in.gspCertNo);
        QCOMPARE(out.gspCertExpireDate, in.gspCertExpireDate);
        QCOMPARE(out.taxRegNo, in.taxRegNo);
        QCOMPARE(out.taxRegExpireDate, in.taxRegExpireDate);
        QCOMPARE(out.status, QStringLiteral("active"));
    }

    // A date never recorded stays unrecorded; one that does not parse falls back to the form's default.
    void storedDatesSurviveAnEdit() {
        PinnedClock pin(QDate(2026, 3, 1));
        SupplierDialog dialog;
        models::Supplier in = fullSupplier();
        in.licenseExpireDate.clear();
        in.taxRegExpireDate = QStringLiteral("2027/05/01");
        dialog.setSupplier(in);
        QCOMPARE(field<QDateEdit>(&dialog, "editLicenseExpire")->text(), QStringLiteral("未填写"));
        QCOMPARE(field<QDateEdit>(&dialog, "editGspCertExpire")->text(), QStringLiteral("2026-12-31"));
        const models::Supplier out = dialog.getSupplier();
        QVERIFY(out.licenseExpireDate.isNull());
        QCOMPARE(out.taxRegExpireDate, QStringLiteral("2031-03-01"));
        QCOMPARE(out.gspCertExpireDate, in.gspCertExpireDate);
    }

    void scopeEntriesOutsideTheOptionsAreKept() {
        SupplierDialog dialog;
        models::Supplier in = fullSupplier();
        in.businessScope = QStringList{QStringLiteral("保健食品"), QStringLiteral("中成药")};
        dialog.setSupplier(in);
        QCOMPARE(checkedScopes(&dialog), (QStringList{QStringLiteral("中成药"), QStringLiteral("保健食品")}));
        QCOMPARE(dialog.getSupplier().businessScope,
                 (QStringList{QStringLiteral("中成药"), QStringLiteral("保健食品")}));

        // Showing another supplier in the same form does not carry the extra entry over.
        in.businessScope = QStringList{QStringLiteral("医疗器械")};
        dialog.setSupplier(in);
        QCOMPARE(field<QListWidget>(&dialog, "listBusinessScope")->count(), 8);
        QCOMPARE(dialog.getSupplier().businessScope, QStringList{QStringLiteral("医疗器械")});
    }

    void supplierStatusAndNameAsShown_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("saved");
        QTest::newRow("active") << "active"
                                << "正常"
                                << "active";
        QTest::newRow("suspended") << "suspended"
                                   << "已停用"
                                   << "suspended";
        QTest::newRow("other code") << "Active"
                                    << "已停用"
                                    << "suspended";
    }
    void supplierStatusAndNameAsShown() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, saved);
        SupplierDialog dialog;
        models::Supplier in = fullSupplier();
        in.status = stored;
        in.name = QStringLiteral("   ");
        dialog.setSupplier(in);
        QCOMPARE(field<QComboBox>(&dialog, "comboStatus")->currentText(), shown);
        QCOMPARE(dialog.getSupplier().status, saved);
        QCOMPARE(dialog.getSupplier().name, QStringLiteral("   "));
    }

    void newProductFormShowsDefaults() {
        ProductDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("商品信息"));
        QCOMPARE(dialog.size(), QSize(500, 520));
        QVERIFY(dialog.isModal());
        const models::Product p = dialog.getProduct();
        QCOMPARE(p.id, -1);
        QCOMPARE(p.status, 1);
        QCOMPARE(p.category, QStringLiteral("OTC甲类"));
        QCOMPARE(p.storageCondition, QStringLiteral("常温"));
        QCOMPARE(p.unit, QStringLiteral("盒"));
        QVERIFY(!p.isPrescription);
        QCOMPARE(p.purchasePrice, 0.0);
        QCOMPARE(p.salePrice, 0.0);
        QVERIFY(!p.isValid());
        QCOMPARE(field<QComboBox>(&dialog, "comboCategory")->count(), 4);
        QVERIFY(!field<QComboBox>(&dialog, "comboUnit")->isEditable());
    }

    void productRoundTripsThroughTheForm() {
        models::Product in;
        in.id = 12;
        in.status = 0;
        in.name = QStringLiteral("阿莫西林胶囊");
        in.barcode = QStringLiteral("6901234567890");
        in.mnemonicCode = QStringLiteral("AMXL");
        in.specification = QStringLiteral("0.25g*24粒");
        in.approvalNo = QStringLiteral("国药准字H44021351");
        in.manufacturer = QStringLiteral("广州白云山制药");
        in.category = QStringLiteral("处方药");
        in.storageCondition = QStringLiteral("阴凉");
        in.isPrescription = true;
        in.unit = QStringLiteral("瓶");
        in.purchasePrice = 8.5;
        in.salePrice = 12.8;
        ProductDialog dialog;
        dialog.setProduct(in);
        const models::Product out = dialog.getProduct();
        QCOMPARE(out.id, -1);
        QCOMPARE(out.status, 1);
        QCOMPARE(out.name, in.name);
        QCOMPARE(out.barcode, in.barcode);
        QCOMPARE(out.mnemonicCode, in.mnemonicCode);
        QCOMPARE(out.specification, in.specification);
        QCOMPARE(out.approvalNo, in.approvalNo);
        QCOMPARE(out.manufacturer, in.manufacturer);
        QCOMPARE(out.category, in.category);
        QCOMPARE(out.storageCondition, in.storageCondition);
        QCOMPARE(out.isPrescription, true);
        QCOMPARE(out.unit, in.unit);
        QCOMPARE(out.purchasePrice, 8.5);
        QCOMPARE(out.salePrice, 12.8);
    }

    // Values from imports that are not in the fixed lists must not be rewritten to the first item.
    void unlistedChoicesAreKept_data() {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("storage");
        QTest::addColumn<QString>("unit");
        QTest::newRow("all unlisted") << "保健品"
                                      << "2-8℃"
                                      << "支";
        QTest::newRow("empty unit") << "OTC乙类"
                                    << "冷藏"
                                    << "";
        QTest::newRow("case differs") << "otc甲类"
                                      << "常温"
                                      << "盒";
    }
    void unlistedChoicesAreKept() {
        QFETCH(QString, category);
        QFETCH(QString, storage);
        QFETCH(QString, unit);
        models::Product in;
        in.name = QStringLiteral("维生素C片");
        in.category = category;
        in.storageCondition = storage;
        in.unit = unit;
        ProductDialog dialog;
        dialog.setProduct(in);
        const models::Product out = dialog.getProduct();
        QCOMPARE(out.category, category);
        QCOMPARE(out.storageCondition, storage);
        QCOMPARE(out.unit, unit);
    }

    void mnemonicIsUpperCasedWhenRead_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("read");
        QTest::newRow("lower") << "blgkl"
                               << "BLGKL";
        QTest::newRow("mixed with digits") << "Vc100"
                                           << "VC100";
        QTest::newRow("beyond ascii") << "äbc"
                                      << "ÄBC";
    }
    void mnemonicIsUpperCasedWhenRead() {
        QFETCH(QString, typed);
        QFETCH(QString, read);
        ProductDialog dialog;
        auto* edit = field<QLineEdit>(&dialog, "editMnemonicCode");
        edit->setText(typed);
        QCOMPARE(dialog.getProduct().mnemonicCode, read);
        QCOMPARE(edit->text(), typed);
    }

    void pricesStayWithinTheFieldRange_data() {
        QTest::addColumn<double>("stored");
        QTest::addColumn<double>("saved");
        QTest::newRow("above the top") << 150000.0 << 100000.0;
        QTest::newRow("three decimals") << 12.346 << 12.35;
        QTest::newRow("negative") << -3.0 << 0.0;
    }
    void pricesStayWithinTheFieldRange() {
        QFETCH(double, stored);
        QFETCH(double, saved);
        models::Product in;
        in.purchasePrice = stored;
        in.salePrice = stored;
        ProductDialog dialog;
        dialog.setProduct(in);
        QCOMPARE(dialog.getProduct().purchasePrice, saved);
        QCOMPARE(dialog.getProduct().salePrice, saved);
    }

    void formsCentreOnTheirParent_data() {
        QTest::addColumn<QRect>("parentGeometry");
        QTest::addColumn<QPoint>("supplierPos");
        QTest::addColumn<QPoint>("productPos");
        QTest::newRow("large parent") << QRect(100, 50, 1200, 900) << QPoint(400, 210) << QPoint(450, 240);
        QTest::newRow("small parent") << QRect(20, 30, 300, 200) << QPoint(0, 0) << QPoint(0, 0);
        QTest::newRow("odd sizes") << QRect(0, 0, 1001, 801) << QPoint(200, 110) << QPoint(250, 140);
    }
    void formsCentreOnTheirParent() {
        QFETCH(QRect, parentGeometry);
        QFETCH(QPoint, supplierPos);
        QFETCH(QPoint, productPos);
        QWidget parent;
        parent.setGeometry(parentGeometry);
        SupplierDialog supplier(&parent);
        QCOMPARE(supplier.pos(), supplierPos);
        ProductDialog product(&parent);
        QCOMPARE(product.pos(), productPos);
    }
};

QTEST_MAIN(TestMasterdataForms)
#include "tst_masterdataforms.moc"
