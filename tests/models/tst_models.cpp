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

    // Stored as the entries joined by commas; empty parts are dropped on reading.
    void businessScope() {
        QCOMPARE(joinBusinessScope({"中成药", "抗生素"}), QString("中成药,抗生素"));
        QCOMPARE(splitBusinessScope(",中成药,,抗生素,"), QStringList({"中成药", "抗生素"}));
    }
};

QTEST_APPLESS_MAIN(TestModels)
#include "tst_models.moc"
