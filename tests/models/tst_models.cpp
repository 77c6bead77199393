#include "models/models.h"

#include <QtTest>

using namespace kestrovalin::models;

class TestModels : public QObject {
    Q_OBJECT
private slots:
    // Callers tell a new record from a stored one by these initial values.
    void initialValues() {
        QCOMPARE((QList<int>{Customer().id, Prescription().id, PrescriptionItem().id, TempHumidityRecord().id,
                             User().id, OperLog().id}),
                 (QList<int>{0, 0, 0, 0, 0, 0}));
        QCOMPARE((QList<int>{Product().id, Supplier().id, PurchaseOrder().id, PurchaseOrderItem().id,
                             InventoryBatch().id, InventoryCheck().id, InventoryCheckItem().id,
                             SalesOrder().id, SalesOrderItem().id, ReturnOrder().id, ReturnOrderItem().id,
                             MaintenanceCheck().id, RejectedDrug().id, ReturnOrder().originalOrderId}),
                 (QList<int>{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}));
        QCOMPARE((QStringList{ReturnOrder().returnType, ReturnOrder().status, InventoryCheck().status,
                              Supplier().qualificationStatus, Supplier().status}),
                 (QStringList{"sales", "completed", "draft", "valid", "active"}));
        QCOMPARE(Product().status, 1);
    }

    void validity() {
        Product p;
        QVERIFY(!p.isValid());
        p.name = QStringLiteral("阿莫西林胶囊");
        QVERIFY(p.isValid());
        PurchaseOrder order; // no supplier chosen yet
        QVERIFY(!order.isValid());
        order.supplierId = -1;
        QVERIFY(!order.isValid());
        order.supplierId = 1;
        QVERIFY(order.isValid());
    }

    void businessScope_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("scope");
        QTest::newRow("empty text") << QString() << QStringList();
        QTest::newRow("three") << "中成药,化学药制剂,抗生素" << QStringList{"中成药", "化学药制剂", "抗生素"};
        QTest::newRow("empty parts dropped, blanks kept") << ", a,,b ," << QStringList{" a", "b "};
    }
    void businessScope() {
        QFETCH(QString, stored);
        QFETCH(QStringList, scope);
        QCOMPARE(splitBusinessScope(stored), scope);
        if (!stored.startsWith(','))
            QCOMPARE(joinBusinessScope(scope), stored);
    }
};

QTEST_APPLESS_MAIN(TestModels)
#include "tst_models.moc"
