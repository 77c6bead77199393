#include "tests/support/pinnedclock.h"
#include "ui/masterdata/productdialog.h"
#include "ui/masterdata/supplierdialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
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

// Every member the forms edit, in order, so a round trip catches two fields swapped.
QStringList edited(const models::Supplier& s) {
    return {s.name,
            s.licenseNo,
            s.businessLicenseNo,
            s.businessScope.join('|'),
            s.address,
            s.contactName,
            s.contactPhone,
            s.licenseExpireDate,
            s.businessLicenseExpireDate,
            s.gspCertNo,
            s.gspCertExpireDate,
            s.taxRegNo,
            s.taxRegExpireDate,
            s.status};
}

QStringList edited(const models::Product& p) {
    return {p.name,
            p.barcode,
            p.mnemonicCode,
            p.specification,
            p.approvalNo,
            p.manufacturer,
            p.category,
            p.storageCondition,
            QString::number(p.isPrescription),
            p.unit,
            QString::number(p.purchasePrice),
            QString::number(p.salePrice)};
}

models::Supplier fullSupplier() {
    models::Supplier s;
    s.id = 7;
    s.name = "华东医药有限公司";
    s.licenseNo = "浙AA5710001";
    s.businessLicenseNo = "913301001234567890";
    s.businessScope = QStringList{"中成药", "抗生素"};
    s.address = "杭州市拱墅区莫干山路1号";
    s.contactName = "王海";
    s.contactPhone = "0571-88001234";
    s.licenseExpireDate = "2027-06-30";
    s.businessLicenseExpireDate = "2035-01-15";
    s.gspCertNo = "ZJ-GSP-0231";
    s.gspCertExpireDate = "2026-12-31";
    s.taxRegNo = "330100778899";
    s.taxRegExpireDate = "2028-03-01";
    s.qualificationStatus = "expiring";
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
        QCOMPARE(field<QListWidget>(&dialog, "listBusinessScope")->count(), 8);
        const models::Supplier s = dialog.getSupplier();
        QCOMPARE(s.id, -1);
        QCOMPARE(s.qualificationStatus, QStringLiteral("valid"));
        QCOMPARE(edited(s), (QStringList{"", "", "", "", "", "", "", fiveYears, tenYears, "", fiveYears, "",
                                         fiveYears, "active"}));
    }

    void supplierRoundTripsThroughTheForm() {
        SupplierDialog dialog;
        const models::Supplier in = fullSupplier();
        dialog.setSupplier(in);
        const models::Supplier out = dialog.getSupplier();
        QCOMPARE(edited(out), edited(in));
        QCOMPARE(out.id, -1); // the caller puts the id back
        QCOMPARE(out.qualificationStatus, QStringLiteral("valid"));
    }

    // A date never recorded stays unrecorded; one that does not parse falls back to the form's default.
    void storedDatesSurviveAnEdit() {
        PinnedClock pin(QDate(2026, 3, 1));
        SupplierDialog dialog;
        models::Supplier in = fullSupplier();
        in.licenseExpireDate.clear();
        in.taxRegExpireDate = "2027/05/01";
        dialog.setSupplier(in);
        QCOMPARE(field<QDateEdit>(&dialog, "editLicenseExpire")->text(), QStringLiteral("未填写"));
        const models::Supplier out = dialog.getSupplier();
        QVERIFY(out.licenseExpireDate.isNull()); // stored as NULL
        QCOMPARE(out.taxRegExpireDate, QStringLiteral("2031-03-01"));
        QCOMPARE(out.gspCertExpireDate, in.gspCertExpireDate);
    }

    void scopeEntriesOutsideTheOptionsAreKept() {
        SupplierDialog dialog;
        models::Supplier in = fullSupplier();
        in.businessScope = QStringList{"保健食品", "中成药"};
        dialog.setSupplier(in);
        QCOMPARE(checkedScopes(&dialog), (QStringList{"中成药", "保健食品"}));
        QCOMPARE(dialog.getSupplier().businessScope, (QStringList{"中成药", "保健食品"}));

        // Showing another supplier in the same form does not carry the extra entry over.
        in.businessScope = QStringList{"医疗器械"};
        dialog.setSupplier(in);
        QCOMPARE(field<QListWidget>(&dialog, "listBusinessScope")->count(), 8);
        QCOMPARE(dialog.getSupplier().businessScope, QStringList{"医疗器械"});
    }

    void supplierStatusAsShown_data() {
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
    void supplierStatusAsShown() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, saved);
        SupplierDialog dialog;
        models::Supplier in = fullSupplier();
        in.status = stored;
        in.name = "   ";
        dialog.setSupplier(in);
        QCOMPARE(field<QComboBox>(&dialog, "comboStatus")->currentText(), shown);
        QCOMPARE(dialog.getSupplier().status, saved);
        QCOMPARE(dialog.getSupplier().name, QStringLiteral("   ")); // untrimmed
    }

    void productRoundTripsThroughTheForm() {
        ProductDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("商品信息"));
        QCOMPARE(dialog.size(), QSize(500, 520));
        auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
        QCOMPARE(buttons->button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
        QCOMPARE(edited(dialog.getProduct()),
                 (QStringList{"", "", "", "", "", "", "OTC甲类", "常温", "0", "盒", "0", "0"}));
        models::Product in;
        in.id = 12;
        in.status = 0;
        in.name = "阿莫西林胶囊";
        in.barcode = "6901234567890";
        in.mnemonicCode = "AMXL";
        in.specification = "0.25g*24粒";
        in.approvalNo = "国药准字H44021351";
        in.manufacturer = "广州白云山制药";
        in.category = "处方药";
        in.storageCondition = "阴凉";
        in.isPrescription = true;
        in.unit = "瓶";
        in.purchasePrice = 8.5;
        in.salePrice = 12.8;
        dialog.setProduct(in);
        const models::Product out = dialog.getProduct();
        QCOMPARE(edited(out), edited(in));
        QCOMPARE(out.id, -1);
        QCOMPARE(out.status, 1);
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
        QCOMPARE(SupplierDialog(&parent).pos(), supplierPos);
        QCOMPARE(ProductDialog(&parent).pos(), productPos);
    }
};

QTEST_MAIN(TestMasterdataForms)
#include "tst_masterdataforms.moc"
