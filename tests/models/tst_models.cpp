#include "models/models.h"
#include "tests/support/testmain.h"

#include <QtTest>

using namespace kestrovalin::models;

class TestModels : public QObject {
    Q_OBJECT
private slots:
    // Stored as the entries joined by commas; empty parts are dropped on reading.
    void businessScope() {
        QCOMPARE(joinBusinessScope({"中成药", "抗生素"}), QString("中成药,抗生素"));
        QCOMPARE(splitBusinessScope(",中成药,,抗生素,"), QStringList({"中成药", "抗生素"}));
    }
};

KV_TEST_CLASS(TestModels)
#include "tst_models.moc"
