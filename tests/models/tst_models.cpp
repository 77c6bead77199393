#include "models/models.h"

#include <QVariant>
#include <QtTest>

using namespace kestrovalin::models;

class TestModels : public QObject {
    Q_OBJECT

private slots:
    void productDefaultsAndValidity();
    void purchaseOrderValidity_data();
    void purchaseOrderValidity();
    void statusDefaults();
    void defaultIds_data();
    void defaultIds();
    void copiesOwnTheirLines();
    void recordsRoundTripThroughQVariant();
    void businessScopeRoundTrip();
    void businessScopeDropsEmptyParts_data();
    void businessScopeDropsEmptyParts();
};

void TestModels::productDefaultsAndValidity() {
    Product p;
    QVERIFY(!p.isValid());
    QCOMPARE(p.status, 1);
    QCOMPARE(p.id, -1);
    p.name = QStringLiteral("阿莫西林胶囊");
    QVERIFY(p.isValid());
}

void TestModels::purchaseOrderValidity_data() {
    QTest::addColumn<int>("supplierId");
    QTest::addColumn<bool>("valid");
    QTest::newRow("no supplier") << 0 << false;
    QTest::newRow("negative") << -1 << false;
    QTest::newRow("chosen") << 1 << true;
}

void TestModels::purchaseOrderValidity() {
    QFETCH(int, supplierId);
    QFETCH(bool, valid);
    QVERIFY(!PurchaseOrder().isValid());
    PurchaseOrder order;
    order.supplierId = supplierId;
    QCOMPARE(order.isValid(), valid);
}

void TestModels::statusDefaults() {
    const ReturnOrder ret;
    QCOMPARE(ret.returnType, QStringLiteral("sales"));
    QCOMPARE(ret.status, QStringLiteral("completed"));
    QCOMPARE(ret.originalOrderId, -1);
    QCOMPARE(InventoryCheck().status, QStringLiteral("draft"));
    const Supplier s;
    QCOMPARE(s.qualificationStatus, QStringLiteral("valid"));
    QCOMPARE(s.status, QStringLiteral("active"));
}

void TestModels::defaultIds_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("expected");
    QTest::newRow("Customer") << Customer().id << 0;
    QTest::newRow("Prescription") << Prescription().id << 0;
    QTest::newRow("PrescriptionItem") << PrescriptionItem().id << 0;
    QTest::newRow("TempHumidityRecord") << TempHumidityRecord().id << 0;
    QTest::newRow("User") << User().id << 0;
    QTest::newRow("OperLog") << OperLog().id << 0;
    QTest::newRow("Product") << Product().id << -1;
    QTest::newRow("Supplier") << Supplier().id << -1;
    QTest::newRow("PurchaseOrder") << PurchaseOrder().id << -1;
    QTest::newRow("PurchaseOrderItem") << PurchaseOrderItem().id << -1;
    QTest::newRow("InventoryBatch") << InventoryBatch().id << -1;
    QTest::newRow("InventoryCheck") << InventoryCheck().id << -1;
    QTest::newRow("InventoryCheckItem") << InventoryCheckItem().id << -1;
    QTest::newRow("SalesOrder") << SalesOrder().id << -1;
    QTest::newRow("SalesOrderItem") << SalesOrderItem().id << -1;
    QTest::newRow("ReturnOrder") << ReturnOrder().id << -1;
    QTest::newRow("ReturnOrderItem") << ReturnOrderItem().id << -1;
    QTest::newRow("MaintenanceCheck") << MaintenanceCheck().id << -1;
    QTest::newRow("RejectedDrug") << RejectedDrug().id << -1;
}

void TestModels::defaultIds() {
    QFETCH(int, id);
    QFETCH(int, expected);
    QCOMPARE(id, expected);
}

void TestModels::copiesOwnTheirLines() {
    InventoryCheck check;
    check.items.append(InventoryCheckItem{});
    check.items[0].actualQuantity = 5;
    InventoryCheck checkCopy = check;
    checkCopy.items[0].actualQuantity = 9;
    QCOMPARE(check.items.at(0).actualQuantity, 5);

    Prescription rx;
    rx.items.append(PrescriptionItem{});
    rx.items[0].quantity = 2;
    Prescription rxCopy = rx;
    rxCopy.items[0].quantity = 7;
    QCOMPARE(rx.items.at(0).quantity, 2);

    ReturnOrder ret;
    ret.items.append(ReturnOrderItem{});
    ret.items[0].quantity = 3;
    ReturnOrder retCopy;
    retCopy = ret;
    retCopy.items[0].quantity = 1;
    retCopy.items.append(ReturnOrderItem{});
    QCOMPARE(ret.items.at(0).quantity, 3);
    QCOMPARE(ret.items.size(), 1);
}

void TestModels::recordsRoundTripThroughQVariant() {
    ReturnOrder ret;
    ret.returnNo = QStringLiteral("TH001");
    ret.items.append(ReturnOrderItem{});
    const QVariant v = QVariant::fromValue(ret);
    QVERIFY(v.canConvert<ReturnOrder>());
    const ReturnOrder back = v.value<ReturnOrder>();
    QCOMPARE(back.returnNo, ret.returnNo);
    QCOMPARE(back.items.size(), 1);
}

void TestModels::businessScopeRoundTrip() {
    Supplier s;
    s.businessScope =
        QStringList{QStringLiteral("中成药"), QStringLiteral("化学药制剂"), QStringLiteral("抗生素")};
    const QString stored = joinBusinessScope(s.businessScope);
    QCOMPARE(stored, QStringLiteral("中成药,化学药制剂,抗生素"));
    QCOMPARE(splitBusinessScope(stored), s.businessScope);
    QCOMPARE(joinBusinessScope({}), QString());
}

void TestModels::businessScopeDropsEmptyParts_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty text") << QString() << QStringList();
    QTest::newRow("inner gap") << QStringLiteral("a,,b")
                               << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("edges") << QStringLiteral(",a,") << QStringList{QStringLiteral("a")};
}

void TestModels::businessScopeDropsEmptyParts() {
    QFETCH(QString, stored);
    QFETCH(QStringList, expected);
    QCOMPARE(splitBusinessScope(stored), expected);
}

QTEST_APPLESS_MAIN(TestModels)
#include "tst_models.moc"
