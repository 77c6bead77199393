#include "repositories/productrepository.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace kestrovalin;
using kestrovalin::models::Product;
using kestrovalin::repositories::ProductRepository;
using kestrovalin::test::LogCapture;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

namespace {

Product makeProduct(const QString& name, const QString& barcode = QString(), const QString& spec = QString(),
                    const QString& maker = QString()) {
    Product p;
    p.name = name;
    p.barcode = barcode;
    p.specification = spec;
    p.manufacturer = maker;
    p.unit = QStringLiteral("盒");
    p.purchasePrice = 8.5;
    p.salePrice = 12.0;
    return p;
}

QList<int> ids(const QList<Product>& list) {
    QList<int> out;
    for (const Product& p : list)
        out << p.id;
    return out;
}

} // namespace

class TestProductRepository : public QObject {
    Q_OBJECT
private slots:
    void insertStoresListedDrugAndReadsBack() {
        TestDatabase t;
        ProductRepository repo(t.db());
        Product p = makeProduct(QStringLiteral("阿莫西林胶囊"), QStringLiteral("6901234567890"),
                                QStringLiteral("0.25g*24粒"), QStringLiteral("华北制药"));
        p.mnemonicCode = QStringLiteral("AMXL");
        p.approvalNo = QStringLiteral("国药准字H13023964");
        p.category = QStringLiteral("抗生素");
        p.storageCondition = QStringLiteral("阴凉");
        p.isPrescription = true;
        p.status = 0;
        p.id = 999;
        const int id = repo.insert(p);
        QVERIFY(id > 0);
        QVERIFY(id != 999);
        const Product back = repo.findById(id);
        QCOMPARE(back.id, id);
        QCOMPARE(back.status, 1);
        QCOMPARE(back.name, p.name);
        QCOMPARE(back.barcode, p.barcode);
        QCOMPARE(back.mnemonicCode, p.mnemonicCode);
        QCOMPARE(back.specification, p.specification);
        QCOMPARE(back.approvalNo, p.approvalNo);
        QCOMPARE(back.manufacturer, p.manufacturer);
        QCOMPARE(back.category, p.category);
        QCOMPARE(back.storageCondition, p.storageCondition);
        QCOMPARE(back.isPrescription, true);
        QCOMPARE(back.unit, p.unit);
        QCOMPARE(back.purchasePrice, 8.5);
        QCOMPARE(back.salePrice, 12.0);
        QVERIFY(back.createdAt.isEmpty());
        QCOMPARE(repo.count(), 1);
    }

    void removeHidesFromListsButNotFromFindById() {
        TestDatabase t;
        ProductRepository repo(t.db());
        const int kept = repo.insert(makeProduct(QStringLiteral("板蓝根颗粒"), QStringLiteral("111")));
        const int gone = repo.insert(makeProduct(QStringLiteral("板蓝根片"), QStringLiteral("222")));
        QVERIFY(repo.remove(gone));
        QCOMPARE(ids(repo.findAll()), QList<int>{kept});
        QCOMPARE(ids(repo.search(QStringLiteral("板蓝根"))), QList<int>{kept});
        QCOMPARE(repo.findById(gone).status, 0);
        QCOMPARE(repo.findById(gone).name, QStringLiteral("板蓝根片"));
    }
};

QTEST_GUILESS_MAIN(TestProductRepository)
#include "tst_productrepository.moc"
